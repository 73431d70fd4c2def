#include "sweep_command.h"

#include <iostream>

#include "atomic_file.h"
#include "case_inputs.h"
#include "console.h"
#include "echo_text.h"
#include "exit_status.h"
#include "file_messages.h"
#include "number_text.h"
#include "progress_line.h"
#include "run_messages.h"
#include "series_csv.h"
#include "stop_signals.h"

namespace kurimo::batch {
namespace {

constexpr std::array<std::string_view, 3> kListNames = {"section", "quality", "quantity"};
constexpr std::array<MultiplierList, 3> kLists = {MultiplierList::Section, MultiplierList::Quality,
                                                  MultiplierList::Quantity};

constexpr std::string_view kHeading =
    "湾口部断面積(×倍),流入水水質(×倍),流入水水量(×倍),"
    "(変更)湾口部断面積(km2),(変更)流入負荷量(g/秒),滞留時間(日),閉鎖度,"
    "流入負荷量÷湾容積(g/m3/日),タイムステップ(分),ステップ数,湾内平均水質(g/m3),"
    "ボックス1水質(g/m3),ボックス2水質(g/m3),ボックス3水質(g/m3),ボックス4水質(g/m3),"
    "ボックス5水質(g/m3),状態";

constexpr std::string_view kLineEnd = "\r\n";

std::string_view Trimmed(std::string_view text) {
  const std::size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return {};
  return text.substr(begin, text.find_last_not_of(" \t") + 1 - begin);
}

// The step count is known once the set-up has passed its checks.
bool StepCountKnown(const CaseOutcome& o) {
  return o.status != CaseStatus::Abandoned ||
         (o.runStatus != RunStatus::ZeroTimeStep && o.runStatus != RunStatus::NonFiniteCase &&
          o.runStatus != RunStatus::TooManySteps && o.runStatus != RunStatus::Cancelled);
}

void AppendRow(std::string& table, const CaseOutcome& o) {
  for (std::size_t i = 0; i < kLists.size(); ++i) {
    table += MultiplierEntries(kLists[i])[o.choice[i]];
    table += ',';
  }
  for (double v : {o.indicators.changedMouthSection, o.indicators.changedInflowLoad,
                   o.indicators.residenceTime, o.indicators.closedness, o.indicators.loadPerVolume,
                   o.timeStepMinutes}) {
    AppendShortestNumber(table, v);
    table += ',';
  }
  if (StepCountKnown(o)) AppendShortestNumber(table, o.steps);
  table += ',';
  // An abandoned run has no result: its cells stay empty.
  const bool hasResult = o.status != CaseStatus::Abandoned;
  if (hasResult) AppendShortestNumber(table, o.bayAverage);
  for (double c : o.concentrations) {
    table += ',';
    if (hasResult) AppendShortestNumber(table, c);
  }
  table += ',';
  switch (o.status) {
    case CaseStatus::Done:
      table += "done";
      break;
    case CaseStatus::Warning:
      table += "warning";
      break;
    case CaseStatus::Abandoned:
      table += "abandoned: ";
      table += RunStatusName(o.runStatus);
      break;
  }
  table += kLineEnd;
}

// What a stop leaves: no table at all.
int Stopped() {
  SayOnStandardError("計算を中止しました。表は書いていません。");
  return ExitStatusForSignal(StopSignal());
}

}  // namespace

std::optional<std::array<bool, 3>> ParseSweepLists(std::string_view text) {
  if (Trimmed(text).empty()) return std::array<bool, 3>{true, true, true};
  std::array<bool, 3> named{};
  while (true) {
    const std::size_t comma = text.find(',');
    const std::string_view name = Trimmed(text.substr(0, comma));
    bool known = false;
    for (std::size_t i = 0; i < kListNames.size(); ++i) {
      if (name == kListNames[i]) {
        named[i] = true;
        known = true;
      }
    }
    if (!known) return std::nullopt;
    if (comma == std::string_view::npos) return named;
    text.remove_prefix(comma + 1);
  }
}

std::optional<std::string> SweepOptionConflict(bool sweep, bool sweepOutput, bool output, bool json,
                                               bool series, bool targetMean) {
  if (sweepOutput && !sweep) return "--sweep-output は --sweep と一緒に指定してください。";
  if (sweep && output) {
    return "--sweep は出力ファイルを書かないため、--output は指定できません。"
           "表を書くファイルは --sweep-output で指定してください。";
  }
  if (sweep && json) return "--sweep の結果は表（CSV）で書くため、--json は指定できません。";
  if (sweep && series) {
    return "--sweep は時系列を記録しないため、--series は指定できません。"
           "1 ケースの時系列は --sweep なしで書けます。";
  }
  if (sweep && targetMean) {
    return "--sweep は倍率の組み合わせを表にするため、--target-mean は指定できません。"
           "負荷削減の試算は --sweep なしで行えます。";
  }
  return std::nullopt;
}

std::string SweepTable(std::span<const CaseOutcome> outcomes) {
  std::string table(kUtf8ByteOrderMark);
  table += kHeading;
  table += kLineEnd;
  for (const CaseOutcome& o : outcomes)
    AppendRow(table, o);
  return table;
}

int RunSweepCommand(const BayModel& conditions, const SweepRequest& request) {
  const std::optional<std::array<bool, 3>> lists = ParseSweepLists(request.lists);
  if (!lists) {
    SayOnStandardError("--sweep に「" + EchoedText(request.lists) +
                       "」は指定できません。指定できる名前: section, quality, quantity"
                       "（コンマで区切って複数、省略するとすべて）");
    return kExitBadInput;
  }
  const std::vector<MultiplierChoice> choices =
      SweepChoices(conditions, (*lists)[0], (*lists)[1], (*lists)[2]);

  ProgressLine progress("スイープ計算中", "ステップ");
  SweepControl control;
  control.progress = [&](std::uint64_t done, std::uint64_t total) {
    if (StopAsked()) return false;
    progress.Show(done, total);
    return true;
  };
  const std::vector<CaseOutcome> outcomes = RunCases(conditions, choices, control);
  progress.Remove();
  if (StopAsked()) return Stopped();

  const std::string table = SweepTable(outcomes);
  if (request.outputPath) {
    const std::optional<std::string> failure = WriteFileAtomically(*request.outputPath, table);
    // A stop while the table waited for a slow pipe leaves no table.
    if (StopAsked()) return Stopped();
    if (failure) {
      SayOnStandardError("出力ファイル「" + *request.outputPath + "」に書き込めません（" +
                         *failure + "）。" +
                         AnotherPlaceAdvice(MessagePlace::Terminal, "", "--sweep-output") +
                         "もう一度計算してください。");
      return kExitFileError;
    }
  } else {
    std::cout.write(table.data(), static_cast<std::streamsize>(table.size()));
    const bool written = StandardOutputWritten();
    if (StopAsked()) return ExitStatusForSignal(StopSignal());
    if (!written) return kExitFileError;
  }

  std::size_t warned = 0, abandoned = 0;
  for (const CaseOutcome& o : outcomes) {
    if (o.status == CaseStatus::Warning) ++warned;
    if (o.status == CaseStatus::Abandoned) ++abandoned;
  }
  if (warned > 0 || abandoned > 0) {
    SayOnStandardError(std::to_string(outcomes.size()) + " ケースのうち、警告 " +
                       std::to_string(warned) + " ケース、中止 " + std::to_string(abandoned) +
                       " ケース（状態の列を見てください）");
  }
  return kExitOk;
}

}  // namespace kurimo::batch
