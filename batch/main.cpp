// kurimo-batch: runs one case of the bay model without a window, as the start button would,
// and writes the output file. Conditions are given as the texts a user would type into
// the boxes, or come from a saved case file; each goes through its box's check. The run's
// time series can be written as a CSV file.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "bay_model.h"
#include "case_file.h"
#include "case_inputs.h"
#include "echo_text.h"
#include "exit_status.h"
#include "kurimo_version.h"
#include "number_text.h"
#include "output_file.h"
#include "progress_line.h"
#include "run_messages.h"
#include "series_csv.h"
#include "sweep_command.h"
#include "target_load.h"

namespace {

using kurimo::ConditionBox;
using kurimo::MultiplierList;
using kurimo::batch::kExitBadInput;
using kurimo::batch::kExitFileError;
using kurimo::batch::kExitOk;
using kurimo::batch::kExitRunFault;

// The signal that asked the program to stop (SIGINT, SIGTERM or SIGHUP), or 0. The handler
// only notes it: the run stops at its next look, removes its unfinished files and leaves
// every earlier file as it was.
volatile std::sig_atomic_t g_stopSignal = 0;

extern "C" void OnStopSignal(int signalNumber) {
  if (g_stopSignal == 0) g_stopSignal = signalNumber;
}

void InstallStopHandlers() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  for (int signalNumber : {SIGINT, SIGTERM, SIGHUP})
    sigaction(signalNumber, &action, nullptr);
}

bool StopAsked() {
  return g_stopSignal != 0;
}

int StoppedStatus() {
  return kurimo::batch::ExitStatusForSignal(g_stopSignal);
}

// Standard output, flushed; false (with the reason on standard error) when what was
// written did not arrive: a full disk, a closed descriptor. The caller is then told so.
bool StandardOutputWritten() {
  errno = 0;
  std::cout.flush();
  if (std::cout) return true;
  const int error = errno;
  std::cerr << "標準出力に書き込めません（"
            << (error != 0 ? kurimo::DescribeSystemError(error)
                           : std::string("書き込みに失敗しました"))
            << "）。結果は失われました。\n";
  return false;
}

struct ConditionOption {
  const char* name;
  ConditionBox box;
  const char* help;
};

constexpr std::array<ConditionOption, 6> kConditionOptions = {{
    {"--bay-area", ConditionBox::BayArea, "湾面積(km2) の入力テキスト（既定 \" 1000\"）"},
    {"--mean-depth", ConditionBox::MeanDepth, "平均水深(m) の入力テキスト（既定 \" 18\"）"},
    {"--mouth-length", ConditionBox::MouthLength, "湾口部長さ(km) の入力テキスト（既定 \" 7\"）"},
    {"--open-sea-quality", ConditionBox::OpenSeaQuality,
     "外海水水質(g/m3) の入力テキスト（既定 \" 2.4\"）"},
    {"--inflow-quality", ConditionBox::InflowQuality,
     "流入水水質(g/m3) の入力テキスト（既定 \" 10\"）"},
    {"--inflow-rate", ConditionBox::InflowRate,
     "流入水流量(m3/秒) の入力テキスト（既定 \" 331\"）"},
}};

struct MultiplierOption {
  const char* name;
  MultiplierList list;
  const char* help;
};

constexpr std::array<MultiplierOption, 3> kMultiplierOptions = {{
    {"--section-factor", MultiplierList::Section, "湾口部断面積の倍率"},
    {"--quality-factor", MultiplierList::Quality, "流入水水質の倍率"},
    {"--quantity-factor", MultiplierList::Quantity, "流入水流量の倍率"},
}};

// Prints the warning, and progress on a terminal once a run has lasted a second.
class ConsoleObserver final : public kurimo::RunObserver {
 public:
  void ShowWarning(std::string_view message, std::string_view title) override {
    std::cerr << title << ": " << message << '\n';
  }

  bool ContinueRun(std::uint64_t stepsDone, std::uint64_t stepCount) override {
    if (StopAsked()) return false;
    progress_.Show(stepsDone, stepCount);
    return true;
  }

  void Finish() { progress_.Remove(); }

 private:
  kurimo::batch::ProgressLine progress_{"計算中", "ステップ"};
};

int ExitCodeOf(kurimo::RunStatus status) {
  switch (status) {
    case kurimo::RunStatus::Completed:
      return kExitOk;
    case kurimo::RunStatus::OutputFileFailed:
      return kExitFileError;
    case kurimo::RunStatus::Cancelled:
      return StoppedStatus();
    default:
      return kExitRunFault;
  }
}

nlohmann::json ResultJson(const kurimo::BayModel& model, const kurimo::RunResult& result,
                          const std::string& outputPath) {
  nlohmann::json j;
  j["status"] = kurimo::RunStatusName(result.status);
  j["output_file"] = outputPath;
  j["warning"] = result.mouthVelocityWarning;
  if (result.status == kurimo::RunStatus::ValueTooLarge) {
    j["too_large"] = result.tooLarge.condition == kurimo::LargeCondition::InflowQuality
                         ? "inflow_quality"
                         : "open_sea_quality";
  }
  if (result.status == kurimo::RunStatus::OutputFileFailed) return j;
  j["steps"] = result.stepCount;
  j["steps_done"] = result.stepsDone;
  j["time_step_minutes"] = model.TimeStepMinutes;
  j["rule_time_step_minutes"] = model.RuleTimeStepMinutes;
  j["time_step_reduced"] = model.TimeStepReduced();
  j["calculation_days"] = model.CalculationDays;
  const kurimo::Indicators ind = model.ComputeIndicators();
  j["indicators"] = {
      {"changed_mouth_section_km2", ind.changedMouthSection},
      {"changed_inflow_load_g_per_s", ind.changedInflowLoad},
      {"eddy_diffusivity_m2_per_s", ind.eddyDiffusivity},
      {"mean_velocity_cm_per_s", ind.meanVelocity},
      {"residence_time_days", ind.residenceTime},
      {"closedness_index", ind.closedness},
      {"load_per_volume_g_per_m3_per_day", ind.loadPerVolume},
  };
  const bool stepped = result.status == kurimo::RunStatus::Completed ||
                       result.status == kurimo::RunStatus::Diverged ||
                       result.status == kurimo::RunStatus::ValueTooLarge ||
                       result.status == kurimo::RunStatus::Cancelled;
  if (stepped) {
    const kurimo::StabilityVerdict verdict = model.DiagnoseStability();
    j["stable"] = verdict.stable;
    j["step_times_eigenvalue"] = verdict.stepTimesEigenvalue;
    j["steady_state"] = model.SteadyState();
    j["flushing_time_days"] = model.FlushingTimeDays();
    // The state is finite unless the run blew up.
    if (result.status != kurimo::RunStatus::Diverged &&
        result.status != kurimo::RunStatus::ValueTooLarge) {
      j["convergence"] = model.Convergence();
    }
  }
  if (result.status != kurimo::RunStatus::Completed) return j;
  j["bay_average"] = model.BayAverage[1];
  j["bay_average_rounded"] = kurimo::RoundHalfEven(model.BayAverage[1], 2);
  nlohmann::json concentrations = nlohmann::json::array();
  for (int b = 1; b <= 5; ++b)
    concentrations.push_back(model.Concentration[1][b]);
  j["concentrations"] = concentrations;
  return j;
}

// The load for the target mean (--target-mean) as JSON: unrounded figures, or
// reachable false with the lowest mean a clean river gives.
nlohmann::json TargetJson(const kurimo::TargetLoad& t) {
  using kurimo::TargetStatus;
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
void PrintTarget(const kurimo::TargetLoad& t) {
  const kurimo::TargetTexts texts = kurimo::FormatTargetLoad(t);
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

// The place of the option's last occurrence on the command line, or -1 when it is absent.
std::ptrdiff_t LastPosition(const CLI::App& app, const CLI::Option* option) {
  const std::vector<CLI::Option*>& order = app.parse_order();
  for (std::size_t i = order.size(); i-- > 0;) {
    if (order[i] == option) return static_cast<std::ptrdiff_t>(i);
  }
  return -1;
}

// The names of files given on the command line must not be empty: an empty name would
// otherwise surface later as a missing folder.
std::optional<std::string> EmptyFileName(std::initializer_list<const CLI::Option*> options) {
  for (const CLI::Option* option : options) {
    if (option->count() == 0) continue;
    for (const std::string& value : option->results()) {
      if (value.empty())
        return option->get_name() + " のファイル名が空です。ファイル名を指定してください。";
    }
  }
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  // Before any file is opened: a stop asked for at any moment finds its handler.
  InstallStopHandlers();

  CLI::App app{
      "閉鎖性海域水質計算 Kurimo: 湾の条件を入力テキストとして与えて 1 ケースを計算し、"
      "出力ファイル（Shift_JIS）を書きます。\n"
      "Runs one case of the bay model and writes the output file.",
      "kurimo-batch"};
  std::array<std::optional<std::string>, kConditionOptions.size()> texts;
  std::array<CLI::Option*, kConditionOptions.size()> textOptions{};
  for (std::size_t i = 0; i < kConditionOptions.size(); ++i) {
    textOptions[i] = app.add_option(kConditionOptions[i].name, texts[i], kConditionOptions[i].help)
                         ->option_text("TEXT");
  }
  std::array<std::optional<std::string>, kMultiplierOptions.size()> entries;
  std::array<CLI::Option*, kMultiplierOptions.size()> entryOptions{};
  for (std::size_t i = 0; i < kMultiplierOptions.size(); ++i) {
    const std::string help = std::string(kMultiplierOptions[i].help) + ": " +
                             kurimo::JoinedEntries(kMultiplierOptions[i].list);
    entryOptions[i] =
        app.add_option(kMultiplierOptions[i].name, entries[i], help)->option_text("ENTRY");
  }
  std::string casePath;
  CLI::Option* caseOption =
      app.add_option("--case", casePath,
                     "保存したケースファイル（JSON）の条件と倍率を使う。これより前に書いた条件の"
                     "オプションはケースファイルの値で置き換わり、後に書いたオプションはケース"
                     "ファイルの値より優先する")
          ->option_text("FILE");
  std::string saveCasePath;
  CLI::Option* saveCaseOption =
      app.add_option("--save-case", saveCasePath,
                     "計算の前に、使う条件と倍率をケースファイル（JSON）に保存する")
          ->option_text("FILE");
  std::string seriesPath;
  CLI::Option* seriesOption =
      app.add_option(
             "--series", seriesPath,
             "計算の後、ボックス1～5の濃度の時系列（約2000点）を CSV（UTF-8、BOM 付き）で"
             "書く。発散や中止で途中で止まった計算はそれまでの点を書く（ステップを始める前に"
             "止まった計算は書かない）。書けないときは終了コード 1（計算が止まったときは"
             "その終了コード）")
          ->option_text("FILE");
  std::string outputPath(kurimo::kDefaultOutputFileName);
  CLI::Option* outputOption =
      app.add_option("--output", outputPath,
                     "出力ファイルのパス（既定: 現在のフォルダーの Kurimo_OUT.txt）。"
                     "計算が最後まで終わったときだけ書き換え、中止や失敗のときは前のファイルを"
                     "そのまま残す")
          ->option_text("PATH");
  bool json = false;
  CLI::Option* jsonOption = app.add_flag(
      "--json", json,
      "結果メッセージの代わりに結果を JSON で標準出力に書く（定常状態 steady_state、"
      "収束の度合い convergence、時間刻みの安定性 stable と step_times_eigenvalue、"
      "交換を含むフラッシング時間 flushing_time_days、--target-mean では target を含む）");
  std::string targetText;
  CLI::Option* targetOption =
      app.add_option(
             "--target-mean", targetText,
             "目標の湾内平均水質(g/m3)。定常状態でこの値になる流入負荷量、流入水質、"
             "現在の負荷からの削減率、目標でのボックス1～5 の定常値を結果の後に書く"
             "（--json では target）。負荷を 0 にしても届かない目標はその旨と届く最低値を書く")
          ->option_text("G/M3");
  app.set_version_flag("--version", std::string("kurimo-batch ") + kurimo::kVersion,
                       "バージョンを表示して終了する");
  kurimo::batch::SweepRequest sweep;
  CLI::Option* sweepOption =
      app.add_option(
             "--sweep", sweep.lists,
             "倍率の組み合わせをすべて計算し、表（CSV）を書く。LISTS は section, quality, "
             "quantity をコンマで区切ったもの（省略するとすべて）。名前のない倍率は指定の値の"
             "まま。Kurimo_OUT.txt は書かない")
          ->expected(0, 1)
          ->option_text("[LISTS]");
  CLI::Option* sweepOutputOption = app.add_option("--sweep-output", sweep.outputPath,
                                                  "--sweep の表を書くファイル（既定: 標準出力）")
                                       ->option_text("FILE");

  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    // --help and --version: print and end with status 0, unless the text could not be written.
    const int status = app.exit(e);
    return StandardOutputWritten() ? status : kExitFileError;
  } catch (const CLI::ParseError& e) {
    std::cerr << "引数が正しくありません: " << e.what() << "\n--help で使い方を表示します。\n";
    return kExitBadInput;
  }
  if (const std::optional<std::string> empty = EmptyFileName(
          {outputOption, caseOption, saveCaseOption, seriesOption, sweepOutputOption})) {
    std::cerr << *empty << '\n';
    return kExitBadInput;
  }
  if (const std::optional<std::string> conflict = kurimo::batch::SweepOptionConflict(
          sweepOption->count() > 0, sweepOutputOption->count() > 0, outputOption->count() > 0,
          jsonOption->count() > 0, seriesOption->count() > 0, targetOption->count() > 0)) {
    std::cerr << *conflict << '\n';
    return kExitBadInput;
  }

  // Every text and entry given on the command line is checked, even one that a case file
  // given after it replaces.
  for (std::size_t i = 0; i < kConditionOptions.size(); ++i) {
    if (!texts[i]) continue;
    if (const auto limit = kurimo::FailedInputLimit(kConditionOptions[i].box, *texts[i])) {
      std::cerr << limit->title << ": " << limit->message << "（" << kConditionOptions[i].name
                << " \"" << kurimo::EchoedText(*texts[i]) << "\"）\n";
      return kExitBadInput;
    }
  }
  if (targetOption->count() > 0) {
    if (const auto limit = kurimo::FailedTargetText(targetText)) {
      std::cerr << limit->title << ": " << limit->message << "（--target-mean \""
                << kurimo::EchoedText(targetText) << "\"）\n";
      return kExitBadInput;
    }
  }
  for (std::size_t i = 0; i < kMultiplierOptions.size(); ++i) {
    if (!entries[i]) continue;
    const MultiplierList list = kMultiplierOptions[i].list;
    if (!kurimo::MultiplierFactor(list, *entries[i])) {
      std::cerr << kMultiplierOptions[i].name << " に「" << kurimo::EchoedText(*entries[i])
                << "」は選べません。選べる値: " << kurimo::JoinedEntries(list) << '\n';
      return kExitBadInput;
    }
  }

  // The case file's values replace the options given before it on the command line.
  if (caseOption->count() > 0) {
    const kurimo::CaseReadResult loaded = kurimo::ReadCaseFile(casePath);
    if (!loaded.value) {
      std::cerr << kurimo::kCaseFileTitle << ": ケースファイル「" << casePath << "」を開けません。"
                << loaded.error << '\n';
      return kExitBadInput;
    }
    const std::ptrdiff_t casePosition = LastPosition(app, caseOption);
    for (std::size_t i = 0; i < texts.size(); ++i) {
      if (LastPosition(app, textOptions[i]) < casePosition) texts[i] = loaded.value->texts[i];
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (LastPosition(app, entryOptions[i]) < casePosition) entries[i] = loaded.value->entries[i];
    }
  }

  kurimo::BayModel model;
  model.LoadDefaultCase();
  for (std::size_t i = 0; i < kConditionOptions.size(); ++i) {
    if (texts[i]) kurimo::AcceptConditionText(model, kConditionOptions[i].box, *texts[i]);
  }
  for (std::size_t i = 0; i < kMultiplierOptions.size(); ++i) {
    if (!entries[i]) continue;
    const MultiplierList list = kMultiplierOptions[i].list;
    kurimo::SetMultiplier(model, list, *kurimo::MultiplierFactor(list, *entries[i]));
  }

  if (saveCaseOption->count() > 0) {
    kurimo::SavedCase saved = kurimo::DefaultSavedCase();
    for (std::size_t i = 0; i < texts.size(); ++i)
      saved.texts[i] = texts[i].value_or(saved.texts[i]);
    for (std::size_t i = 0; i < entries.size(); ++i)
      saved.entries[i] = entries[i].value_or(saved.entries[i]);
    if (const auto reason = kurimo::WriteCaseFile(saveCasePath, saved)) {
      const kurimo::UserMessage m = kurimo::CaseSaveFailedMessage(saveCasePath, *reason);
      std::cerr << m.title << ": " << m.text << '\n';
      return kExitFileError;
    }
  }

  if (StopAsked()) return StoppedStatus();

  if (sweepOption->count() > 0) {
    switch (kurimo::batch::RunSweepCommand(model, sweep, StopAsked)) {
      case kurimo::batch::SweepExit::Ok:
        return kExitOk;
      case kurimo::batch::SweepExit::FileError:
        return kExitFileError;
      case kurimo::batch::SweepExit::BadInput:
        return kExitBadInput;
      case kurimo::batch::SweepExit::Interrupted:
        return StoppedStatus();
    }
  }

  ConsoleObserver observer;
  const kurimo::RunResult result = model.RunSimulation(outputPath, observer);
  observer.Finish();

  if (result.status != kurimo::RunStatus::Completed) {
    const kurimo::UserMessage fault = kurimo::RunFaultMessage(result, outputPath);
    std::cerr << fault.title << ": " << fault.text << '\n';
  }
  int exitCode = ExitCodeOf(result.status);
  if (seriesOption->count() > 0 && !model.Series.points.empty()) {
    if (const auto reason = kurimo::WriteSeriesCsv(seriesPath, model.Series)) {
      const kurimo::UserMessage m = kurimo::SeriesFileFailedMessage(seriesPath, *reason);
      std::cerr << m.title << ": " << m.text << '\n';
      if (exitCode == kExitOk) exitCode = kExitFileError;
    }
  }
  // The target's figures come from the case's own set-up, whatever became of the run.
  std::optional<kurimo::TargetLoad> target;
  if (targetOption->count() > 0) {
    target = kurimo::FindTargetLoadForCase(model, kurimo::TextToNumber(targetText));
  }
  if (json) {
    nlohmann::json j = ResultJson(model, result, outputPath);
    if (target) j["target"] = TargetJson(*target);
    // A path given in another encoding than UTF-8 is shown with replacement characters.
    std::cout << j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
  } else {
    if (result.status == kurimo::RunStatus::Completed) {
      std::string text = kurimo::RunResultMessage(model).text;
      for (char& c : text) {
        if (c == '\r') c = '\n';
      }
      std::cout << text << '\n';
    }
    if (target) PrintTarget(*target);
  }
  if (!StandardOutputWritten() && exitCode == kExitOk) exitCode = kExitFileError;
  return exitCode;
}
