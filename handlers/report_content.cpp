#include "report_content.h"

#include <ctime>

#include "main_form.h"
#include "number_text.h"
#include "sweep.h"

namespace kurimo {
namespace {

// A box text or a typed condition without the blanks around it: " 1000" reads 1000.
std::string Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return std::string();
  const std::size_t last = text.find_last_not_of(" \t");
  return std::string(text.substr(first, last - first + 1));
}

// A number as the window shows it, rounded to `places`, without the sign's blank.
std::string Shown(double value, int places) {
  return Trimmed(NumberToText(RoundHalfEven(value, places)));
}

std::string BoxValue(const WindowOps& window, TextBox box) {
  return Trimmed(window.BoxText(box));
}

std::string MultiplierText(const BayModel& model, MultiplierList list) {
  if (const std::optional<int> entry = CurrentEntry(model, list)) {
    return "×" + std::string(MultiplierEntries(list)[static_cast<std::size_t>(*entry)]);
  }
  return "×" + Trimmed(NumberToText(list == MultiplierList::Section ? model.SectionFactor
                                    : list == MultiplierList::Quality
                                        ? static_cast<double>(model.QualityFactor)
                                        : model.QuantityFactor));
}

const std::array<std::string_view, 5> kBoxLabels = {"ボックス1（湾奥）", "ボックス2", "ボックス3",
                                                    "ボックス4", "ボックス5（湾口）"};

}  // namespace

std::optional<ReportContent> MakeReportContent(const MainForm& form, const WindowOps& window,
                                               std::string createdAt) {
  const std::optional<RunRecord>& run = form.CurrentRun();
  if (!run) return std::nullopt;
  const BayModel& model = form.Model();

  ReportContent report;
  report.title = "閉鎖性海域水質計算 Kurimo 計算結果報告書";
  report.createdAt = std::move(createdAt);
  report.caseName = form.CaseName();

  // The conditions as the run used them: the accepted texts, not a box whose text is
  // still being corrected.
  report.conditions = {{"湾面積(km2)", Trimmed(model.BayArea)},
                       {"平均水深(m)", Trimmed(model.MeanDepth)},
                       {"湾口部長さ(km)", Trimmed(model.MouthLength)},
                       {"外海水水質(g/m3)", Trimmed(model.OpenSeaQuality)},
                       {"流入水水質(g/m3)", Trimmed(model.InflowQuality)},
                       {"流入水流量(m3/秒)", Trimmed(model.InflowRate)}};
  report.multipliers = {{"湾口部断面積の倍率", MultiplierText(model, MultiplierList::Section)},
                        {"流入水水質の倍率", MultiplierText(model, MultiplierList::Quality)},
                        {"流入水流量の倍率", MultiplierText(model, MultiplierList::Quantity)}};
  // The computed boxes exactly as the window shows them.
  report.computed = {{"湾容積(km3)", BoxValue(window, TextBox::Text3)},
                     {"湾口部水深(m)", BoxValue(window, TextBox::Text5)},
                     {"湾口部断面積(km2)", BoxValue(window, TextBox::Text6)},
                     {"流入負荷量(g/秒)", BoxValue(window, TextBox::Text10)},
                     {"倍率をかけた湾口部断面積(km2)", BoxValue(window, TextBox::Text11)},
                     {"倍率をかけた流入負荷量(g/秒)", BoxValue(window, TextBox::Text12)}};
  report.indicators = {{"滞留時間(日)", BoxValue(window, TextBox::Text13)},
                       {"閉鎖度", BoxValue(window, TextBox::Text14)},
                       {"流入負荷量÷湾容積(g/m3/日)", BoxValue(window, TextBox::Text15)}};

  report.bayMean = RoundHalfEven(model.BayAverage[1], 2);
  report.flushingDays = model.FlushingTimeDays();
  report.timeStepMinutes = model.TimeStepMinutes;
  report.timeStepShortened = model.TimeStepReduced();
  report.mouthVelocityWarning = run->mouthVelocityWarning;

  std::string step = Trimmed(NumberToText(model.TimeStepMinutes)) + " 分";
  step += report.timeStepShortened
              ? "（安定のため " + Trimmed(NumberToText(model.RuleTimeStepMinutes)) + " 分から短縮）"
              : "（短縮なし）";
  report.result = {{"湾内平均水質(g/m3)", Trimmed(NumberToText(report.bayMean))},
                   {"淡水の滞留時間(日)", BoxValue(window, TextBox::Text13)},
                   {"交換を含むフラッシング時間(日)",
                    Shown(report.flushingDays, report.flushingDays >= 10  ? 1
                                               : report.flushingDays >= 1 ? 2
                                                                          : 3)},
                   {"計算期間(日)", Trimmed(NumberToText(model.CalculationDays))},
                   {"時間刻み", step}};

  for (int b = 1; b <= 5; ++b) {
    const double final = model.Concentration[1][b];
    report.boxes.push_back(
        {std::string(kBoxLabels[b - 1]), Shown(final, 2), Shown(run->steadyState[b - 1], 2)});
    report.boxValues[b] = final;
  }

  if (report.timeStepShortened) {
    report.notes.push_back(TimeStepReducedLine(model.RuleTimeStepMinutes, model.TimeStepMinutes));
  }
  if (report.mouthVelocityWarning) {
    report.notes.push_back("警告（" + std::string(kMouthVelocityTitle) +
                           "）: 湾口部の流速が毎秒 1 m を超えています。" +
                           std::string(kMouthVelocityMessage) + "。");
  }

  // The schematic's colours as the window shows them: each group's concentration looked
  // up on the scale.
  report.scale = form.Scale();
  for (int group = 1; group <= kGroupCount; ++group) {
    report.scale.ColourForValue(static_cast<std::int16_t>(group), report.scale.GroupColour);
    report.groupColours[group] = report.scale.GroupColour;
  }
  report.run = *run;
  return report;
}

std::string ReportDateTime(std::chrono::system_clock::time_point when) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
  std::tm local{};
  if (localtime_r(&seconds, &local) == nullptr) return std::string();
  char text[64];
  const std::size_t length = std::strftime(text, sizeof text, "%Y年%m月%d日 %H:%M", &local);
  return std::string(text, length);
}

UserMessage ReportPdfFailedMessage(std::string_view path, std::string_view reason) {
  return {"報告書のPDFファイル「" + std::string(path) + "」に書き込めません（" +
              std::string(reason) +
              "）。書き込みのできる場所を選んでから、もう一度保存してください。"
              "同じ名前のファイルがあった場合、そのファイルは元のままです。",
          "PDFファイルのエラー"};
}

UserMessage ReportPrintFailedMessage(std::string_view reason) {
  return {"報告書を印刷できません（" + std::string(reason) +
              "）。プリンターの設定を確かめてから、もう一度印刷してください。",
          "印刷のエラー"};
}

}  // namespace kurimo
