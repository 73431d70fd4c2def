#include "results_sheet.h"

#include "number_text.h"

namespace kurimo {
namespace {

// A cell: tabs and line breaks would start another cell or row, so they become blanks;
// the blanks around the text go.
std::string Cell(std::string_view text) {
  std::string cell(text);
  for (char& c : cell) {
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
  const std::size_t first = cell.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return cell.substr(first, cell.find_last_not_of(' ') - first + 1);
}

class Sheet {
 public:
  void Heading(std::string_view name) { text_ += Cell(name) + "\n"; }
  void Row(std::string_view name, std::string_view value, std::string_view unit) {
    text_ += Cell(name) + "\t" + Cell(value) + "\t" + Cell(unit) + "\n";
  }
  std::string Text() && { return std::move(text_); }

 private:
  std::string text_;
};

std::string SelectedEntry(const WindowOps& window, MultiplierList list) {
  const int index = window.SelectedListIndex(list);
  return window.ListEntryText(list, index < 0 ? 0 : index);
}

}  // namespace

std::string ResultsSheetText(const BayModel& model, const RunRecord& run, const WindowOps& window,
                             std::string_view caseName) {
  const auto shown = [&window](TextBox box) { return window.BoxText(box); };
  Sheet sheet;
  sheet.Row("項目", "値", "単位");
  sheet.Row("ケース", caseName, "");

  sheet.Heading("計算条件");
  sheet.Row("湾面積", model.BayArea, "km2");
  sheet.Row("平均水深", model.MeanDepth, "m");
  sheet.Row("湾容積", shown(TextBox::Text3), "km3");
  sheet.Row("湾口部長さ", model.MouthLength, "km");
  sheet.Row("湾口部水深", shown(TextBox::Text5), "m");
  sheet.Row("湾口部断面積", shown(TextBox::Text6), "km2");
  sheet.Row("外海水水質", model.OpenSeaQuality, "g/m3");
  sheet.Row("流入水水質", model.InflowQuality, "g/m3");
  sheet.Row("流入水流量", model.InflowRate, "m3/秒");
  sheet.Row("流入負荷量", shown(TextBox::Text10), "g/秒");

  sheet.Heading("条件変更");
  sheet.Row("湾口部断面積の倍率", SelectedEntry(window, MultiplierList::Section), "倍");
  sheet.Row("変更後の湾口部断面積", shown(TextBox::Text11), "km2");
  sheet.Row("流入水水質の倍率", SelectedEntry(window, MultiplierList::Quality), "倍");
  sheet.Row("流入水流量の倍率", SelectedEntry(window, MultiplierList::Quantity), "倍");
  sheet.Row("変更後の流入負荷量", shown(TextBox::Text12), "g/秒");

  sheet.Heading("水質指標");
  sheet.Row("淡水の滞留時間", shown(TextBox::Text13), "日");
  sheet.Row("交換を含むフラッシング時間", NumberToText(RoundHalfEven(run.flushingTimeDays, 1)),
            "日");
  sheet.Row("閉鎖度", shown(TextBox::Text14), "");
  sheet.Row("流入負荷量÷湾容積", shown(TextBox::Text15), "g/m3/日");

  sheet.Heading("計算結果");
  sheet.Row("湾内平均水質", shown(TextBox::Text16), "g/m3");
  static constexpr const char* kBoxNames[] = {"ボックス1（湾奥）の水質", "ボックス2の水質",
                                              "ボックス3の水質", "ボックス4の水質",
                                              "ボックス5（湾口）の水質"};
  if (!run.series.points.empty()) {
    const SeriesPoint& last = run.series.points.back();
    for (std::size_t b = 0; b < last.concentration.size(); ++b) {
      sheet.Row(kBoxNames[b], NumberToText(RoundHalfEven(last.concentration[b], 2)), "g/m3");
    }
  }
  return std::move(sheet).Text();
}

}  // namespace kurimo
