// kurimo-batch: runs one case of the bay model without a window, as the start button would,
// and writes the output file. Conditions are given as the texts a user would type into
// the boxes; each goes through its box's check.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "bay_model.h"
#include "case_inputs.h"
#include "number_text.h"
#include "run_messages.h"
#include "sweep_command.h"

namespace {

using kurimo::ConditionBox;
using kurimo::MultiplierList;

constexpr int kExitOk = 0;
constexpr int kExitFileError = 1;
constexpr int kExitBadInput = 2;
constexpr int kExitRunFault = 3;
constexpr int kExitInterrupted = 130;

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void OnInterrupt(int) {
  g_interrupted = 1;
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
    if (g_interrupted) return false;
    if (!showProgress_) return true;
    const auto now = Clock::now();
    if (now - start_ < std::chrono::seconds(1) ||
        now - lastShown_ < std::chrono::milliseconds(200)) {
      return true;
    }
    lastShown_ = now;
    const double percent = 100.0 * static_cast<double>(stepsDone) / static_cast<double>(stepCount);
    std::fprintf(stderr, "\r計算中: %llu / %llu ステップ（%.1f%%）  Ctrl-C で中止",
                 static_cast<unsigned long long>(stepsDone),
                 static_cast<unsigned long long>(stepCount), percent);
    std::fflush(stderr);
    shown_ = true;
    return true;
  }

  // Removes the progress line, if one was shown.
  void Finish() {
    if (shown_) std::fputs("\r\033[K", stderr);
  }

 private:
  using Clock = std::chrono::steady_clock;
  bool showProgress_ = isatty(STDERR_FILENO) != 0;
  bool shown_ = false;
  Clock::time_point start_ = Clock::now();
  Clock::time_point lastShown_{};
};

const char* StatusName(kurimo::RunStatus status) {
  switch (status) {
    case kurimo::RunStatus::Completed:
      return "done";
    case kurimo::RunStatus::OutputFileFailed:
      return "output_file_failed";
    case kurimo::RunStatus::ZeroTimeStep:
      return "zero_time_step";
    case kurimo::RunStatus::NonFiniteCase:
      return "non_finite_case";
    case kurimo::RunStatus::TooManySteps:
      return "too_many_steps";
    case kurimo::RunStatus::Diverged:
      return "diverged";
    case kurimo::RunStatus::Cancelled:
      return "cancelled";
  }
  return "unknown";
}

int ExitCodeOf(kurimo::RunStatus status) {
  switch (status) {
    case kurimo::RunStatus::Completed:
      return kExitOk;
    case kurimo::RunStatus::OutputFileFailed:
      return kExitFileError;
    case kurimo::RunStatus::Cancelled:
      return kExitInterrupted;
    default:
      return kExitRunFault;
  }
}

nlohmann::json ResultJson(const kurimo::BayModel& model, const kurimo::RunResult& result,
                          const std::string& outputPath) {
  nlohmann::json j;
  j["status"] = StatusName(result.status);
  j["output_file"] = outputPath;
  j["warning"] = result.mouthVelocityWarning;
  if (result.status == kurimo::RunStatus::OutputFileFailed) return j;
  j["steps"] = result.stepCount;
  j["steps_done"] = result.stepsDone;
  j["time_step_minutes"] = model.TimeStepMinutes;
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
  if (result.status != kurimo::RunStatus::Completed) return j;
  j["bay_average"] = model.BayAverage[1];
  j["bay_average_rounded"] = kurimo::RoundHalfEven(model.BayAverage[1], 2);
  nlohmann::json concentrations = nlohmann::json::array();
  for (int b = 1; b <= 5; ++b)
    concentrations.push_back(model.Concentration[1][b]);
  j["concentrations"] = concentrations;
  return j;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "閉鎖性海域水質計算 Kurimo: 湾の条件を入力テキストとして与えて 1 ケースを計算し、"
      "出力ファイル（Shift_JIS）を書きます。\n"
      "Runs one case of the bay model and writes the output file.",
      "kurimo-batch"};
  std::array<std::optional<std::string>, kConditionOptions.size()> texts;
  for (std::size_t i = 0; i < kConditionOptions.size(); ++i) {
    app.add_option(kConditionOptions[i].name, texts[i], kConditionOptions[i].help)
        ->option_text("TEXT");
  }
  std::array<std::optional<std::string>, kMultiplierOptions.size()> entries;
  for (std::size_t i = 0; i < kMultiplierOptions.size(); ++i) {
    const std::string help = std::string(kMultiplierOptions[i].help) + ": " +
                             kurimo::JoinedEntries(kMultiplierOptions[i].list);
    app.add_option(kMultiplierOptions[i].name, entries[i], help)->option_text("ENTRY");
  }
  std::string outputPath(kurimo::kDefaultOutputFileName);
  CLI::Option* outputOption =
      app.add_option("--output", outputPath,
                     "出力ファイルのパス（既定: 現在のフォルダーの Kurimo_OUT.txt）")
          ->option_text("PATH");
  bool json = false;
  CLI::Option* jsonOption =
      app.add_flag("--json", json, "結果メッセージの代わりに結果を JSON で標準出力に書く");
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
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "引数が正しくありません: " << e.what() << "\n--help で使い方を表示します。\n";
    return kExitBadInput;
  }
  if (const std::optional<std::string> conflict = kurimo::batch::SweepOptionConflict(
          sweepOption->count() > 0, sweepOutputOption->count() > 0, outputOption->count() > 0,
          jsonOption->count() > 0)) {
    std::cerr << *conflict << '\n';
    return kExitBadInput;
  }

  kurimo::BayModel model;
  model.LoadDefaultCase();
  for (std::size_t i = 0; i < kConditionOptions.size(); ++i) {
    if (!texts[i]) continue;
    if (const auto limit = kurimo::FailedInputLimit(kConditionOptions[i].box, *texts[i])) {
      std::cerr << limit->title << ": " << limit->message << "（" << kConditionOptions[i].name
                << " \"" << *texts[i] << "\"）\n";
      return kExitBadInput;
    }
    kurimo::AcceptConditionText(model, kConditionOptions[i].box, *texts[i]);
  }
  for (std::size_t i = 0; i < kMultiplierOptions.size(); ++i) {
    if (!entries[i]) continue;
    const MultiplierList list = kMultiplierOptions[i].list;
    const std::optional<double> factor = kurimo::MultiplierFactor(list, *entries[i]);
    if (!factor) {
      std::cerr << kMultiplierOptions[i].name << " に「" << *entries[i]
                << "」は選べません。選べる値: " << kurimo::JoinedEntries(list) << '\n';
      return kExitBadInput;
    }
    kurimo::SetMultiplier(model, list, *factor);
  }

  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);

  if (sweepOption->count() > 0) {
    switch (kurimo::batch::RunSweepCommand(model, sweep, [] { return g_interrupted != 0; })) {
      case kurimo::batch::SweepExit::Ok:
        return kExitOk;
      case kurimo::batch::SweepExit::FileError:
        return kExitFileError;
      case kurimo::batch::SweepExit::BadInput:
        return kExitBadInput;
      case kurimo::batch::SweepExit::Interrupted:
        return kExitInterrupted;
    }
  }

  ConsoleObserver observer;
  const kurimo::RunResult result = model.RunSimulation(outputPath, observer);
  observer.Finish();

  if (result.status != kurimo::RunStatus::Completed) {
    const kurimo::UserMessage fault = kurimo::RunFaultMessage(result, outputPath);
    std::cerr << fault.title << ": " << fault.text << '\n';
  }
  if (json) {
    std::cout << ResultJson(model, result, outputPath).dump() << '\n';
  } else if (result.status == kurimo::RunStatus::Completed) {
    std::string text = kurimo::ResultMessage(model.BayAverage[1]).text;
    for (char& c : text) {
      if (c == '\r') c = '\n';
    }
    std::cout << text << '\n';
  }
  return ExitCodeOf(result.status);
}
