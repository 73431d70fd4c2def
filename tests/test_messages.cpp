// What the user is told when a run does not complete or a file cannot be written: every
// fault's full text and title, as the window's message box and the terminal show them.
#include <gtest/gtest.h>

#include "file_messages.h"
#include "run_messages.h"

namespace kurimo {
namespace {

RunResult Fault(RunStatus status, bool exchangeTooFast = false, LargeValue tooLarge = {}) {
  RunResult result;
  result.status = status;
  result.exchangeTooFast = exchangeTooFast;
  result.tooLarge = tooLarge;
  return result;
}

TEST(RunFaultMessage, EachFaultSaysWhatHappenedAndWhatToDo) {
  using enum RunStatus;
  const std::tuple<const char*, RunResult, std::string, std::string> rows[] = {
      // The name, the run, the text without its closing sentence about the earlier report,
      // and the title.
      {"zero step", Fault(ZeroTimeStep),
       "湾口部を流れる水が速すぎて、時間刻み（ﾀｲﾑｽﾃｯﾌﾟ）が0分になるため計算できません。"
       "流入水流量を小さくするか、湾口部断面積または湾面積を大きくしてください。",
       "計算できません"},
      {"exchange too fast", Fault(ZeroTimeStep, true),
       "湾口部を通る海水交換が湾の容積に比べて速すぎて、安定に計算できる時間刻み（ﾀｲﾑｽﾃｯﾌﾟ）が"
       "0分になるため計算できません。湾面積を大きくするか、湾口部長さを短くする（または湾口部"
       "断面積の倍率を下げる）と計算できます。",
       "計算できません"},
      {"not finite", Fault(NonFiniteCase),
       "入力値が大きすぎる（または小さすぎる）ため、計算に使う値が無限大または非数になりました。"
       "計算条件を見直してください。",
       "計算できません"},
      {"too many steps", Fault(TooManySteps),
       "計算ステップ数が多すぎて計算できません。流入水流量を大きくしてください。",
       "計算できません"},
      {"diverged", Fault(Diverged),
       "計算が不安定になり、濃度が無限大または非数になったため計算を中止しました。湾の大きさに"
       "比べて湾口部が広すぎると、この計算は不安定になります。湾口部を狭くする（湾口部長さを"
       "短くするか断面積の倍率を下げる）か、湾面積を大きくしてください。",
       "計算を中止しました"},
      {"open sea too large", Fault(ValueTooLarge, false, {LargeCondition::OpenSeaQuality, 1e38}),
       "外海水水質（値が 1E+38 g/m3）が大きすぎて、計算の途中の値が単精度で表せる範囲を超える"
       "ため計算できません。値を小さくしてください（単位が g/m3 であることを確かめてください）。",
       "計算できません"},
      {"river too large", Fault(ValueTooLarge, false, {LargeCondition::InflowQuality, 5e37}),
       "流入水水質（倍率をかけた値が 5E+37 g/m3）が大きすぎて、計算の途中の値が単精度で表せる"
       "範囲を超えるため計算できません。値を小さくしてください（単位が g/m3 であることを確かめて"
       "ください）。",
       "計算できません"},
      {"stopped", Fault(Cancelled), "計算を中止しました。", "計算の中止"},
  };
  for (const auto& [name, result, text, title] : rows) {
    const UserMessage message = RunFaultMessage(result, "湾.txt");
    EXPECT_EQ(message.text, text + "出力ファイル「湾.txt」は書き換えていません。") << name;
    EXPECT_EQ(message.title, title) << name;
  }
}

// A file that cannot be written: the window's user is sent to the menu or the file dialog,
// the terminal's user to the option that names the file (the report's terminal text is
// pinned through kurimo-batch and kurimo --pdf).
TEST(FileFailedMessages, TellTheWindowOfItsMenuAndTheTerminalOfItsOption) {
  RunResult unwritable = Fault(RunStatus::OutputFileFailed);
  unwritable.systemReason = "書き込みの権限がありません";
  EXPECT_EQ(RunFaultMessage(unwritable, "湾.txt").text,
            "出力ファイル「湾.txt」に書き込めません（書き込みの権限がありません）。「ファイル」"
            "メニューの「出力ファイルの保存先…」で書き込みのできる場所を選んでから、もう一度計算"
            "してください。同じ名前の前の出力ファイルがあれば、元のままです。");
  const UserMessage series = SeriesFileFailedMessage("s.csv", "読み取り専用の場所です");
  EXPECT_EQ(series.text,
            "時系列のCSVファイル「s.csv」に書き込めません（読み取り専用の場所です）。書き込みの"
            "できる場所を選んでから、もう一度保存してください。同じ名前のファイルがあった場合、"
            "そのファイルは元のままです。");
  EXPECT_EQ(SeriesFileFailedMessage("s.csv", "読み取り専用の場所です", MessagePlace::Terminal).text,
            "時系列のCSVファイル「s.csv」に書き込めません（読み取り専用の場所です）。書き込みの"
            "できる場所を --series で指定してから、もう一度計算してください。同じ名前のファイルが"
            "あった場合、そのファイルは元のままです。");
  EXPECT_EQ(series.title, "CSVファイルのエラー");
  EXPECT_EQ(
      CaseSaveFailedMessage("c.kurimo", "ディスクの空き容量が足りません", MessagePlace::Terminal)
          .text,
      "ケースファイル「c.kurimo」に書き込めません（ディスクの空き容量が足りません）。"
      "書き込みのできる場所を --save-case で指定してから、もう一度実行してください。");
}

// The shortened step's line is pinned by the stable-step table (test_analysis).
TEST(RunMessages, ResultAndStatusNames) {
  // 0.125 is exactly halfway: to even.
  EXPECT_EQ(ResultMessage(0.125).text, "計算結果(湾内平均水質)\r .12(g/m3)");
  using enum RunStatus;
  std::string names;
  for (RunStatus s : {Completed, OutputFileFailed, ZeroTimeStep, NonFiniteCase, TooManySteps,
                      Diverged, Cancelled, ValueTooLarge})
    names += std::string(RunStatusName(s)) + " ";
  EXPECT_EQ(names,
            "done output_file_failed zero_time_step non_finite_case too_many_steps diverged "
            "cancelled value_too_large ");
}

}  // namespace
}  // namespace kurimo
