#include "sweep.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <limits>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

#include "chain_lanes.h"

namespace kurimo {
namespace {

constexpr std::array<MultiplierList, 3> kLists = {MultiplierList::Section, MultiplierList::Quality,
                                                  MultiplierList::Quantity};

// Steps between two looks at the stop flag: a few milliseconds of stepping.
constexpr std::uint64_t kStepsPerBlock = 1u << 15;

constexpr auto kProgressInterval = std::chrono::milliseconds(50);

constexpr double kNoMean = std::numeric_limits<double>::quiet_NaN();

void Abandon(CaseOutcome& out, RunStatus reason) {
  out.status = CaseStatus::Abandoned;
  out.runStatus = reason;
}

void KeepConcentrations(const BayModel& m, CaseOutcome& out) {
  for (int b = 1; b <= 5; ++b)
    out.concentrations[b - 1] = m.Concentration[1][b];
}

// The end of a run whose steps are all made: the bay mean, and its check.
void FinishWithMean(BayModel& m, CaseOutcome& out) {
  m.ComputeBayMean();
  out.bayAverage = m.BayAverage[1];
  if (!std::isfinite(m.BayAverage[1])) return Abandon(out, RunStatus::Diverged);
  out.runStatus = RunStatus::Completed;
  out.status = out.mouthVelocityWarning ? CaseStatus::Warning : CaseStatus::Done;
}

// A case whose set-up is done and whose steps remain to be made.
struct PendingCase {
  std::size_t index = 0;  // in the cases and the outcomes
  std::uint64_t steps = 0;
  // Why the case stops if its values become infinite or not a number: an overflow of a
  // quality too large for single precision, or else an unstable step.
  RunStatus breakdown = RunStatus::Diverged;
  ChainCase chain;
  // The whole model, only for a case that the lanes cannot step: it is stepped alone, as
  // RunSimulation steps it.
  std::unique_ptr<BayModel> alone;
  bool standardChain = false;
};

// A case's run up to its first step, prepared as a single run prepares it. Fills `out` as far as it
// goes; returns the case to step, or no value when the run has already ended (abandoned, or no
// steps to make).
std::optional<PendingCase> SetUp(const BayModel& conditions, const MultiplierChoice& choice,
                                 std::size_t index, CaseOutcome& out) {
  BayModel m = conditions;
  for (std::size_t i = 0; i < kLists.size(); ++i) {
    const std::string_view entry = MultiplierEntries(kLists[i])[choice[i]];
    SetMultiplier(m, kLists[i], *MultiplierFactor(kLists[i], entry));
  }
  out.choice = choice;
  out.bayAverage = kNoMean;
  SilentObserver silent;
  const RunPreparation prepared = m.PrepareRun(silent);
  out.mouthVelocityWarning = prepared.mouthVelocityWarning;
  out.indicators = m.ComputeIndicators();
  out.timeStepMinutes = m.TimeStepMinutes;
  out.ruleTimeStepMinutes = m.RuleTimeStepMinutes;
  out.timeStepReduced = m.TimeStepReduced();
  KeepConcentrations(m, out);
  if (prepared.plan.status != RunStatus::Completed) {
    Abandon(out, prepared.plan.status);
    return std::nullopt;
  }
  out.steps = prepared.plan.stepCount;
  if (out.steps == 0) {
    FinishWithMean(m, out);
    return std::nullopt;
  }
  PendingCase pending;
  pending.index = index;
  pending.steps = out.steps;
  if (m.ValueBeyondSinglePrecision().condition != LargeCondition::None) {
    pending.breakdown = RunStatus::ValueTooLarge;
  }
  pending.standardChain = m.UsesStandardChain();
  if (pending.standardChain) pending.chain = ChainCaseOf(m);
  if (!pending.standardChain || !ChainLanes::Fits(pending.chain)) {
    pending.alone = std::make_unique<BayModel>(std::move(m));
  }
  return pending;
}

// What the workers share. Each outcome is written by the one worker that runs its case
// and read by the calling thread after the workers have ended.
struct Sweep {
  Sweep(std::vector<CaseOutcome>& allOutcomes, std::vector<char>& finishedCases)
      : outcomes(allOutcomes), finished(finishedCases) {}

  std::vector<PendingCase> pending;  // longest first
  std::vector<CaseOutcome>& outcomes;
  std::vector<char>& finished;  // by case index
  LaneCode code = LaneCode::Portable;
  std::atomic<std::size_t> next{0};  // the next pending case to start
  std::uint64_t totalSteps = 0;      // of the pending cases together
  std::atomic<std::uint64_t> stepsDone{0};
  std::atomic<bool> stop{false};

  std::mutex mutex;
  std::condition_variable workersEnded;
  unsigned running = 0;        // guarded by mutex
  std::exception_ptr failure;  // guarded by mutex
};

// Puts the progress callback's question: whether the sweep goes on. The first no stops the
// sweep, and the callback is not called again after it.
class ProgressQuestion {
 public:
  ProgressQuestion(Sweep& sweep, const SweepControl& control)
      : sweep_(sweep), control_(control), last_(Clock::now()) {}

  void Ask() {
    if (!control_.progress || stopAsked_) return;
    if (!control_.progress(sweep_.stepsDone.load(), sweep_.totalSteps)) {
      stopAsked_ = true;
      sweep_.stop = true;
    }
  }

  // Asks once the interval has passed since the last question or the start.
  void AskWhenDue() {
    const Clock::time_point now = Clock::now();
    if (now - last_ < kProgressInterval) return;
    last_ = now;
    Ask();
  }

 private:
  using Clock = std::chrono::steady_clock;
  Sweep& sweep_;
  const SweepControl& control_;
  Clock::time_point last_;
  bool stopAsked_ = false;
};

class Worker {
 public:
  // A worker on the calling thread, when no thread could be started, is given the progress
  // question to put between its blocks of steps, as the calling thread would while it waits.
  explicit Worker(Sweep& sweep, ProgressQuestion* progress = nullptr)
      : sweep_(sweep), progress_(progress) {
    // The mean of five boxes of one constituent, as ComputeBayMean forms it.
    meanModel_->ConstituentCount = 1;
    meanModel_->BayBoxCount = 5;
  }

  void Run() {
    for (int lane = 0; lane < ChainLanes::kLanes; ++lane)
      Fill(lane);
    while (!sweep_.stop.load(std::memory_order_relaxed)) {
      std::uint64_t block = kStepsPerBlock;
      bool any = false;
      for (int lane = 0; lane < ChainLanes::kLanes; ++lane) {
        if (lane_[lane] == nullptr) continue;
        any = true;
        block = std::min(block, lane_[lane]->steps - made_[lane]);
      }
      if (!any) break;
      const std::uint64_t made = lanes_->Step(block, sweep_.code);
      for (int lane = 0; lane < ChainLanes::kLanes; ++lane) {
        if (lane_[lane] == nullptr) continue;
        made_[lane] += made;
        Progress(made);
        const bool diverged = lanes_->Diverged(lane);
        if (diverged || made_[lane] == lane_[lane]->steps) {
          FinishLane(lane, diverged);
          Fill(lane);
        }
      }
      BetweenBlocks();
    }
  }

 private:
  // Puts the next pending case in the lane, or empties it when none is left. Cases that
  // the lanes cannot step are run here and now, one at a time.
  void Fill(int lane) {
    lane_[lane] = nullptr;
    made_[lane] = 0;
    lanes_->Clear(lane);
    while (!sweep_.stop.load(std::memory_order_relaxed)) {
      const std::size_t k = sweep_.next.fetch_add(1, std::memory_order_relaxed);
      if (k >= sweep_.pending.size()) return;
      PendingCase& p = sweep_.pending[k];
      if (p.alone) {
        RunAlone(p);
        continue;
      }
      lanes_->Load(lane, p.chain);
      lane_[lane] = &p;
      return;
    }
  }

  void FinishLane(int lane, bool diverged) {
    const PendingCase& p = *lane_[lane];
    CaseOutcome& out = sweep_.outcomes[p.index];
    out.stepsDone = made_[lane];
    for (int b = 1; b <= 5; ++b) {
      out.concentrations[b - 1] = lanes_->Concentration(lane, b);
      meanModel_->Concentration[1][b] = out.concentrations[b - 1];
    }
    if (diverged) {
      Abandon(out, p.breakdown);
      Progress(p.steps - made_[lane]);  // the steps it will not make
    } else {
      FinishWithMean(*meanModel_, out);
    }
    Finished(p.index);
  }

  void RunAlone(PendingCase& p) {
    BayModel& m = *p.alone;
    CaseOutcome& out = sweep_.outcomes[p.index];
    while (out.stepsDone < p.steps) {
      if (sweep_.stop.load(std::memory_order_relaxed)) return;
      const std::uint64_t block = std::min(kStepsPerBlock, p.steps - out.stepsDone);
      const SteppingResult made =
          p.standardChain ? m.AdvanceTimeSteps(block) : m.AdvanceGeneralTimeSteps(block);
      out.stepsDone += made.stepsMade;
      Progress(made.stepsMade);
      if (made.diverged) {
        KeepConcentrations(m, out);
        Abandon(out, p.breakdown);
        Progress(p.steps - out.stepsDone);
        Finished(p.index);
        return;
      }
      BetweenBlocks();
    }
    KeepConcentrations(m, out);
    FinishWithMean(m, out);
    Finished(p.index);
  }

  void Finished(std::size_t index) { sweep_.finished[index] = 1; }

  void Progress(std::uint64_t steps) {
    sweep_.stepsDone.fetch_add(steps, std::memory_order_relaxed);
  }

  void BetweenBlocks() {
    if (progress_ != nullptr) progress_->AskWhenDue();
  }

  Sweep& sweep_;
  ProgressQuestion* progress_;
  // On the heap: together they are larger than a thread's stack should carry.
  std::unique_ptr<ChainLanes> lanes_ = std::make_unique<ChainLanes>();
  std::unique_ptr<BayModel> meanModel_ = std::make_unique<BayModel>();
  std::array<PendingCase*, ChainLanes::kLanes> lane_{};
  std::array<std::uint64_t, ChainLanes::kLanes> made_{};
};

void WorkerMain(Sweep& sweep) {
  try {
    Worker worker(sweep);
    worker.Run();
  } catch (...) {
    std::lock_guard lock(sweep.mutex);
    if (!sweep.failure) sweep.failure = std::current_exception();
    sweep.stop = true;
  }
  std::lock_guard lock(sweep.mutex);
  --sweep.running;
  sweep.workersEnded.notify_all();
}

// Joins the workers however the calling thread leaves, stopping them first if it leaves
// early (an exception from the progress callback).
class WorkerThreads {
 public:
  WorkerThreads(Sweep& sweep, ThreadStarter& starter) : sweep_(sweep), starter_(starter) {}
  WorkerThreads(const WorkerThreads&) = delete;
  WorkerThreads& operator=(const WorkerThreads&) = delete;
  // The threads join as they are destroyed, after the stop.
  ~WorkerThreads() { sweep_.stop = true; }

  // Starts one more worker; false when no thread could be had for it.
  bool Start() {
    {
      std::lock_guard lock(sweep_.mutex);
      ++sweep_.running;
    }
    std::unique_ptr<StartedThread> thread =
        starter_.Start([&sweep = sweep_] { WorkerMain(sweep); });
    if (thread == nullptr) {
      std::lock_guard lock(sweep_.mutex);
      --sweep_.running;
      return false;
    }
    threads_.push_back(std::move(thread));
    return true;
  }

  void JoinAll() { threads_.clear(); }

 private:
  Sweep& sweep_;
  ThreadStarter& starter_;
  std::vector<std::unique_ptr<StartedThread>> threads_;
};

unsigned WorkerCount(const SweepControl& control, std::size_t pendingCases) {
  unsigned count = control.threads;
  if (count == 0) count = std::max(1u, std::thread::hardware_concurrency());
  return static_cast<unsigned>(std::min<std::size_t>(count, pendingCases));
}

}  // namespace

std::vector<CaseOutcome> RunCases(const BayModel& conditions,
                                  std::span<const MultiplierChoice> cases,
                                  const SweepControl& control) {
  for (const MultiplierChoice& choice : cases) {
    for (std::size_t i = 0; i < kLists.size(); ++i) {
      if (choice[i] < 0 ||
          static_cast<std::size_t>(choice[i]) >= MultiplierEntries(kLists[i]).size())
        throw std::out_of_range("RunCases: multiplier entry index " + std::to_string(choice[i]) +
                                " outside its list");
    }
  }

  std::vector<CaseOutcome> outcomes(cases.size());
  std::vector<char> finished(cases.size(), 0);
  Sweep sweep(outcomes, finished);
  sweep.code = control.useAvx2 ? BestLaneCode() : LaneCode::Portable;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    std::optional<PendingCase> pending = SetUp(conditions, cases[i], i, outcomes[i]);
    if (pending) {
      sweep.totalSteps += pending->steps;
      sweep.pending.push_back(std::move(*pending));
    } else {
      finished[i] = 1;
    }
  }
  // Longest first, so that the last cases to finish are short ones and the lanes and the
  // cores stay busy until nearly the end.
  std::stable_sort(sweep.pending.begin(), sweep.pending.end(),
                   [](const PendingCase& a, const PendingCase& b) { return a.steps > b.steps; });

  {
    WorkerThreads workers(sweep,
                          control.threadStarter ? *control.threadStarter : PlatformThreads());
    ProgressQuestion progress(sweep, control);
    const unsigned count = WorkerCount(control, sweep.pending.size());
    unsigned started = 0;
    // The first thread refused means the system has no more to give: no use asking again.
    while (started < count && workers.Start())
      ++started;

    if (count > 0 && started == 0) {
      // Not one thread: the calling thread is the sweep's only worker.
      Worker(sweep, &progress).Run();
    } else {
      std::unique_lock lock(sweep.mutex);
      while (!sweep.workersEnded.wait_for(lock, kProgressInterval,
                                          [&] { return sweep.running == 0; })) {
        lock.unlock();
        progress.Ask();
        lock.lock();
      }
      lock.unlock();
      workers.JoinAll();
    }
  }
  if (sweep.failure) std::rethrow_exception(sweep.failure);

  for (std::size_t i = 0; i < cases.size(); ++i) {
    if (finished[i]) continue;
    outcomes[i] = CaseOutcome{};
    outcomes[i].choice = cases[i];
    Abandon(outcomes[i], RunStatus::Cancelled);
    outcomes[i].bayAverage = kNoMean;
  }
  return outcomes;
}

std::optional<int> CurrentEntry(const BayModel& model, MultiplierList list) {
  const std::span<const std::string_view> entries = MultiplierEntries(list);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const double factor = *MultiplierFactor(list, entries[i]);
    bool same = false;
    switch (list) {
      case MultiplierList::Section:
        same = model.SectionFactor == factor;
        break;
      case MultiplierList::Quality:
        same = model.QualityFactor == static_cast<float>(factor);
        break;
      case MultiplierList::Quantity:
        same = model.QuantityFactor == factor;
        break;
    }
    if (same) return static_cast<int>(i);
  }
  return std::nullopt;
}

std::vector<MultiplierChoice> SweepChoices(const BayModel& conditions, bool section, bool quality,
                                           bool quantity) {
  const std::array<bool, 3> swept = {section, quality, quantity};
  std::array<std::vector<int>, 3> values;
  for (std::size_t i = 0; i < kLists.size(); ++i) {
    if (swept[i]) {
      for (std::size_t e = 0; e < MultiplierEntries(kLists[i]).size(); ++e)
        values[i].push_back(static_cast<int>(e));
      continue;
    }
    const std::optional<int> current = CurrentEntry(conditions, kLists[i]);
    if (!current) {
      throw std::invalid_argument("SweepChoices: a factor is not an entry of its list");
    }
    values[i].push_back(*current);
  }
  std::vector<MultiplierChoice> choices;
  for (int s : values[0]) {
    for (int q : values[1]) {
      for (int v : values[2])
        choices.push_back({s, q, v});
    }
  }
  return choices;
}

}  // namespace kurimo
