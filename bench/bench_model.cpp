// Speed of the bay model: one whole default run, the cost of recording the time series in a
// long run, and the time per step of a long run through the unrolled chain step and through
// the general step over the arrays.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bay_model.h"

namespace {

class QuietObserver final : public kurimo::RunObserver {
 public:
  void ShowWarning(std::string_view, std::string_view) override {}
  bool ContinueRun(std::uint64_t, std::uint64_t) override { return true; }
};

std::string OutputPath() {
  return (std::filesystem::temp_directory_path() / "kurimo-bench-out.txt").string();
}

// A whole run, file included, of the default case with the given inflow-rate text.
void BM_WholeRun(benchmark::State& state, const char* inflowRate) {
  kurimo::BayModel model;
  model.LoadDefaultCase();
  model.AcceptInflowRate(inflowRate);
  QuietObserver observer;
  const std::string path = OutputPath();
  for (auto _ : state) {
    const kurimo::RunResult r = model.RunSimulation(path, observer);
    benchmark::DoNotOptimize(r.stepsDone);
  }
  std::filesystem::remove(path);
}
// 12,623 steps.
BENCHMARK_CAPTURE(BM_WholeRun, DefaultCase, " 331")->Unit(benchmark::kMillisecond);
// 8,356,547 steps.
BENCHMARK_CAPTURE(BM_WholeRun, InflowRateHalf, "0.5")->Unit(benchmark::kMillisecond)->Iterations(3);

// The long run of an inflow rate of 0.5 m3/s (8,356,547 steps), set up but not stepped.
kurimo::BayModel LongRunCase() {
  kurimo::BayModel model;
  model.LoadDefaultCase();
  model.AcceptInflowRate("0.5");
  QuietObserver observer;
  model.InitialiseModelArrays();
  model.SetUpCase(observer);
  model.ComputeLoadRates();
  return model;
}

// The stepping of the long run alone, in the observer's blocks of 32768 steps and without
// recording a time series or writing a file: what a whole run of the same case costs beyond
// this is the price of the series (about 2000 points) and the output file.
void BM_LongRunSteppingOnly(benchmark::State& state) {
  const kurimo::BayModel start = LongRunCase();
  constexpr std::uint64_t kSteps = 8356547;
  for (auto _ : state) {
    kurimo::BayModel model = start;
    std::uint64_t done = 0;
    while (done < kSteps) {
      done += model.AdvanceTimeSteps(std::min<std::uint64_t>(32768, kSteps - done)).stepsMade;
    }
    benchmark::DoNotOptimize(model.Concentration[1][1]);
  }
}
BENCHMARK(BM_LongRunSteppingOnly)->Unit(benchmark::kMillisecond)->Iterations(3);

constexpr std::uint64_t kStepsPerIteration = 100000;

void ReportPerStep(benchmark::State& state) {
  // Seconds per step, shown with an SI prefix (n = nanoseconds).
  state.counters["time_per_step"] = benchmark::Counter(
      static_cast<double>(kStepsPerIteration),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_LongRunChainStep(benchmark::State& state) {
  const kurimo::BayModel start = LongRunCase();
  kurimo::BayModel model = start;
  for (auto _ : state) {
    const kurimo::SteppingResult made = model.AdvanceTimeSteps(kStepsPerIteration);
    benchmark::DoNotOptimize(made.stepsMade);
  }
  ReportPerStep(state);
}
BENCHMARK(BM_LongRunChainStep)->Unit(benchmark::kMillisecond);

void BM_LongRunGeneralStep(benchmark::State& state) {
  kurimo::BayModel model = LongRunCase();
  for (auto _ : state) {
    for (std::uint64_t i = 0; i < kStepsPerIteration; ++i)
      model.AdvanceTimeStep();
    benchmark::DoNotOptimize(model.Concentration[1][1]);
  }
  ReportPerStep(state);
}
BENCHMARK(BM_LongRunGeneralStep)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
