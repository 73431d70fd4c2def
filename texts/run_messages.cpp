#include "run_messages.h"

#include "file_messages.h"
#include "number_text.h"

namespace kurimo {

UserMessage ResultMessage(double bayAverage) {
  const double rounded = RoundHalfEven(bayAverage, 2);
  return {"計算結果(湾内平均水質)\r" + NumberToText(rounded) + "(g/m3)", "計算終了です！"};
}

std::string TimeStepReducedLine(double ruleMinutes, double usedMinutes) {
  return "計算を安定させるため、ﾀｲﾑｽﾃｯﾌﾟを" + NumberToText(ruleMinutes) + " 分から" +
         NumberToText(usedMinutes) + " 分に短くしました。";
}

UserMessage RunResultMessage(const BayModel& model) {
  UserMessage message = ResultMessage(model.BayAverage[1]);
  if (model.TimeStepReduced()) {
    message.text += '\r';
    message.text += TimeStepReducedLine(model.RuleTimeStepMinutes, model.TimeStepMinutes);
  }
  return message;
}

namespace {

// What every run that did not complete leaves: the report it would have replaced.
std::string UnchangedReport(const std::string& file) {
  return "出力ファイル「" + file + "」は書き換えていません。";
}

std::string LargeValueText(const LargeValue& large) {
  if (large.condition == LargeCondition::OpenSeaQuality) {
    return "外海水水質（値が" + NumberToText(large.value) + " g/m3）";
  }
  return "流入水水質（倍率をかけた値が" + NumberToText(large.value) + " g/m3）";
}

// Where to choose another output file.
std::string OutputFileAdvice(MessagePlace place) {
  return AnotherPlaceAdvice(place, "「ファイル」メニューの「出力ファイルの保存先…」で", "--output");
}

}  // namespace

UserMessage RunFaultMessage(const RunResult& result, std::string_view outputPath,
                            MessagePlace place) {
  const std::string file(outputPath);
  switch (result.status) {
    case RunStatus::Completed:
      break;
    case RunStatus::OutputFileFailed:
      return {"出力ファイル「" + file + "」に書き込めません（" + result.systemReason + "）。" +
                  OutputFileAdvice(place) +
                  "もう一度計算してください。同じ名前の前の出力ファイルがあれば、元のままです。",
              "出力ファイルのエラー"};
    case RunStatus::ZeroTimeStep:
      if (result.exchangeTooFast) {
        return {
            "湾口部を通る海水交換が湾の容積に比べて速すぎて、安定に計算できる時間刻み"
            "（ﾀｲﾑｽﾃｯﾌﾟ）が0分になるため計算できません。湾面積を大きくするか、湾口部長さを"
            "短くする（または湾口部断面積の倍率を下げる）と計算できます。" +
                UnchangedReport(file),
            "計算できません"};
      }
      return {
          "湾口部を流れる水が速すぎて、時間刻み（ﾀｲﾑｽﾃｯﾌﾟ）が0分になるため計算できません。"
          "流入水流量を小さくするか、湾口部断面積または湾面積を大きくしてください。" +
              UnchangedReport(file),
          "計算できません"};
    case RunStatus::NonFiniteCase:
      return {
          "入力値が大きすぎる（または小さすぎる）ため、計算に使う値が無限大または非数に"
          "なりました。計算条件を見直してください。" +
              UnchangedReport(file),
          "計算できません"};
    case RunStatus::TooManySteps:
      return {"計算ステップ数が多すぎて計算できません。流入水流量を大きくしてください。" +
                  UnchangedReport(file),
              "計算できません"};
    case RunStatus::Diverged:
      return {
          "計算が不安定になり、濃度が無限大または非数になったため計算を中止しました。"
          "湾の大きさに比べて湾口部が広すぎると、この計算は不安定になります。"
          "湾口部を狭くする（湾口部長さを短くするか断面積の倍率を下げる）か、"
          "湾面積を大きくしてください。" +
              UnchangedReport(file),
          "計算を中止しました"};
    case RunStatus::ValueTooLarge:
      return {LargeValueText(result.tooLarge) +
                  "が大きすぎて、計算の途中の値が単精度で表せる範囲を超えるため計算できません。"
                  "値を小さくしてください（単位が g/m3 であることを確かめてください）。" +
                  UnchangedReport(file),
              "計算できません"};
    case RunStatus::Cancelled:
      return {"計算を中止しました。" + UnchangedReport(file), "計算の中止"};
  }
  return {"", ""};
}

std::string_view RunStatusName(RunStatus status) {
  switch (status) {
    case RunStatus::Completed:
      return "done";
    case RunStatus::OutputFileFailed:
      return "output_file_failed";
    case RunStatus::ZeroTimeStep:
      return "zero_time_step";
    case RunStatus::NonFiniteCase:
      return "non_finite_case";
    case RunStatus::TooManySteps:
      return "too_many_steps";
    case RunStatus::Diverged:
      return "diverged";
    case RunStatus::Cancelled:
      return "cancelled";
    case RunStatus::ValueTooLarge:
      return "value_too_large";
  }
  return "unknown";
}

}  // namespace kurimo
