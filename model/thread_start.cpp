#include "thread_start.h"

#include <new>
#include <system_error>
#include <thread>
#include <utility>

namespace kurimo {
namespace {

class JoinedThread final : public StartedThread {
 public:
  explicit JoinedThread(std::function<void()> work) : thread_(std::move(work)) {}

 private:
  std::jthread thread_;  // joins as it is destroyed
};

class StandardThreads final : public ThreadStarter {
 public:
  std::unique_ptr<StartedThread> Start(std::function<void()> work) override {
    try {
      return std::make_unique<JoinedThread>(std::move(work));
    } catch (const std::system_error&) {
      return nullptr;  // the system would not start another thread (EAGAIN under ulimit -u)
    } catch (const std::bad_alloc&) {
      return nullptr;  // no memory for the thread's stack or its state
    }
  }
};

}  // namespace

ThreadStarter& PlatformThreads() {
  static StandardThreads threads;
  return threads;
}

}  // namespace kurimo
