// The window's handlers through a recording window: start-up and the colour legend, edits,
// picks, runs and their faults, the menu bar (copy, files, cases, sensitivity, report) and
// the command line.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <functional>
#include <new>
#include <sstream>
#include <stdexcept>

#include "file_messages.h"
#include "recording_window.h"
#include "report_content.h"
#include "sensitivity_text.h"
#include "start_options.h"
#include "test_helpers.h"

namespace kurimo {
namespace {

using enum TextBox;
using enum MultiplierList;
using Levels = std::array<int, kGroupCount>;  // the level of each group's colour, 1..7
// The boxes' texts by box number, as the window keeps them.
using Texts = std::array<std::string, kTextBoxCount + 1>;
using test::Messages;
constexpr Levels kStartLevels = {5, 5, 5, 5, 5, 13, 5}, kRunLevels = {8, 7, 7, 6, 6, 13, 5};

// Packed as red + 256 green + 65536 blue: white, blue -> cyan -> yellow -> red in steps of
// 255 / 4 = 63.75, each component rounded half to even (63.75 -> 64, 191.25 -> 191).
constexpr PackedColour kLevelColours[14] = {0,        0xFFFFFF, 0xFF4000, 0xFF8000, 0xFFBF00,
                                            0xFFFF00, 0xBFFF40, 0x80FF80, 0x40FFBF, 0x00FFFF,
                                            0x00BFFF, 0x0080FF, 0x0040FF, 0x0000FF};

// The sensitivity tables a window has shown, to the bit, for comparing two windows.
std::vector<std::string> TablesShown(const test::RecordingWindow& window) {
  std::vector<std::string> tables;
  for (const SensitivityFigures& figures : window.sensitivityShown) {
    std::ostringstream out;
    out << std::hexfloat;
    for (const auto& list : figures.lists)
      for (const SensitivityPoint& p : list)
        out << p.entry << (p.current ? "*" : "") << ' ' << p.bayAverage << ' '
            << static_cast<int>(p.status) << '\n';
    tables.push_back(out.str());
  }
  return tables;
}

struct Session {  // a window and its form after start-up
  Session() { window.form = &form, form.FormLoad(); }
  Levels GroupLevels() const {
    Levels levels{};
    for (int g = 1; g <= kGroupCount; ++g)
      levels[g - 1] = static_cast<int>(
          std::find(kLevelColours + 1, kLevelColours + 14, window.groupColours[g]) - kLevelColours);
    return levels;
  }
  void Calculate() { form.Command1Click(), window.messages.clear(), window.messagesInRun.clear(); }
  // A river that makes the run long enough for its progress to be looked at: more steps than
  // a run makes between two looks or, for the table (looked at every 50 ms), cases of more
  // than a million steps.
  void Lengthen(void (MainForm::*run)()) {
    window.Type(TextBox::Text9, run == &MainForm::Command1Click ? "100" : "3");
  }
  auto State() const {  // all a run can change: the report, the window, the case and its run
    const BayModel& m = form.Model();
    return std::tuple(test::ReadBytes(outputPath), TablesShown(window), window.messages,
                      window.texts, window.groupColours, m.BayArea, m.MouthLength, m.InflowQuality,
                      m.QualityFactor, m.QuantityFactor, form.CurrentRun().has_value());
  }
  test::TempFolder folder;
  std::string outputPath = folder.File("Kurimo_OUT.txt");
  test::RecordingWindow window;
  MainForm form{window, outputPath};
};
class FormTest : public ::testing::Test, protected Session {};

// Start-up and the defaults button show the default case and draw the legend of the built
// scale, in twips as single-precision floats: the pen, the window's font of the moment, each
// cell with its threshold above its right edge ("<" before the first), and the frame.
TEST_F(FormTest, StartUpAndTheDefaultsButtonShowTheDefaultCaseAndDrawTheLegend) {
  const struct {
    std::string from, to, labelX, label, colour;
  } cells[] = {
      {"1029.32312", "1378.24609", "1264.84619", " .5 ", "FFFFFF"},
      {"1378.24609", "1727.16919", "1613.76929", " 1 ", "FF4000"},
      {"1727.16919", "2076.09229", "1962.69226", " 1.5 ", "FF8000"},
      {"2076.09229", "2425.01538", "2311.61548", " 2 ", "FFBF00"},
      {"2425.01538", "2773.93848", "2660.53857", " 2.5 ", "FFFF00"},
      {"2773.93848", "3122.86157", "3009.46143", " 3 ", "BFFF40"},
      {"3122.86157", "3471.78467", "3358.38452", " 3.5 ", "80FF80"},
      {"3471.78467", "3820.70776", "3707.30762", " 4 ", "40FFBF"},
      {"3820.70776", "4169.63086", "4056.23071", " 4.5 ", "00FFFF"},
      {"4169.63086", "4518.55371", "4405.15381", " 5 ", "00BFFF"},
      {"4518.55371", "4867.47705", "4754.07715", " 5.5 ", "0080FF"},
      {"4867.47705", "5216.3999", "5103", " 6 ", "0040FF"},
      {"5216.3999", "5565.32324", "5499.8999", "<  (g/m3)", "0000FF"},
  };
  const std::string top = " 5584.9502 ", bottom = " 5755.0498 ", labelY = " 5358.1499 C0C0C0";
  const auto legend = [&](const std::string& font) {
    std::vector<std::string> calls = {"width 2", "style 0", "font " + font};
    for (const auto& cell : cells) {
      calls.push_back("fill " + cell.from + top + cell.to + bottom + cell.colour);
      if (&cell == cells) calls.insert(calls.end(), {"point 1038.04614" + labelY, "print '<'"});
      calls.push_back("point " + cell.labelX + labelY);
      calls.push_back("print '" + cell.label + "'");
    }
    calls.push_back("outline 1029.32312" + top + "5565.32324" + bottom + "000000");
    return calls;
  };
  EXPECT_EQ(window.panel.calls, legend("IPAPGothic")) << "at start-up";
  window.panel.calls.clear(), window.fontFace = "Meiryo UI";
  window.Type(Text1, "500");
  window.Type(Text9, "abc");  // a failing text stays in its box until the defaults
  for (MultiplierList list : {Section, Quality, Quantity})
    window.Pick(list, 1);
  Calculate();
  form.Command3Click();
  EXPECT_EQ(window.panel.calls, legend("Meiryo UI"));
  EXPECT_EQ(window.texts, test::kStartTexts);
  EXPECT_EQ(GroupLevels(), kStartLevels);
  EXPECT_EQ(form.Model().BayArea + form.Model().InflowRate, " 1000 331");  // as the boxes
  EXPECT_TRUE(window.messages.empty() && !window.runResultsAvailable);     // the run is dropped
  EXPECT_EQ(window.selected, (std::array{0, 0, 0}));
  // Placed at start-up, then resized: nothing to cover while minimised.
  for (const auto& [width, height] : {std::pair{12000, 3000}, {0, 0}, {5000, 0}, {0, 5000}})
    window.clientWidth = width, window.clientHeight = height, form.FormResize();
  EXPECT_EQ(window.outerPanelPlacements,
            (std::vector<std::array<int, 4>>{{0, 0, 8625, 6675}, {0, 0, 12000, 3000}}));
}

TEST(ColourScale, TheHighestThresholdNotAboveTheValueDecides) {
  const auto lookUp = [](float concentration, int group = kInflowGroup) {
    ColourScale scale = test::kScale;
    scale.GroupConcentration[group] = concentration;
    PackedColour colour = 0x123456;  // a colour the scale never gives
    scale.ColourForValue(static_cast<std::int16_t>(group), colour);
    return colour;
  };
  for (const auto& [value, level] : {std::pair{-3.0f, 1}, {0.49999999f, 2}, {1000.0f, 13}})
    EXPECT_EQ(lookUp(value), kLevelColours[level]) << value;
  // Each threshold starts the next level; the float just below it is still the level before.
  for (int i = 1; i <= 12; ++i) {
    const float threshold = 0.5f * static_cast<float>(i);
    EXPECT_EQ(lookUp(threshold), kLevelColours[i + 1]) << threshold;
    EXPECT_EQ(lookUp(std::nextafter(threshold, 0.0f)), kLevelColours[i]) << threshold;
  }
  for (int group = 1; group <= kGroupCount; ++group)
    EXPECT_EQ(lookUp(0.5f * static_cast<float>(group), group), kLevelColours[group + 1]) << group;
}

// Each edit or pick rewrites exactly the boxes and colours that depend on it; a failing
// text only brings its message.
TEST(FormEdits, EachEditAndPickRewritesItsBoxesAndColours) {
  struct Row {
    std::vector<std::pair<MultiplierList, int>> picks;
    std::pair<int, const char*> typed;  // after the picks; box 0: nothing typed
    std::vector<std::pair<int, const char*>> changed;
    Levels levels = kStartLevels;
    Messages messages = {};
  };
  const Row rows[] = {
      {{}, {1, "500"}, {{3, " 9"}, {13, " 314.7"}, {14, " 3.19"}, {15, " .032"}}},
      {{},
       {2, "20"},
       {{3, " 20"}, {5, " 20"}, {6, " .14"}, {11, " .14"}, {13, " 699.3"}, {15, " .014"}}},
      {{}, {4, "3.5"}, {{6, " .063"}, {11, " .063"}, {14, " 9.04"}}},
      {{}, {7, "3.5"}, {}, {8, 8, 8, 8, 8, 13, 8}},  // the bay and the sea, not the inflow
      // The inflow shows the quality as typed: 20, not 20 x 0.2 = 4 (level 9).
      {{{Quality, 1}}, {8, "20"}, {{10, " 6620"}, {12, " 1324.00002"}, {15, " .006"}}},
      {{}, {9, "0.5"}, {{10, " 5"}, {12, " 5"}, {13, " 416666.7"}, {15, " 0"}}},
      {{{Section, 2}}, {}, {{11, " .063"}, {14, " 9.04"}}},
      {{{Quality, 1}}, {}, {{12, " 662"}, {15, " .003"}}, {5, 5, 5, 5, 5, 5, 5}},
      {{{Quality, 4}, {Quantity, 5}},
       {},
       {{12, " 5958.00023674965"}, {13, " 419.6"}, {15, " .029"}}},
      {{}, {9, "0"}, {}, kStartLevels, {{"流入水の流量は0にしないでください", "流量の入力制限"}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "row " << &row - rows);
    Session s;
    for (const auto& [list, entry] : row.picks)
      s.window.Pick(list, entry);
    Texts expected = test::kStartTexts;
    if (const auto [box, text] = row.typed; box > 0)
      s.window.Type(TextBox(box), expected[box] = text);
    for (const auto& [box, text] : row.changed)
      expected[box] = text;
    EXPECT_EQ(s.window.texts, expected);
    EXPECT_EQ(s.GroupLevels(), row.levels);
    EXPECT_EQ(s.window.messages, row.messages);
  }
}

// The run's items (chart, series, copy, report) wait for a run of the conditions shown. The
// default run's message, colours, copy and report (its file's golden copy is checked where
// it is written), and the report's files that fail.
TEST_F(FormTest, TheDefaultRunIsShownCopiedSavedAndReported) {
  window.fileAnswer = folder.File("series.csv");
  form.MenuShowChart(), form.MenuSaveSeries(), form.MenuCopyResults(), form.MenuPrintReport();
  EXPECT_TRUE(window.chartsShown.empty() && window.fileQuestions.empty() && window.copied.empty() &&
              window.reportsPrinted.empty());
  form.Command1Click();
  EXPECT_EQ(window.messages, (Messages{{"計算結果(湾内平均水質)\r 3.15(g/m3)", "計算終了です！"}}));
  EXPECT_EQ(GroupLevels(), kRunLevels);
  form.MenuCopyResults();  // every box as shown, the result among them
  EXPECT_EQ(window.copied.at(0),
            "項目\t値\t単位\nケース\t無題\t\n計算条件\n湾面積\t1000\tkm2\n平均水深\t18\tm\n"
            "湾容積\t18\tkm3\n湾口部長さ\t7\tkm\n湾口部水深\t18\tm\n湾口部断面積\t.126\tkm2\n"
            "外海水水質\t2.4\tg/m3\n流入水水質\t10\tg/m3\n流入水流量\t331\tm3/秒\n"
            "流入負荷量\t3310\tg/秒\n条件変更\n湾口部断面積の倍率\t1.0\t倍\n"
            "変更後の湾口部断面積\t.126\tkm2\n流入水水質の倍率\t1.0\t倍\n"
            "流入水流量の倍率\t1.0\t倍\n変更後の流入負荷量\t3310\tg/秒\n水質指標\n"
            "淡水の滞留時間\t629.4\t日\n交換を含むフラッシング時間\t50.6\t日\n閉鎖度\t4.52\t\n"
            "流入負荷量÷湾容積\t.016\tg/m3/日\n計算結果\n湾内平均水質\t3.15\tg/m3\n"
            "ボックス1（湾奥）の水質\t3.63\tg/m3\nボックス2の水質\t3.4\tg/m3\n"
            "ボックス3の水質\t3.16\tg/m3\nボックス4の水質\t2.92\tg/m3\n"
            "ボックス5（湾口）の水質\t2.66\tg/m3\n");
  form.MenuSaveSeries();  // the series file: a heading and a line a point
  EXPECT_EQ(std::ranges::count(test::ReadBytes(*window.fileAnswer), '\n'),
            std::ssize(form.CurrentRun()->series.points) + 1);
  window.fileAnswer.reset();
  form.MenuSaveReportPdf();  // the user cancels the file dialog
  window.fileAnswer = folder.File("report.pdf");
  form.MenuSaveReportPdf(), form.MenuPrintReport();
  EXPECT_EQ(window.fileQuestions,
            (std::vector{FileChoice::SaveSeries, FileChoice::SavePdf, FileChoice::SavePdf}));
  EXPECT_EQ(window.pdfPaths, std::vector<std::string>{*window.fileAnswer});
  EXPECT_EQ(window.reportsWritten.at(0).boxes.at(4).final + window.reportsPrinted.at(0).caseName,
            "2.66無題");
  window.pdfFailure = "ディスクがいっぱいです", window.printFailure = "用紙がありません";
  form.MenuSaveReportPdf(), form.MenuPrintReport();
  EXPECT_EQ(window.messages.at(1).title + window.messages.at(2).title,
            "PDFファイルのエラー印刷のエラー");
  EXPECT_TRUE(
      window.messages[1].text.starts_with("報告書のPDFファイル「" + *window.fileAnswer +
                                          "」に書き込めません（ディスクがいっぱいです）。"));
  window.Type(Text1, "10x");  // fails its check: the run's conditions still hold
  const ReportContent report = MakeReportContent(form, window, "now").value();
  EXPECT_EQ(report.caseName + " " + report.createdAt + " " + report.conditions[0].value + " " +
                report.computed[1].value + " " + report.result[2].value,
            "無題 now 1000 18 50.6");  // the last: the flushing time
  EXPECT_TRUE(report.bayMean == 3.15 && report.notes.empty());
  EXPECT_EQ(report.boxes[0], (ReportBox{"ボックス1（湾奥）", "3.63", "3.63"}));
  window.Type(Text1, " 500");
  EXPECT_FALSE(window.runResultsAvailable || form.CurrentRun().has_value());
  Calculate();
  window.Pick(Quantity, 3);  // as the defaults button does (checked with start-up)
  EXPECT_FALSE(window.runResultsAvailable);
}

// The set-up's warning comes before the result message; the report says under its result
// that the step was shortened, or the warning.
TEST(FormRuns, WarningsAndTheShortenedStepAreSaid) {
  Session small, fast;
  small.window.Type(Text1, "1");  // 1 km2, a 1.15 km mouth: the rule's 72-minute step is too long
  small.window.Type(Text4, "1.15");
  fast.window.Type(Text9, "200000");  // 9.93 m/s through the mouth
  small.form.Command1Click(), fast.form.Command1Click();
  const ReportContent shortened = MakeReportContent(small.form, small.window, "").value(),
                      warned = MakeReportContent(fast.form, fast.window, "").value();
  const std::string title(kMouthVelocityTitle), warning(kMouthVelocityMessage);
  EXPECT_EQ(small.window.messages.front().title + fast.window.messages.front().title,
            "計算終了です！" + title);
  EXPECT_EQ(shortened.result.back().value, "63 分（安定のため 72 分から短縮）");
  EXPECT_EQ(
      shortened.notes,
      std::vector<std::string>{"計算を安定させるため、ﾀｲﾑｽﾃｯﾌﾟを 72 分から 63 分に短くしました。"});
  EXPECT_TRUE(warned.result.back().value.ends_with(" 分（短縮なし）"));
  EXPECT_EQ(warned.notes,
            std::vector<std::string>{
                "警告（" + title + "）: 湾口部の流速が毎秒 1 m を超えています。" + warning + "。"});
}

// Both hold what the last finished run used; a saved case opens back as if typed and picked.
TEST_F(FormTest, CopiedResultsAndSavedCasesHoldWhatTheLastFinishedRunUsed) {
  window.Type(Text1, "1,000");
  window.Type(Text9, "100");  // more steps than a run makes between two looks at the stop
  window.Pick(Section, 2);    // 0.5
  window.Pick(Quality, 7);    // 5.0
  const Texts typed = window.texts;
  window.Type(Text4, "9x");  // being corrected: the case keeps " 7"
  Calculate();
  window.fileAnswer = folder.File("湾\tA");  // saved as 湾<TAB>A.kurimo
  form.MenuSaveCase();
  EXPECT_EQ(window.chartsUpdated.back().caseName, "湾\tA.kurimo");  // the run is the case's now
  form.MenuCopyResults();
  const std::string first = window.copied.at(0);
  for (const char* row : {"\nケース\t湾 A.kurimo\t\n", "\n湾面積\t1,000\tkm2\n",
                          "\n湾口部長さ\t7\tkm\n", "\n変更後の流入負荷量\t5000\tg/秒\n"})
    EXPECT_NE(first.find(row), std::string::npos) << row;
  window.stopRuns = true;  // a stopped run changes nothing
  Calculate();
  form.MenuCopyResults();
  EXPECT_EQ(window.copied.at(1), first);

  form.Command3Click();
  window.fileAnswer = folder.File("湾\tA.kurimo");
  form.MenuOpenCase();
  std::ofstream(folder.File("bad.json")) << "{not json";
  window.fileAnswer = folder.File("bad.json");  // refused: nothing changes
  form.MenuOpenCase();
  EXPECT_EQ(window.texts, typed);
  EXPECT_EQ(window.selected, (std::array{2, 7, 0}));
  EXPECT_EQ(form.CaseName(), "湾\tA.kurimo");
  EXPECT_EQ(window.messages.at(0).title, kCaseFileTitle);
}

// Each list alone, sorted, the case's entry marked; a figure is what a single run gives.
TEST_F(FormTest, SensitivityRunsEachListAloneAsSingleRunsDo) {
  window.Pick(Section, 4);  // 1.2
  form.MenuSensitivity();
  std::string shown;
  for (const auto& list : window.sensitivityShown.at(0).lists) {
    for (const SensitivityPoint& p : list)
      shown += p.current ? "[" + p.entry + "]" : " " + p.entry;
    shown += "\n";
  }
  EXPECT_EQ(shown,
            " 0.2 0.5 0.8 1.0[1.2] 1.5 2.0\n 0.2 0.5 0.8[1.0] 1.2 1.5 2.0 5.0\n"
            " 0.2 0.5 0.8[1.0] 1.2 1.5 2.0 5.0\n");
  const SensitivityPoint point = window.sensitivityShown[0].lists[1][7];  // quality x5.0
  window.Pick(Quality, 7);
  Calculate();
  EXPECT_EQ(point.bayAverage, form.Model().BayAverage[1]);
}

const std::string kNoMemory = "メモリが足りません。ほかのプログラムを閉じてからやり直してください";

// A run that does not finish says so in Japanese once its run state has ended, however its
// calculation ends, and leaves the report, the window and the case as the last finished run
// did; the window takes edits again. Without threads the table is the same.
TEST(FormRuns, ARunThatDoesNotFinishSaysSoAndKeepsTheLastResult) {
  Session threaded;
  threaded.Lengthen(&MainForm::MenuSensitivity);
  threaded.form.MenuSensitivity();
  test::RefusingStarter none(0);
  using Prepare = std::function<void(Session&)>;
  const Prepare stop = [](Session& s) { s.window.stopRuns = true; };
  const Prepare noMemory = [](Session& s) { s.window.duringRun = [] { throw std::bad_alloc(); }; };
  struct Row {
    const char* name;
    void (MainForm::*run)();
    Prepare prepare;
    std::string message;  // its start, @ for the output file; none: the run's own result
    const char* title = "計算のエラー";
  };
  const Row rows[] = {
      {"too large", &MainForm::Command1Click, [](Session& s) { s.window.Type(Text8, "1e38"); },
       "流入水水質（倍率をかけた値が", "計算できません"},
      {"stopped", &MainForm::Command1Click, stop,
       "計算を中止しました。出力ファイル「@」は書き換えていません。", "計算の中止"},
      {"table stopped", &MainForm::MenuSensitivity, stop,
       "感度分析を中止しました。結果は表示しません。", "計算の中止"},
      {"out of memory", &MainForm::Command1Click, noMemory,
       "計算を最後まで続けられませんでした（" + kNoMemory +
           "）。出力ファイル「@」は書き換えていません。"},
      {"table, out of memory", &MainForm::MenuSensitivity, noMemory,
       "感度分析を最後まで続けられませんでした（" + kNoMemory + "）。結果は表示しません。"},
      {"table, unexpected, without threads", &MainForm::MenuSensitivity,
       [&](Session& s) {
         s.form.SetThreadStarter(none);
         s.window.duringRun = [] { throw std::runtime_error("progress"); };
       },
       "感度分析を最後まで続けられませんでした（予期しないエラーが起きました）。"},
      {"table without threads", &MainForm::MenuSensitivity,
       [&](Session& s) { s.form.SetThreadStarter(none); }, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Session s;
    s.Lengthen(row.run);
    s.Calculate();  // the report and the result that the run must keep
    row.prepare(s);
    const auto before = s.State();
    (s.form.*row.run)();
    EXPECT_EQ(std::tuple(s.window.runsBegun, s.window.runsEnded, s.form.Running()),
              std::tuple(2, 2, false));
    if (row.message.empty()) {
      EXPECT_EQ(TablesShown(s.window), TablesShown(threaded.window));
      EXPECT_TRUE(s.window.messages.empty());
    } else {
      std::string said = row.message;
      if (const std::size_t at = said.find('@'); at != std::string::npos)
        said.replace(at, 1, s.outputPath);
      ASSERT_EQ(s.window.messages.size(), 1u);
      EXPECT_TRUE(s.window.messages[0].text.starts_with(said)) << s.window.messages[0].text;
      EXPECT_EQ(s.window.messages[0].title, row.title);
      EXPECT_EQ(s.window.messagesInRun, std::vector<bool>{false}) << "told after the run ended";
      s.window.messages.clear();
      EXPECT_EQ(s.State(), before);
    }
    s.window.Type(Text1, "500");  // taken at once again
    EXPECT_EQ(std::tuple(s.form.Model().BayArea, s.window.BoxText(Text3)), std::tuple("500", " 9"));
  }
}

// Edits and picks that reach the handlers during a run (from inside its progress) wait for
// the run's result: the report, the result and the table are those of the case the run
// started with, and then the case takes what the boxes and lists show, exactly as if the
// change had come after the run. A change undone during the run leaves the run standing.
TEST(FormRuns, ChangesDuringARunAreTakenOnceItsResultIsShown) {
  using Change = std::function<void(test::RecordingWindow&)>;
  struct Row {
    const char* name;
    Change change;
    bool undone = false;  // the boxes and lists end as the run had them
  };
  const Row rows[] = {
      {"area typed", [](auto& w) { w.Type(Text1, "10005"); }},
      {"a text that fails", [](auto& w) { w.Type(Text4, "7x"); }},
      {"quantity picked", [](auto& w) { w.Pick(Quantity, 2); }},
      {"picked, then the quality typed",  // the inflow colour of the last change: as typed
       [](auto& w) { w.Pick(Quality, 1), w.Type(Text8, "20"); }},
      {"the quality typed, then picked",  // the inflow colour of the picked factor
       [](auto& w) { w.Type(Text8, "20"), w.Pick(Quality, 1), w.Type(Text1, "500"); }},
      {"typed, picked, typed again",  // the last change counts: 3 as typed, not 3 x 0.2
       [](auto& w) { w.Type(Text8, "20"), w.Pick(Quality, 1), w.Type(Text8, "3"); }},
      {"typed and typed back", [](auto& w) { w.Type(Text1, "10005"), w.Type(Text1, " 1000"); },
       true},
  };
  const std::pair<const char*, void (MainForm::*)()> runs[] = {
      {"start", &MainForm::Command1Click}, {"sensitivity", &MainForm::MenuSensitivity}};
  for (const auto& [runName, run] : runs) {
    for (const Row& row : rows) {
      SCOPED_TRACE(testing::Message() << runName << ": " << row.name);
      if (run == &MainForm::MenuSensitivity && row.name != rows[0].name && row.name != rows[2].name)
        continue;             // a table takes longer than a run; an edit and a pick tell enough
      Session during, after;  // the change inside the run, and the same change after it
      during.Lengthen(run), after.Lengthen(run);
      during.window.duringRun = [&] {
        EXPECT_TRUE(during.form.Running());
        row.change(during.window);
      };
      (during.form.*run)();
      (after.form.*run)();
      if (!row.undone) row.change(after.window);
      ASSERT_GT(during.window.progressLooks, 0);
      EXPECT_EQ(during.State(), after.State());
    }
  }
  // The run's own figures, independently of the comparison: the report of a 1000 km2 bay.
  // The defaults button and opening a case do nothing during the run.
  Session s;
  s.Lengthen(&MainForm::Command1Click);
  s.window.fileAnswer = s.folder.File("none.kurimo");
  s.window.duringRun = [&] {
    s.window.Type(Text1, "10005"), s.form.Command3Click(), s.form.MenuOpenCase();
  };
  s.form.Command1Click();
  EXPECT_TRUE(test::ReadCp932Lines(s.outputPath)
                  .at(4)
                  .starts_with("    湾面積(km2)= 1000　平均水深(m)= 18　"));
  EXPECT_EQ(std::tuple(s.form.Model().BayArea, s.window.BoxText(Text3)),
            std::tuple("10005", " 180.09"));
  EXPECT_TRUE(s.window.fileQuestions.empty());
  EXPECT_EQ(s.window.messages.size(), 1u);  // the result alone
}

TEST(SensitivityText, CaseStatuses) {
  using enum RunStatus;
  const std::tuple<CaseStatus, RunStatus, const char*> rows[] = {
      {CaseStatus::Warning, Completed, "完了（流量等の入力制限）"},
      {CaseStatus::Abandoned, ValueTooLarge, "中止（水質の値が大きすぎる）"},
      {CaseStatus::Abandoned, Diverged, "中止（計算が発散）"},
      {CaseStatus::Abandoned, Cancelled, "中止"},
      {CaseStatus::Abandoned, ZeroTimeStep, "中止（時間刻みが 0 分）"},
      {CaseStatus::Abandoned, NonFiniteCase, "中止（値が無限大または非数）"},
      {CaseStatus::Abandoned, TooManySteps, "中止（ステップ数が多すぎる）"},
      {CaseStatus::Done, Completed, "完了"},
  };
  for (SensitivityPoint point; const auto& [status, runStatus, text] : rows) {
    point.status = status, point.runStatus = runStatus;
    EXPECT_EQ(CaseStatusText(point), text);
  }
}

TEST_F(FormTest, AboutNamesTheProgramAndItsVersionAndTheReportIsDatedLocally) {
  form.MenuAbout();
  EXPECT_EQ(window.messages,
            (Messages{{"閉鎖性海域水質計算 Kurimo\nバージョン " KURIMO_PROJECT_VERSION
                       "\n\n河川が流れ込み、湾口で外海とつながる湾の水質を、5 つのボックス（移流・"
                       "渦拡散、4 次のルンゲ・クッタ法）で計算します。",
                       "このプログラムについて"}}));
  ::setenv("TZ", "JST-9", 1), ::tzset();
  using namespace std::chrono;
  EXPECT_EQ(ReportDateTime(sys_days(2026y / 12 / 7) + 23h + 5min), "2026年12月08日 08:05");
}

// Refused command lines, each told in Japanese with the options it names.
TEST(StartOptions, RefusalsAreToldInJapanese) {
  const std::pair<std::vector<const char*>, std::string> rows[] = {
      {{"kurimo", "--pdf", ""}, "--pdf のファイル名が空です。\n"},
      {{"kurimo", "--pdf"}, "引数が正しくありません: --pdf に付ける値の数が正しくありません。\n"},
      {{"kurimo", "a.kurimo", "--case", "b.kurimo"},
       "引数が正しくありません: CASE と --case は一緒に使えません。\n"},
      {{"kurimo", "--frobnicate"},
       "引数が正しくありません: 使えない引数があります（--frobnicate）。\n"},
  };
  for (const auto& [argv, said] : rows) {
    const StartParse parse = ParseStartOptions(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(std::pair(parse.exitStatus, parse.textIsError), std::pair(2, true)) << said;
    EXPECT_EQ(parse.text.substr(0, said.size() - 1) + "\n", said);
  }
}

}  // namespace
}  // namespace kurimo
