// Starting a thread of work: the one place that knows how this platform starts threads.
// The sweep asks a ThreadStarter for its workers; a platform without threads (or a test
// that wants a start to fail) hands it another starter, and the sweep does the work on the
// calling thread when no thread can be had.
#pragma once

#include <functional>
#include <memory>

namespace kurimo {

// A thread that has been started. Destroying the handle waits for the thread to end.
class StartedThread {
 public:
  virtual ~StartedThread() = default;
};

class ThreadStarter {
 public:
  virtual ~ThreadStarter() = default;
  // Runs `work` on a new thread and returns its handle, or null when no thread can be
  // started now (the system's limit on threads, or no memory for one); `work` has then
  // not run and never will.
  virtual std::unique_ptr<StartedThread> Start(std::function<void()> work) = 0;
};

// The platform's own threads.
ThreadStarter& PlatformThreads();

}  // namespace kurimo
