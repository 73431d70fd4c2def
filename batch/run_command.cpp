#include "run_command.h"

#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "console.h"
#include "exit_status.h"
#include "file_messages.h"
#include "number_text.h"
#include "progress_line.h"
#include "run_messages.h"
#include "series_csv.h"
#include "stop_signals.h"
#include "target_load.h"

namespace kurimo::batch {
namespace {

// Prints the warning, and progress on a terminal once a run has lasted a second.
class ConsoleObserver final : public RunObserver {
 public:
  void ShowWarning(std::string_view message, std::string_view title) override {
    SayOnStandardError(std::string(title) + ": " + std::string(message));
  }

  bool ContinueRun(std::uint64_t stepsDone, std::uint64_t stepCount) override {
    if (StopAsked()) return false;
    progress_.Show(stepsDone, stepCount);
    return true;
  }

  void Finish() { progress_.Remove(); }

 private:
  ProgressLine progress_{"計算中", "ステップ"};
};

int ExitCodeOf(RunStatus status) {
  switch (status) {
    case RunStatus::Completed:
      return kExitOk;
    case RunStatus::OutputFileFailed:
      return kExitFileError;
    case RunStatus::Cancelled:
      return ExitStatusForSignal(StopSignal());
    default:
      return kExitRunFault;
  }
}

nlohmann::json ResultJson(const BayModel& model, const RunResult& result,
                          const std::string& outputPath) {
  nlohmann::json j;
  j["status"] = RunStatusName(result.status);
  j["output_file"] = outputPath;
  j["warning"] = result.mouthVelocityWarning;
  if (result.status == RunStatus::ValueTooLarge) {
    j["too_large"] = result.tooLarge.condition == LargeCondition::InflowQuality
                         ? "inflow_quality"
                         : "open_sea_quality";
  }
  if (result.status == RunStatus::OutputFileFailed) return j;
  j["steps"] = result.stepCount;
  j["steps_done"] = result.stepsDone;
  j["time_step_minutes"] = model.TimeStepMinutes;
  j["rule_time_step_minutes"] = model.RuleTimeStepMinutes;
  j["time_step_reduced"] = model.TimeStepReduced();
  j["calculation_days"] = model.CalculationDays;
  const Indicators ind = model.ComputeIndicators();
  j["indicators"] = {
      {"changed_mouth_section_km2", ind.changedMouthSection},
      {"changed_inflow_load_g_per_s", ind.changedInflowLoad},
      {"eddy_diffusivity_m2_per_s", ind.eddyDiffusivity},
      {"mean_velocity_cm_per_s", ind.meanVelocity},
      {"residence_time_days", ind.residenceTime},
      {"closedness_index", ind.closedness},
      {"load_per_volume_g_per_m3_per_day", ind.loadPerVolume},
  };
  const bool stepped =
      result.status == RunStatus::Completed || result.status == RunStatus::Diverged ||
      result.status == RunStatus::ValueTooLarge || result.status == RunStatus::Cancelled;
  if (stepped) {
    const StabilityVerdict verdict = model.DiagnoseStability();
    j["stable"] = verdict.stable;
    j["step_times_eigenvalue"] = verdict.stepTimesEigenvalue;
    j["steady_state"] = model.SteadyState();
    j["flushing_time_days"] = model.FlushingTimeDays();
    // The state is finite unless the run blew up.
    if (result.status != RunStatus::Diverged && result.status != RunStatus::ValueTooLarge) {
      j["convergence"] = model.Convergence();
    }
  }
  if (result.status != RunStatus::Completed) return j;
  j["bay_average"] = model.BayAverage[1];
  j["bay_average_rounded"] = RoundHalfEven(model.BayAverage[1], 2);
  nlohmann::json concentrations = nlohmann::json::array();
  for (int b = 1; b <= 5; ++b)
    concentrations.push_back(model.Concentration[1][b]);
  j["concentrations"] = concentrations;
  return j;
}

// The load for the target mean (--target-mean) as JSON: unrounded figures, or
// reachable false with the lowest mean a clean river gives.
nlohmann::json TargetJson(const TargetLoad& t) {
  nlohmann::json j;
  j["bay_mean"] = t.targetMean;
  j["reachable"] = t.status == TargetStatus::Reachable;
  if (t.status != TargetStatus::NotComputable) {
    j["lowest_reachable_bay_mean"] = t.lowestReachableMean;
  }
  switch (t.status) {
    case TargetStatus::Reachable:
      break;
    case TargetStatus::BelowCleanRiver:
      j["reason"] = "below_clean_river";
      return j;
    case TargetStatus::TooLarge:
      j["reason"] = "too_large";
      return j;
    case TargetStatus::NotComputable:
      j["reason"] = "not_computable";
      return j;
  }
  j["load_g_per_s"] = t.load;
  j["inflow_quality_g_per_m3"] = t.inflowQuality;
  j["inflow_quality_text"] = t.inflowQualityText;
  // Not a number (no load now) is written as null.
  j["reduction_percent"] = t.reductionPercent;
  j["steady_state"] = t.steadyState;
  return j;
}

// The same in Japanese lines, after the result message.
void PrintTarget(const TargetLoad& t) {
  const TargetTexts texts = FormatTargetLoad(t);
  std::cout << "[負荷削減の試算]\n"
            << "目標の湾内平均水質(g/m3)=" << texts.targetMean << '\n';
  if (!texts.note.empty()) {
    std::cout << texts.note << '\n';
    return;
  }
  std::cout << "許容負荷量(g/秒)=" << texts.load << '\n'
            << "流入水質(g/m3)=" << texts.inflowQuality << "（入力テキスト" << t.inflowQualityText
            << "）\n"
            << "現在の負荷からの削減率(%)=" << texts.reduction << '\n'
            << "目標でのボックス1～5 の定常値(g/m3)=";
  for (const std::string& box : texts.steadyState)
    std::cout << box;
  std::cout << '\n' << "負荷 0 での湾内平均水質(g/m3)=" << texts.lowestReachableMean << '\n';
}

}  // namespace

int RunSingleCommand(BayModel& model, const BatchOptions& options) {
  ConsoleObserver observer;
  RunResult result = model.RunSimulation(options.outputPath, observer);
  observer.Finish();
  // A stop that ended a wait for the output file (a slow pipe) stopped the run.
  if (StopAsked() && result.status == RunStatus::OutputFileFailed) {
    result.status = RunStatus::Cancelled;
  }

  if (result.status != RunStatus::Completed) {
    const UserMessage fault = RunFaultMessage(result, options.outputPath, MessagePlace::Terminal);
    SayOnStandardError(fault.title + ": " + fault.text);
  }
  int exitCode = ExitCodeOf(result.status);
  // Like the report, the series is written only for a run that completed: a run that stopped
  // or failed leaves the earlier file as it was.
  if (options.seriesPath && result.status == RunStatus::Completed) {
    const auto reason = StopAsked() ? std::optional<std::string>()
                                    : WriteSeriesCsv(*options.seriesPath, model.Series);
    if (StopAsked()) {
      SayOnStandardError("中止しました。計算は終わり、出力ファイル「" + options.outputPath +
                         "」は書きましたが、時系列のCSVファイル「" + *options.seriesPath +
                         "」は書き換えていません。");
      return ExitStatusForSignal(StopSignal());
    }
    if (reason) {
      const UserMessage m =
          SeriesFileFailedMessage(*options.seriesPath, *reason, MessagePlace::Terminal);
      SayOnStandardError(m.title + ": " + m.text);
      exitCode = kExitFileError;
    }
  }
  // The target's figures come from the case's own set-up, whatever became of the run.
  std::optional<TargetLoad> target;
  if (options.targetText) {
    target = FindTargetLoadForCase(model, TextToNumber(*options.targetText));
  }
  if (options.json) {
    nlohmann::json j = ResultJson(model, result, options.outputPath);
    if (target) j["target"] = TargetJson(*target);
    // A path given in another encoding than UTF-8 is shown with replacement characters.
    std::cout << j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
  } else {
    if (result.status == RunStatus::Completed) {
      std::string text = RunResultMessage(model).text;
      for (char& c : text) {
        if (c == '\r') c = '\n';
      }
      std::cout << text << '\n';
    }
    if (target) PrintTarget(*target);
  }
  if (!StandardOutputWritten() && exitCode == kExitOk) exitCode = kExitFileError;
  if (StopAsked()) return ExitStatusForSignal(StopSignal());
  return exitCode;
}

}  // namespace kurimo::batch
