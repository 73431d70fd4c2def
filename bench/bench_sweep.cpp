// Speed of a sweep: the 448 cases of the default conditions (every entry of the three
// multiplier lists) run one after another on one core, and through RunCases. Times are
// wall-clock: RunCases works on other threads. Run with --benchmark_repetitions=5 (or more
// when other work shares the machine) and compare the medians.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "bay_model.h"
#include "case_inputs.h"
#include "sweep.h"

namespace {

class QuietObserver final : public kurimo::RunObserver {
 public:
  void ShowWarning(std::string_view, std::string_view) override {}
  bool ContinueRun(std::uint64_t, std::uint64_t) override { return true; }
};

constexpr std::array<kurimo::MultiplierList, 3> kLists = {kurimo::MultiplierList::Section,
                                                          kurimo::MultiplierList::Quality,
                                                          kurimo::MultiplierList::Quantity};

kurimo::BayModel DefaultConditions() {
  kurimo::BayModel m;
  m.LoadDefaultCase();
  return m;
}

kurimo::BayModel WithChoice(const kurimo::BayModel& conditions,
                            const kurimo::MultiplierChoice& choice) {
  kurimo::BayModel m = conditions;
  for (std::size_t i = 0; i < kLists.size(); ++i) {
    const std::string_view entry = kurimo::MultiplierEntries(kLists[i])[choice[i]];
    kurimo::SetMultiplier(m, kLists[i], *kurimo::MultiplierFactor(kLists[i], entry));
  }
  return m;
}

void ReportCases(benchmark::State& state, std::size_t cases) {
  state.counters["cases_per_second"] =
      benchmark::Counter(static_cast<double>(cases), benchmark::Counter::kIsIterationInvariantRate);
}

// The existing single-run path, as the window's start button takes it, file included.
void BM_SweepSerialRunSimulation(benchmark::State& state) {
  const kurimo::BayModel conditions = DefaultConditions();
  const std::vector<kurimo::MultiplierChoice> choices =
      kurimo::SweepChoices(conditions, true, true, true);
  const std::string path =
      (std::filesystem::temp_directory_path() / "kurimo-bench-sweep-out.txt").string();
  QuietObserver observer;
  for (auto _ : state) {
    for (const kurimo::MultiplierChoice& c : choices) {
      kurimo::BayModel m = WithChoice(conditions, c);
      const kurimo::RunResult r = m.RunSimulation(path, observer);
      benchmark::DoNotOptimize(r.stepsDone);
    }
  }
  std::filesystem::remove(path);
  ReportCases(state, choices.size());
}
BENCHMARK(BM_SweepSerialRunSimulation)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same cases stepped one after another without the file: set-up, the unrolled chain
// step, the mean. What is left of a single run once the file is taken away.
void BM_SweepSerialStepping(benchmark::State& state) {
  const kurimo::BayModel conditions = DefaultConditions();
  const std::vector<kurimo::MultiplierChoice> choices =
      kurimo::SweepChoices(conditions, true, true, true);
  QuietObserver observer;
  for (auto _ : state) {
    for (const kurimo::MultiplierChoice& c : choices) {
      kurimo::BayModel m = WithChoice(conditions, c);
      m.InitialiseModelArrays();
      m.SetUpCase(observer);
      m.ComputeLoadRates();
      const double steps = std::floor(((m.CalculationDays * 24) * 60) / m.TimeStepMinutes + 0.5);
      m.AdvanceTimeSteps(static_cast<std::uint64_t>(steps));
      m.ComputeBayMean();
      benchmark::DoNotOptimize(m.BayAverage[1]);
    }
  }
  ReportCases(state, choices.size());
}
BENCHMARK(BM_SweepSerialStepping)->Unit(benchmark::kMillisecond)->UseRealTime();

// RunCases with the given number of worker threads (0: one per core); the second argument
// 0 keeps to the stepping code without AVX2.
void BM_SweepRunCases(benchmark::State& state) {
  const kurimo::BayModel conditions = DefaultConditions();
  const std::vector<kurimo::MultiplierChoice> choices =
      kurimo::SweepChoices(conditions, true, true, true);
  kurimo::SweepControl control;
  control.threads = static_cast<unsigned>(state.range(0));
  control.useAvx2 = state.range(1) != 0;
  for (auto _ : state) {
    const std::vector<kurimo::CaseOutcome> outcomes =
        kurimo::RunCases(conditions, choices, control);
    benchmark::DoNotOptimize(outcomes.data());
  }
  ReportCases(state, choices.size());
}
BENCHMARK(BM_SweepRunCases)
    ->ArgNames({"threads", "avx2"})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
