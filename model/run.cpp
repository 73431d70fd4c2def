#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "bay_model.h"
#include "output_file.h"

namespace kurimo {
namespace {

// Steps between two calls of the observer: a few milliseconds of stepping, so that a
// cancel or a progress display answers at once while the calls cost nothing measurable.
constexpr std::uint64_t kStepsPerBlock = 1u << 15;

// Step counts up to 2^53 are whole numbers that a double holds exactly.
constexpr double kMaxStepCount = 9007199254740992.0;

bool AllFinite(std::initializer_list<double> values) {
  double sum = 0;
  for (double v : values)
    sum += v * 0;  // 0 for a finite value, NaN otherwise
  return sum == 0;
}

}  // namespace

RunPlan BayModel::PlanSteps() const {
  RunPlan plan;
  if (TimeStepMinutes == 0) {
    plan.status = RunStatus::ZeroTimeStep;
    return plan;
  }
  const Indicators ind = ComputeIndicators();
  const bool caseFinite = AllFinite(
      {BayVolumeM3, BayAreaM2, MouthArea, BayLength, ChangedInflowRate,
       static_cast<double>(EddyDiffusivity), TimeStepMinutes, CalculationDays,
       static_cast<double>(ExchangeCoefficient[1][2]), DailyLoad[1][1], Concentration[1][1],
       ind.changedMouthSection, ind.changedInflowLoad, ind.eddyDiffusivity, ind.meanVelocity,
       ind.residenceTime, ind.closedness, ind.loadPerVolume});
  if (!caseFinite || TimeStepMinutes < 0) {
    plan.status = RunStatus::NonFiniteCase;
    return plan;
  }
  // The period in minutes over the step in minutes, halves rounded up.
  const double steps = std::floor(((CalculationDays * 24) * 60) / TimeStepMinutes + 0.5);
  if (!(steps <= kMaxStepCount)) {
    plan.status = RunStatus::TooManySteps;
    return plan;
  }
  plan.stepCount = steps > 0 ? static_cast<std::uint64_t>(steps) : 0;
  return plan;
}

RunPreparation BayModel::PrepareRun(RunObserver& observer) {
  RunPreparation prepared;
  InitialiseModelArrays();
  prepared.mouthVelocityWarning = SetUpCase(observer);
  prepared.plan = PlanSteps();
  prepared.plan.exchangeTooFast =
      prepared.plan.status == RunStatus::ZeroTimeStep && RuleTimeStepMinutes > 0;
  if (prepared.plan.status == RunStatus::Completed) ComputeLoadRates();
  return prepared;
}

RunResult BayModel::RunSimulation(const std::string& outputPath, RunObserver& observer) {
  Series = TimeSeries{};
  RunResult result;
  // The report goes to a file of its own until the run has completed; only then does it
  // replace the earlier report, so a run that ends early leaves that one as it was.
  OutputFile file;
  auto fileFailed = [&] {
    result.status = RunStatus::OutputFileFailed;
    result.systemReason = file.Error();
    file.Discard();
    return result;
  };
  if (!file.Open(outputPath)) return fileFailed();

  const RunPreparation prepared = PrepareRun(observer);
  result.mouthVelocityWarning = prepared.mouthVelocityWarning;
  Series.openSea = Concentration[1][BoxCount];
  Series.timeStepMinutes = TimeStepMinutes;
  WriteConditionsAndIndicators(file);
  // The lines reach the disk before the long part of the run, so that a full disk is
  // reported now rather than after the stepping.
  if (!file.Flush()) return fileFailed();

  auto abandon = [&](RunStatus status) {
    result.status = status;
    file.Discard();
    return result;
  };
  // Values that became infinite or not a number: an overflow of the single-precision
  // terms when a quality is that large, otherwise a step that went unstable.
  auto diverged = [&] {
    result.tooLarge = ValueBeyondSinglePrecision();
    return abandon(result.tooLarge.condition == LargeCondition::None ? RunStatus::Diverged
                                                                     : RunStatus::ValueTooLarge);
  };

  result.exchangeTooFast = prepared.plan.exchangeTooFast;
  if (prepared.plan.status != RunStatus::Completed) return abandon(prepared.plan.status);
  result.stepCount = prepared.plan.stepCount;

  // The steps go in chunks that end where a point of the series is due or the observer is
  // called, whichever comes first. A chunk boundary changes nothing: each step starts
  // afresh from the concentrations alone.
  const std::uint64_t stepCount = result.stepCount;
  const std::uint64_t stride = SeriesStride(stepCount);
  Series.points.reserve(static_cast<std::size_t>(stepCount / stride + 2));
  RecordSeriesPoint(0);
  std::uint64_t nextPoint = std::min(stride, stepCount);
  std::uint64_t nextCall = std::min(kStepsPerBlock, stepCount);
  const bool fastChain = UsesStandardChain();
  while (result.stepsDone < stepCount) {
    const std::uint64_t chunk = std::min(nextPoint, nextCall) - result.stepsDone;
    const SteppingResult made =
        fastChain ? AdvanceTimeSteps(chunk) : AdvanceGeneralTimeSteps(chunk);
    result.stepsDone += made.stepsMade;
    if (made.diverged) return diverged();
    if (result.stepsDone == nextPoint) {
      RecordSeriesPoint(result.stepsDone);
      nextPoint = std::min(nextPoint + stride, stepCount);
    }
    if (result.stepsDone == nextCall && result.stepsDone < stepCount) {
      if (!observer.ContinueRun(result.stepsDone, stepCount)) {
        return abandon(RunStatus::Cancelled);
      }
      nextCall = std::min(nextCall + kStepsPerBlock, stepCount);
    }
  }

  ComputeBayMean();
  if (!std::isfinite(BayAverage[1])) return diverged();
  // A stop asked for during the last block still keeps the earlier report.
  if (!observer.ContinueRun(result.stepsDone, stepCount)) return abandon(RunStatus::Cancelled);
  WriteBayMean(file);
  if (!file.Commit()) return fileFailed();
  return result;
}

void BayModel::RecordSeriesPoint(std::uint64_t step) {
  SeriesPoint point;
  point.step = step;
  point.day = (static_cast<double>(step) * TimeStepMinutes) / 1440;
  for (int b = 1; b <= 5; ++b)
    point.concentration[static_cast<std::size_t>(b - 1)] = Concentration[1][b];
  Series.points.push_back(point);
}

}  // namespace kurimo
