#include "batch_options.h"

#include <CLI/CLI.hpp>
#include <cstddef>
#include <iostream>
#include <vector>

#include "case_file.h"
#include "case_inputs.h"
#include "console.h"
#include "echo_text.h"
#include "exit_status.h"
#include "file_messages.h"
#include "kurimo_version.h"
#include "option_messages.h"
#include "stop_signals.h"
#include "target_load.h"

namespace kurimo::batch {
namespace {

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

std::variant<BatchOptions, int> ParseBatchOptions(int argc, const char* const* argv) {
  BatchOptions options;
  CLI::App app{
      "閉鎖性海域水質計算 Kurimo: 湾の条件を入力テキストとして与えて 1 ケースを計算し、"
      "出力ファイル（Shift_JIS）を書きます。\n"
      "Runs one case of the bay model and writes the output file.",
      "kurimo-batch"};
  std::array<CLI::Option*, kConditionOptions.size()> textOptions{};
  for (std::size_t i = 0; i < kConditionOptions.size(); ++i) {
    textOptions[i] =
        app.add_option(kConditionOptions[i].name, options.texts[i], kConditionOptions[i].help)
            ->option_text("TEXT");
  }
  std::array<CLI::Option*, kMultiplierOptions.size()> entryOptions{};
  for (std::size_t i = 0; i < kMultiplierOptions.size(); ++i) {
    const std::string help =
        std::string(kMultiplierOptions[i].help) + ": " + JoinedEntries(kMultiplierOptions[i].list);
    entryOptions[i] =
        app.add_option(kMultiplierOptions[i].name, options.entries[i], help)->option_text("ENTRY");
  }
  std::string casePath;
  CLI::Option* caseOption =
      app.add_option("--case", casePath,
                     "保存したケースファイル（JSON）の条件と倍率を使う。これより前に書いた条件の"
                     "オプションはケースファイルの値で置き換わり、後に書いたオプションはケース"
                     "ファイルの値より優先する")
          ->option_text("FILE");
  CLI::Option* saveCaseOption =
      app.add_option("--save-case", options.saveCasePath,
                     "計算の前に、使う条件と倍率をケースファイル（JSON）に保存する")
          ->option_text("FILE");
  CLI::Option* seriesOption =
      app.add_option(
             "--series", options.seriesPath,
             "計算の後、ボックス1～5の濃度の時系列（約2000点）を CSV（UTF-8、BOM 付き）で"
             "書く。出力ファイルと同じく、計算が最後まで終わったときだけ書き換え、発散や中止で"
             "止まった計算では前のファイルをそのまま残す。書けないときは終了コード 1")
          ->option_text("FILE");
  options.outputPath = std::string(kDefaultOutputFileName);
  CLI::Option* outputOption =
      app.add_option("--output", options.outputPath,
                     "出力ファイルのパス（既定: 現在のフォルダーの Kurimo_OUT.txt）。"
                     "計算が最後まで終わったときだけ書き換え、中止や失敗のときは前のファイルを"
                     "そのまま残す")
          ->option_text("PATH");
  CLI::Option* jsonOption = app.add_flag(
      "--json", options.json,
      "結果メッセージの代わりに結果を JSON で標準出力に書く（定常状態 steady_state、"
      "収束の度合い convergence、時間刻みの安定性 stable と step_times_eigenvalue、"
      "交換を含むフラッシング時間 flushing_time_days、--target-mean では target を含む）");
  CLI::Option* targetOption =
      app.add_option(
             "--target-mean", options.targetText,
             "目標の湾内平均水質(g/m3)。定常状態でこの値になる流入負荷量、流入水質、"
             "現在の負荷からの削減率、目標でのボックス1～5 の定常値を結果の後に書く"
             "（--json では target）。負荷を 0 にしても届かない目標はその旨と届く最低値を書く")
          ->option_text("G/M3");
  app.set_version_flag("--version", std::string("kurimo-batch ") + kVersion,
                       "バージョンを表示して終了する");
  SweepRequest sweep;
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
    SayOnStandardError(OptionErrorText(e));
    return kExitBadInput;
  }
  if (const std::optional<std::string> empty = EmptyFileName(
          {outputOption, caseOption, saveCaseOption, seriesOption, sweepOutputOption})) {
    SayOnStandardError(*empty);
    return kExitBadInput;
  }
  if (const std::optional<std::string> conflict = SweepOptionConflict(
          sweepOption->count() > 0, sweepOutputOption->count() > 0, outputOption->count() > 0,
          jsonOption->count() > 0, seriesOption->count() > 0, targetOption->count() > 0)) {
    SayOnStandardError(*conflict);
    return kExitBadInput;
  }

  // Every text and entry given on the command line is checked, even one that a case file
  // given after it replaces.
  for (std::size_t i = 0; i < kConditionOptions.size(); ++i) {
    if (!options.texts[i]) continue;
    if (const auto limit = FailedInputLimit(kConditionOptions[i].box, *options.texts[i])) {
      SayOnStandardError(std::string(limit->title) + ": " + std::string(limit->message) + "（" +
                         kConditionOptions[i].name + " \"" + EchoedText(*options.texts[i]) +
                         "\"）");
      return kExitBadInput;
    }
  }
  if (options.targetText) {
    if (const auto limit = FailedTargetText(*options.targetText)) {
      SayOnStandardError(std::string(limit->title) + ": " + std::string(limit->message) +
                         "（--target-mean \"" + EchoedText(*options.targetText) + "\"）");
      return kExitBadInput;
    }
  }
  for (std::size_t i = 0; i < kMultiplierOptions.size(); ++i) {
    if (!options.entries[i]) continue;
    const MultiplierList list = kMultiplierOptions[i].list;
    if (!MultiplierFactor(list, *options.entries[i])) {
      SayOnStandardError(std::string(kMultiplierOptions[i].name) + " に「" +
                         EchoedText(*options.entries[i]) +
                         "」は選べません。選べる値: " + JoinedEntries(list));
      return kExitBadInput;
    }
  }

  // The case file's values replace the options given before it on the command line.
  if (caseOption->count() > 0) {
    const CaseReadResult loaded = ReadCaseFile(casePath);
    if (!loaded.value && StopAsked()) {
      SayOnStandardError("中止しました。ケースファイル「" + casePath +
                         "」を読み終えていないため、計算していません。");
      return ExitStatusForSignal(StopSignal());
    }
    if (!loaded.value) {
      SayOnStandardError(std::string(kCaseFileTitle) + ": ケースファイル「" + casePath +
                         "」を開けません。" + loaded.error);
      return kExitBadInput;
    }
    const std::ptrdiff_t casePosition = LastPosition(app, caseOption);
    for (std::size_t i = 0; i < options.texts.size(); ++i) {
      if (LastPosition(app, textOptions[i]) < casePosition)
        options.texts[i] = loaded.value->texts[i];
    }
    for (std::size_t i = 0; i < options.entries.size(); ++i) {
      if (LastPosition(app, entryOptions[i]) < casePosition)
        options.entries[i] = loaded.value->entries[i];
    }
  }

  if (sweepOption->count() > 0) options.sweep = sweep;
  return options;
}

BayModel CaseOf(const BatchOptions& options) {
  BayModel model;
  model.LoadDefaultCase();
  for (std::size_t i = 0; i < kConditionOptions.size(); ++i) {
    if (options.texts[i]) AcceptConditionText(model, kConditionOptions[i].box, *options.texts[i]);
  }
  for (std::size_t i = 0; i < kMultiplierOptions.size(); ++i) {
    if (!options.entries[i]) continue;
    const MultiplierList list = kMultiplierOptions[i].list;
    SetMultiplier(model, list, *MultiplierFactor(list, *options.entries[i]));
  }
  return model;
}

bool SaveCaseIfAsked(const BatchOptions& options) {
  if (!options.saveCasePath) return true;
  SavedCase saved = DefaultSavedCase();
  for (std::size_t i = 0; i < options.texts.size(); ++i)
    saved.texts[i] = options.texts[i].value_or(saved.texts[i]);
  for (std::size_t i = 0; i < options.entries.size(); ++i)
    saved.entries[i] = options.entries[i].value_or(saved.entries[i]);
  if (const auto reason = WriteCaseFile(*options.saveCasePath, saved)) {
    const UserMessage m =
        CaseSaveFailedMessage(*options.saveCasePath, *reason, MessagePlace::Terminal);
    SayOnStandardError(m.title + ": " + m.text);
    return false;
  }
  return true;
}

}  // namespace kurimo::batch
