// The menu bar's handlers through a recording window: the items that need a finished run,
// the chart's figures, the time-series file, saving and opening cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "case_file.h"
#include "exit_status.h"
#include "main_form.h"
#include "number_text.h"
#include "recording_window.h"
#include "report_content.h"
#include "start_options.h"
#include "target_load.h"
#include "test_helpers.h"

namespace kurimo {
namespace {

using test::RecordingWindow;
using enum TextBox;

class MenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window.form = &form;
    form.FormLoad();
  }
  void Run() {
    form.Command1Click();
    window.messages.clear();
  }
  std::array<std::string, kTextBoxCount + 1> Texts() const { return window.texts; }

  test::TempFolder folder;
  RecordingWindow window;
  MainForm form{window, folder.File("Kurimo_OUT.txt")};
};

TEST_F(MenuTest, RunItemsAreOnOnlyWhileTheLastRunMatchesTheConditions) {
  EXPECT_FALSE(window.runResultsAvailable);
  form.MenuShowChart();
  form.MenuSaveSeries();
  EXPECT_TRUE(window.chartsShown.empty());
  EXPECT_TRUE(window.fileQuestions.empty());

  Run();
  EXPECT_TRUE(window.runResultsAvailable);
  EXPECT_TRUE(form.CurrentRun().has_value());
  // A text that fails its check changes no condition.
  window.Type(Text1, "abc");
  EXPECT_TRUE(window.runResultsAvailable);
  window.messages.clear();

  window.Type(Text1, " 500");
  EXPECT_FALSE(window.runResultsAvailable);
  EXPECT_FALSE(form.CurrentRun().has_value());
  form.MenuShowChart();
  EXPECT_TRUE(window.chartsShown.empty());

  Run();
  EXPECT_TRUE(window.runResultsAvailable);
  window.Pick(MultiplierList::Quantity, 3);
  EXPECT_FALSE(window.runResultsAvailable);

  Run();
  form.Command3Click();
  EXPECT_FALSE(window.runResultsAvailable);

  // A run that fails leaves the items as they were.
  window.Type(Text8, "1e38");
  window.messages.clear();
  form.Command1Click();
  EXPECT_FALSE(window.runResultsAvailable);
}

TEST_F(MenuTest, TheChartGetsTheRunsSeriesAndSteadyState) {
  Run();
  ASSERT_EQ(window.chartsUpdated.size(), 1u);
  const BayModel& model = form.Model();
  const RunRecord record = window.chartsUpdated[0];  // a copy: the vector grows below
  const std::vector<SeriesPoint>& points = record.series.points;
  ASSERT_GE(points.size(), 2u);
  EXPECT_LE(points.size(), 2001u);
  EXPECT_EQ(points.front().step, 0u);
  EXPECT_EQ(points.front().day, 0.0);
  const auto steps = static_cast<std::uint64_t>(
      std::floor(model.CalculationDays * 24 * 60 / model.TimeStepMinutes + 0.5));
  EXPECT_EQ(points.back().step, steps);
  EXPECT_EQ(points.back().day, static_cast<double>(steps) * model.TimeStepMinutes / 1440);
  EXPECT_NEAR(points.back().day, model.CalculationDays, model.TimeStepMinutes / 1440);
  for (int b = 1; b <= 5; ++b) {
    EXPECT_EQ(points.front().concentration[b - 1], 2.4) << b;
    EXPECT_EQ(points.back().concentration[b - 1], model.Concentration[1][b]) << b;
    EXPECT_NEAR(record.steadyState[b - 1], model.Concentration[1][b], 1e-3) << b;
  }
  EXPECT_EQ(record.series.openSea, 2.4);

  form.MenuShowChart();
  ASSERT_EQ(window.chartsShown.size(), 1u);
  EXPECT_EQ(window.chartsShown[0].series.points.size(), points.size());
  EXPECT_EQ(window.chartsShown[0].steadyState, record.steadyState);

  // The next run replaces the figures.
  window.Pick(MultiplierList::Quality, 7);  // 5.0
  Run();
  ASSERT_EQ(window.chartsUpdated.size(), 2u);
  // The excess over the open sea grows (to the rounding of the load to single precision) with the
  // load less what the river's own flow would carry at the open-sea concentration: L - Q x 2.4 with
  // L = 3310 g/s, Q = 331 m3/s.
  const double ratio = (5 * 3310 - 331 * 2.4) / (3310 - 331 * 2.4);
  for (int b = 0; b < 5; ++b) {
    const double excess = record.steadyState[b] - 2.4;
    EXPECT_NEAR(window.chartsUpdated[1].steadyState[b] - 2.4, ratio * excess, 1e-6 * excess) << b;
  }
}

// The rows of a text, split at line feeds; each row split at tabs.
std::vector<std::vector<std::string>> Rows(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    const std::string line = text.substr(start, end - start);
    std::vector<std::string> cells;
    std::size_t cellStart = 0;
    for (;;) {
      const std::size_t tab = line.find('\t', cellStart);
      cells.push_back(line.substr(cellStart, tab - cellStart));
      if (tab == std::string::npos) break;
      cellStart = tab + 1;
    }
    rows.push_back(cells);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return rows;
}

TEST_F(MenuTest, CopiedResultsOfTheDefaultRunAreRowsOfItemValueAndUnit) {
  form.MenuCopyResults();  // no run yet: nothing to copy
  EXPECT_TRUE(window.copied.empty());
  Run();
  form.MenuCopyResults();
  ASSERT_EQ(window.copied.size(), 1u);
  const std::string& text = window.copied[0];
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.back(), '\n');
  using Row = std::vector<std::string>;
  // The figures of the default case as the window and its report show them; the boxes
  // run down from the river's side to the open sea's 2.4.
  const std::vector<Row> expected = {
      {"項目", "値", "単位"},
      {"ケース", "無題", ""},
      {"計算条件"},
      {"湾面積", "1000", "km2"},
      {"平均水深", "18", "m"},
      {"湾容積", "18", "km3"},
      {"湾口部長さ", "7", "km"},
      {"湾口部水深", "18", "m"},
      {"湾口部断面積", ".126", "km2"},
      {"外海水水質", "2.4", "g/m3"},
      {"流入水水質", "10", "g/m3"},
      {"流入水流量", "331", "m3/秒"},
      {"流入負荷量", "3310", "g/秒"},
      {"条件変更"},
      {"湾口部断面積の倍率", "1.0", "倍"},
      {"変更後の湾口部断面積", ".126", "km2"},
      {"流入水水質の倍率", "1.0", "倍"},
      {"流入水流量の倍率", "1.0", "倍"},
      {"変更後の流入負荷量", "3310", "g/秒"},
      {"水質指標"},
      {"淡水の滞留時間", "629.4", "日"},
      {"交換を含むフラッシング時間", "50.6", "日"},
      {"閉鎖度", "4.52", ""},
      {"流入負荷量÷湾容積", ".016", "g/m3/日"},
      {"計算結果"},
      {"湾内平均水質", "3.15", "g/m3"},
      {"ボックス1（湾奥）の水質", "3.63", "g/m3"},
      {"ボックス2の水質", "3.4", "g/m3"},
      {"ボックス3の水質", "3.16", "g/m3"},
      {"ボックス4の水質", "2.92", "g/m3"},
      {"ボックス5（湾口）の水質", "2.66", "g/m3"},
  };
  EXPECT_EQ(Rows(text), expected) << text;
}

TEST_F(MenuTest, CopiedResultsFollowTheWindowAndTheLastFinishedRun) {
  using Row = std::vector<std::string>;
  const auto rowOf = [](const std::string& text, const std::string& item) {
    for (const Row& row : Rows(text))
      if (row.front() == item) return row;
    return Row{};
  };
  window.Pick(MultiplierList::Quality, 7);  // 5.0
  window.Type(Text1, "1,000");
  window.Type(Text9, "100");  // more steps than the run makes between two looks at the stop
  window.fileAnswer = folder.File("湾\tA");  // a name with a tab in it
  form.MenuSaveCase();
  ASSERT_TRUE(window.messages.empty());
  Run();
  form.MenuCopyResults();
  ASSERT_EQ(window.copied.size(), 1u);
  const std::string first = window.copied[0];
  EXPECT_EQ(rowOf(first, "ケース"), (Row{"ケース", "湾 A.kurimo", ""}));
  EXPECT_EQ(rowOf(first, "湾面積"), (Row{"湾面積", "1,000", "km2"}));
  EXPECT_EQ(rowOf(first, "流入水水質の倍率"), (Row{"流入水水質の倍率", "5.0", "倍"}));
  EXPECT_EQ(rowOf(first, "変更後の流入負荷量"), (Row{"変更後の流入負荷量", "5000", "g/秒"}));
  for (const Row& row : Rows(first))
    EXPECT_LE(row.size(), 3u);

  // A run stopped part way leaves the finished run's figures to be copied.
  window.continueRun = [](auto, auto) { return false; };
  form.Command1Click();
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0].title, "計算の中止");
  ASSERT_NE(form.Model().Concentration[1][1],
            form.CurrentRun()->series.points.back().concentration[0]);
  form.MenuCopyResults();
  ASSERT_EQ(window.copied.size(), 2u);
  EXPECT_EQ(window.copied[1], first);

  // A box being corrected does not count: the sheet holds what the run used.
  window.Type(Text2, "18m");
  form.MenuCopyResults();
  ASSERT_EQ(window.copied.size(), 3u);
  EXPECT_EQ(rowOf(window.copied[2], "平均水深"), (Row{"平均水深", "18", "m"}));
}

TEST_F(MenuTest, TheTimeSeriesFileIsWrittenOnlyWhereTheUserSaysAndFailuresAreReported) {
  Run();
  const std::string path = folder.File("series.csv");
  window.fileAnswer.reset();  // cancelled
  form.MenuSaveSeries();
  EXPECT_FALSE(std::ifstream(path).good());

  window.fileAnswer = path;
  form.MenuSaveSeries();
  ASSERT_EQ(window.fileQuestions.back(), FileChoice::SaveSeries);
  EXPECT_TRUE(window.messages.empty());
  const std::string bytes = test::ReadBytes(path);
  EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
  std::size_t lines = 0;
  for (char c : bytes)
    lines += c == '\n';
  EXPECT_EQ(lines, form.CurrentRun()->series.points.size() + 1);

  window.fileAnswer = folder.File("missing/series.csv");
  form.MenuSaveSeries();
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_NE(window.messages[0].text.find("missing/series.csv"), std::string::npos);
  EXPECT_NE(window.messages[0].text.find("フォルダーが見つかりません"), std::string::npos);
}

TEST_F(MenuTest, ASavedCaseOpensBackAsIfTypedAndPicked) {
  window.Type(Text1, "1,000");
  window.Type(Text2, " 20");
  window.Type(Text9, "400");
  window.Type(Text7, "2.");
  window.Pick(MultiplierList::Section, 2);  // 0.5
  window.Pick(MultiplierList::Quality, 7);  // 5.0
  ASSERT_TRUE(window.messages.empty());
  const auto typed = Texts();
  const std::array<int, 3> picked = {2, 7, 0};  // opening selects the untouched list's 1.0

  EXPECT_EQ(form.CaseName(), "無題");
  window.fileAnswer = folder.File("case.json");
  form.MenuSaveCase();
  EXPECT_EQ(window.fileQuestions.back(), FileChoice::SaveCase);
  EXPECT_TRUE(window.messages.empty());
  EXPECT_EQ(window.caseNames, std::vector<std::string>{"case.json"});

  form.Command3Click();
  ASSERT_NE(Texts(), typed);
  form.MenuOpenCase();
  EXPECT_EQ(window.fileQuestions.back(), FileChoice::OpenCase);
  EXPECT_TRUE(window.messages.empty());
  EXPECT_EQ(Texts(), typed);
  EXPECT_EQ(window.selected, picked);
  EXPECT_EQ(form.Model().BayArea, "1,000");
  EXPECT_EQ(form.Model().OpenSeaQuality, "2.");
  EXPECT_EQ(form.Model().SectionFactor, 0.5);
  EXPECT_EQ(window.caseNames.size(), 2u);
  EXPECT_EQ(form.CaseName(), "case.json");
}

TEST_F(MenuTest, ANameSavedWithoutExtensionBecomesAKurimoFileThatOpensBack) {
  window.Type(Text9, "400");
  window.fileAnswer = folder.File("湾A");
  form.MenuSaveCase();
  EXPECT_TRUE(window.messages.empty());
  EXPECT_FALSE(std::filesystem::exists(folder.File("湾A")));
  const CaseReadResult read = ReadCaseFile(folder.File("湾A.kurimo"));
  ASSERT_TRUE(read.value.has_value()) << read.error;
  EXPECT_EQ(read.value->texts[static_cast<int>(ConditionBox::InflowRate)], "400");
  EXPECT_EQ(form.CaseName(), "湾A.kurimo");
  EXPECT_EQ(window.caseNames, std::vector<std::string>{"湾A.kurimo"});

  // A failure names the file that was to be written.
  window.fileAnswer = folder.File("missing/湾B");
  form.MenuSaveCase();
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_NE(window.messages[0].text.find("missing/湾B.kurimo」"), std::string::npos);
  EXPECT_EQ(form.CaseName(), "湾A.kurimo");
}

TEST_F(MenuTest, ABoxBeingCorrectedIsSavedWithItsLastAcceptedText) {
  window.Type(Text4, " 9");
  window.Type(Text4, "9x");  // fails its check: the case keeps " 9"
  window.messages.clear();
  window.fileAnswer = folder.File("case.json");
  form.MenuSaveCase();
  const CaseReadResult read = ReadCaseFile(folder.File("case.json"));
  ASSERT_TRUE(read.value.has_value()) << read.error;
  EXPECT_EQ(read.value->texts[static_cast<int>(ConditionBox::MouthLength)], " 9");
  EXPECT_EQ(read.value->entries[0], "1.0");
}

TEST_F(MenuTest, AMalformedOrForeignCaseFileIsRefusedAndChangesNothing) {
  Run();
  window.Pick(MultiplierList::Section, 1);
  Run();
  const auto before = Texts();
  const auto selectedBefore = window.selected;
  for (const char* content :
       {"{not json", R"({"format": "something-else", "version": 1})", "", "[1, 2, 3]"}) {
    const std::string path = folder.File("bad.json");
    std::ofstream(path, std::ios::binary) << content;
    window.fileAnswer = path;
    form.MenuOpenCase();
    ASSERT_EQ(window.messages.size(), 1u) << content;
    EXPECT_FALSE(window.messages[0].text.empty());
    EXPECT_EQ(Texts(), before) << content;
    EXPECT_EQ(window.selected, selectedBefore);
    EXPECT_TRUE(window.runResultsAvailable);
    window.messages.clear();
  }
  window.fileAnswer = folder.File("no-such-case.json");
  form.MenuOpenCase();
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(Texts(), before);

  window.messages.clear();
  window.fileAnswer.reset();
  form.MenuOpenCase();
  EXPECT_TRUE(window.messages.empty());
  // A refused file does not become the case's name.
  EXPECT_TRUE(window.caseNames.empty());
  EXPECT_EQ(form.CaseName(), "無題");
}

TEST_F(MenuTest, SensitivityRunsEachListAloneAndMatchesSingleRuns) {
  window.Pick(MultiplierList::Section, 4);  // 1.2: the case's own entry in that list
  const auto texts = Texts();
  form.MenuSensitivity();
  ASSERT_EQ(window.sensitivityShown.size(), 1u);
  EXPECT_TRUE(window.messages.empty());
  EXPECT_EQ(window.beginRuns, window.endRuns);
  EXPECT_EQ(Texts(), texts);  // the case itself is untouched
  EXPECT_FALSE(window.runResultsAvailable);

  const SensitivityFigures& figures = window.sensitivityShown[0];
  ASSERT_EQ(figures.lists[0].size(), 7u);
  ASSERT_EQ(figures.lists[1].size(), 8u);
  ASSERT_EQ(figures.lists[2].size(), 8u);
  for (const auto& points : figures.lists) {
    EXPECT_TRUE(std::is_sorted(points.begin(), points.end(),
                               [](const auto& a, const auto& b) { return a.factor < b.factor; }));
    EXPECT_EQ(std::count_if(points.begin(), points.end(), [](const auto& p) { return p.current; }),
              1);
  }
  EXPECT_EQ(figures.lists[0][4].entry, "1.2");
  EXPECT_TRUE(figures.lists[0][4].current);
  EXPECT_TRUE(figures.lists[1][3].current);  // 1.0 in the sorted quality list
  EXPECT_EQ(figures.lists[1][7].entry, "5.0");

  // The figures are what single runs of the same cases give, to the last bit.
  form.Command1Click();
  const double current = form.Model().BayAverage[1];
  EXPECT_EQ(figures.lists[0][4].bayAverage, current);
  EXPECT_EQ(figures.lists[1][3].bayAverage, current);
  EXPECT_EQ(figures.lists[2][3].bayAverage, current);
  window.Pick(MultiplierList::Quality, 7);  // 5.0
  form.Command1Click();
  EXPECT_EQ(figures.lists[1][7].bayAverage, form.Model().BayAverage[1]);
  window.Pick(MultiplierList::Quality, 0);
  window.Pick(MultiplierList::Section, 1);  // 0.2
  form.Command1Click();
  EXPECT_EQ(figures.lists[0][0].bayAverage, form.Model().BayAverage[1]);
  // A narrower mouth keeps more of the load in the bay.
  EXPECT_GT(figures.lists[0][0].bayAverage, figures.lists[0][6].bayAverage);
}

TEST_F(MenuTest, AbandonedCasesShowAsSuchInTheSensitivityFigures) {
  // A river quality near the end of single precision: the largest factors overflow.
  window.Type(Text8, "1e34");
  window.messages.clear();
  form.MenuSensitivity();
  ASSERT_EQ(window.sensitivityShown.size(), 1u);
  const auto& quality = window.sensitivityShown[0].lists[1];
  EXPECT_EQ(quality.back().status, CaseStatus::Abandoned);
  EXPECT_EQ(quality.back().runStatus, RunStatus::ValueTooLarge);
  EXPECT_TRUE(std::isnan(quality.back().bayAverage));
  EXPECT_EQ(window.messages.size(), 0u);  // no message box per case
}

TEST_F(MenuTest, StoppingTheSensitivityRunsShowsNothingButSaysSo) {
  window.Type(Text9, " 1");  // millions of steps a case: the runs take long enough to stop
  int asked = 0;
  window.continueRun = [&asked](std::uint64_t done, std::uint64_t total) {
    ++asked;
    EXPECT_LE(done, total);
    EXPECT_GT(total, 23u * 1000000u);  // counted in steps: millions a case
    return false;
  };
  form.MenuSensitivity();
  EXPECT_GE(asked, 1);
  EXPECT_TRUE(window.sensitivityShown.empty());
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0].title, "計算の中止");
  EXPECT_FALSE(form.Running());
  EXPECT_EQ(window.beginRuns, window.endRuns);
}

// The labelled values of a report table, in order.
std::vector<std::string> Values(const std::vector<ReportItem>& items) {
  std::vector<std::string> values;
  for (const ReportItem& item : items)
    values.push_back(item.value);
  return values;
}

const std::string* Find(const std::vector<ReportItem>& items, std::string_view label) {
  for (const ReportItem& item : items) {
    if (item.label == label) return &item.value;
  }
  return nullptr;
}

// The default case's report holds the figures known for it: the bay mean 3.15, the five
// boxes near 3.63 .. 2.66 at their steady state, the 718-minute step, the levels 8, 7, 7,
// 6, 6 of the bay boxes' colours.
TEST_F(MenuTest, TheReportOfTheDefaultRunHoldsItsKnownFigures) {
  EXPECT_FALSE(MakeReportContent(form, window, "").has_value());
  Run();
  window.Type(Text1, "10x");  // fails its check: the run's conditions still hold
  window.messages.clear();
  const std::optional<ReportContent> report =
      MakeReportContent(form, window, "2025年01月02日 03:04");
  ASSERT_TRUE(report.has_value());
  EXPECT_EQ(report->caseName, "無題");
  EXPECT_EQ(report->createdAt, "2025年01月02日 03:04");
  EXPECT_EQ(Values(report->conditions),
            (std::vector<std::string>{"1000", "18", "7", "2.4", "10", "331"}));
  EXPECT_EQ(report->conditions[0].label, "湾面積(km2)");
  EXPECT_EQ(Values(report->multipliers), (std::vector<std::string>{"×1.0", "×1.0", "×1.0"}));
  EXPECT_EQ(Values(report->computed),
            (std::vector<std::string>{"18", "18", ".126", "3310", ".126", "3310"}));
  EXPECT_EQ(Values(report->indicators), (std::vector<std::string>{"629.4", "4.52", ".016"}));

  ASSERT_NE(Find(report->result, "湾内平均水質(g/m3)"), nullptr);
  EXPECT_EQ(*Find(report->result, "湾内平均水質(g/m3)"), "3.15");
  EXPECT_EQ(report->bayMean, 3.15);
  ASSERT_NE(Find(report->result, "淡水の滞留時間(日)"), nullptr);
  EXPECT_EQ(*Find(report->result, "淡水の滞留時間(日)"), "629.4");
  // The mouth's exchange flushes the bay well within the fresh water's residence time.
  const std::string* flushing = Find(report->result, "交換を含むフラッシング時間(日)");
  ASSERT_NE(flushing, nullptr);
  EXPECT_GT(std::stod(*flushing), 1.0);
  EXPECT_LT(std::stod(*flushing), 629.4);
  EXPECT_EQ(*Find(report->result, "計算期間(日)"), "6294");
  EXPECT_EQ(*Find(report->result, "時間刻み"), "718 分（短縮なし）");
  EXPECT_TRUE(report->notes.empty());

  const std::array<const char*, 5> finals = {"3.63", "3.4", "3.16", "2.92", "2.66"};
  const std::array<int, 5> levels = {8, 7, 7, 6, 6};
  ASSERT_EQ(report->boxes.size(), 5u);
  for (int b = 0; b < 5; ++b) {
    EXPECT_EQ(report->boxes[b].final, finals[b]) << b;
    EXPECT_EQ(report->boxes[b].steady, finals[b]) << b;  // ten residence times: converged
    EXPECT_EQ(report->groupColours[b + 1], test::kLevelColour[levels[b]]) << b;
  }
  EXPECT_EQ(report->boxes[0].label, "ボックス1（湾奥）");
  EXPECT_EQ(report->groupColours[kInflowGroup], test::kLevelColour[13]);  // 10 g/m3
  EXPECT_EQ(report->groupColours[kOpenSeaGroup], test::kLevelColour[5]);  // 2.4 g/m3
  EXPECT_EQ(report->run.series.points.size(), form.CurrentRun()->series.points.size());

  window.Pick(MultiplierList::Quality, 7);
  EXPECT_FALSE(MakeReportContent(form, window, "").has_value());
}

// A small bay with a narrow mouth: the step is shortened; with a river far too large for
// the mouth the run also warns. Both are said under the result.
TEST_F(MenuTest, TheReportSaysWhenTheStepWasShortenedOrTheRunWarned) {
  window.Type(Text1, "10");
  window.Type(Text2, "4");
  window.Type(Text4, "8");
  window.Pick(MultiplierList::Section, 2);  // 0.5
  struct Row {
    const char* name;
    const char* inflowRate;
    bool shortened;
    bool warned;
  };
  for (const Row& row : {Row{"narrow mouth", "331", true, false},
                         Row{"river too fast for the mouth", "20000", false, true}}) {
    window.Type(Text9, row.inflowRate);
    Run();
    const std::optional<ReportContent> report = MakeReportContent(form, window, "");
    ASSERT_TRUE(report.has_value()) << row.name;
    EXPECT_EQ(report->multipliers[0].value, "×0.5") << row.name;
    EXPECT_EQ(Find(report->result, "時間刻み")->find("短縮なし") == std::string::npos,
              row.shortened)
        << row.name;
    EXPECT_EQ(report->notes.size(), (row.shortened ? 1u : 0u) + (row.warned ? 1u : 0u)) << row.name;
    for (const std::string& note : report->notes) {
      const bool warning = note.find("流入水流量を小さくするか") != std::string::npos;
      const bool step = note.find("短くしました") != std::string::npos;
      EXPECT_TRUE(warning ? row.warned : step && row.shortened) << row.name << ": " << note;
    }
  }
}

TEST_F(MenuTest, TheReportIsWrittenOrPrintedOnlyForACurrentRunAndFailuresAreTold) {
  window.fileAnswer = folder.File("report.pdf");
  form.MenuSaveReportPdf();
  form.MenuPrintReport();
  EXPECT_TRUE(window.fileQuestions.empty());
  EXPECT_TRUE(window.reportsPrinted.empty());

  std::ofstream(folder.File("bay.json")) << R"({"format": "kurimo-case", "version": 1,
      "conditions": {"bay_area": "500", "mean_depth": "18", "mouth_length": "7",
                     "open_sea_quality": "2.4", "inflow_quality": "10", "inflow_rate": "331"},
      "multipliers": {"section": "1.0", "quality": "1.0", "quantity": "1.0"}})";
  ASSERT_TRUE(form.OpenCase(folder.File("bay.json")));
  Run();
  window.fileAnswer.reset();  // the user cancels the file dialog
  form.MenuSaveReportPdf();
  EXPECT_TRUE(window.reportsWritten.empty());

  window.fileAnswer = folder.File("report.pdf");
  form.MenuSaveReportPdf();
  form.MenuPrintReport();
  ASSERT_EQ(window.pdfPaths, std::vector<std::string>{folder.File("report.pdf")});
  ASSERT_EQ(window.reportsPrinted.size(), 1u);
  EXPECT_EQ(window.fileQuestions.back(), FileChoice::SavePdf);
  for (const ReportContent& report : {window.reportsWritten[0], window.reportsPrinted[0]}) {
    EXPECT_EQ(report.caseName, "bay.json");
    EXPECT_EQ(report.conditions[0].value, "500");
    EXPECT_FALSE(report.createdAt.empty());
  }
  EXPECT_TRUE(window.messages.empty());

  window.pdfFailure = "ディスクがいっぱいです";
  window.printFailure = "プリンターに出力できませんでした";
  form.MenuSaveReportPdf();
  form.MenuPrintReport();
  ASSERT_EQ(window.messages.size(), 2u);
  EXPECT_EQ(window.messages[0].title, "PDFファイルのエラー");
  EXPECT_NE(window.messages[0].text.find(folder.File("report.pdf")), std::string::npos);
  EXPECT_NE(window.messages[0].text.find("ディスクがいっぱいです"), std::string::npos);
  EXPECT_EQ(window.messages[1].title, "印刷のエラー");
  EXPECT_NE(window.messages[1].text.find("プリンターに出力できませんでした"), std::string::npos);
}

TEST_F(MenuTest, AboutAndExit) {
  form.MenuAbout();
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0].title, "このプログラムについて");
  EXPECT_NE(window.messages[0].text.find("Kurimo"), std::string::npos);
  EXPECT_NE(window.messages[0].text.find(KURIMO_VERSION), std::string::npos);
  form.MenuExit();
  EXPECT_EQ(window.endProgramCalls, 1);
}

}  // namespace
}  // namespace kurimo

namespace kurimo {
namespace {

// The window program's command line: what it opens, where its reports go, and the
// statuses of what it refuses.
TEST_F(MenuTest, TargetLoadFollowsTheCaseAndItsButtonTypesTheQuality) {
  form.MenuTargetLoad();
  ASSERT_EQ(window.targetShown.size(), 1u);
  // Before a target is typed: where the bay stands, no figures, nothing to write.
  EXPECT_NE(window.targetShown[0].texts.currentMean, "");
  EXPECT_EQ(window.targetShown[0].texts.load, "");
  EXPECT_FALSE(window.targetShown[0].canApply);

  form.TargetTextChange(" 3");
  ASSERT_FALSE(window.targetUpdated.empty());
  const TargetView shown = window.targetUpdated.back();
  EXPECT_TRUE(shown.canApply);
  EXPECT_EQ(shown.texts.note, "");
  for (const std::string& box : shown.texts.steadyState)
    EXPECT_NE(box, "");
  ASSERT_TRUE(form.Target().has_value());
  const std::string quality = form.Target()->inflowQualityText;
  EXPECT_EQ(shown.texts.load, NumberToText(RoundHalfEven(form.Target()->load, 2)));

  // A bad keystroke is refused with a message and keeps the figures of the last target.
  const std::size_t updates = window.targetUpdated.size();
  form.TargetTextChange(" 3x");
  EXPECT_EQ(window.messages.back(),
            (test::ShownMessage{std::string(kTargetMessage), std::string(kTargetTitle)}));
  EXPECT_EQ(window.targetUpdated.size(), updates);
  EXPECT_EQ(form.Target()->targetMean, 3.0);
  window.messages.clear();

  // The button types the quality into Text8: every box and colour follows as for typing.
  form.TargetApplyClick();
  EXPECT_EQ(window.Text(Text8), quality);
  RecordingWindow typed;
  MainForm typedForm{typed, folder.File("typed.txt")};
  typed.form = &typedForm;
  typedForm.FormLoad();
  typed.Type(Text8, quality);
  EXPECT_EQ(window.texts, typed.texts);
  EXPECT_EQ(window.groupColours, typed.groupColours);
  EXPECT_NE(window.Text(Text10), test::kStartTexts[9]);
  // The figures follow the case: the load now is the target's.
  EXPECT_NEAR(form.Target()->reductionPercent, 0, 1e-5);
  EXPECT_TRUE(window.messages.empty());
  Run();
  EXPECT_EQ(window.Text(Text16), " 3");

  // A multiplier of the quality halves the quality that reaches the same load.
  const double before = form.Target()->inflowQuality;
  window.Pick(MultiplierList::Quality, 6);  // 2.0
  EXPECT_NEAR(form.Target()->inflowQuality, before / 2, 1e-9 * before);

  // Below the clean river's mean: said so, and the button writes nothing.
  form.TargetTextChange("1");
  EXPECT_FALSE(window.targetUpdated.back().canApply);
  EXPECT_NE(window.targetUpdated.back().texts.note.find("達成できません"), std::string::npos);
  const std::string held = window.Text(Text8);
  form.TargetApplyClick();
  EXPECT_EQ(window.Text(Text8), held);
  // An emptied box clears the target without a message.
  form.TargetTextChange("");
  EXPECT_FALSE(form.Target().has_value());
  EXPECT_TRUE(window.messages.empty());
}

TEST(StartOptions, CommandLinesAndTheirOutcomes) {
  struct Row {
    const char* name;
    std::vector<const char*> args;
    int status;  // -1: the window opens
    const char* caseFile;
    const char* outputPath;
    const char* pdfPath = nullptr;
  };
  const std::vector<Row> rows = {
      {"nothing", {}, -1, nullptr, nullptr},
      {"a case", {"bay.kurimo"}, -1, "bay.kurimo", nullptr},
      {"a case by name", {"--case", "bay.json"}, -1, "bay.json", nullptr},
      {"an output path", {"--output", "/tmp/r.txt", "bay.kurimo"}, -1, "bay.kurimo", "/tmp/r.txt"},
      {"a report", {"--pdf", "r.pdf"}, -1, nullptr, nullptr, "r.pdf"},
      {"a report of a case", {"--pdf", "r.pdf", "bay.json"}, -1, "bay.json", nullptr, "r.pdf"},
      {"a report with the run's output",
       {"--case", "bay.json", "--output", "o.txt", "--pdf", "r.pdf"},
       -1,
       "bay.json",
       "o.txt",
       "r.pdf"},
      {"an empty report name", {"--pdf", ""}, batch::kExitBadInput, nullptr, nullptr},
      {"a report without its path", {"--pdf"}, batch::kExitBadInput, nullptr, nullptr},
      {"help", {"--help"}, batch::kExitOk, nullptr, nullptr},
      {"version", {"--version"}, batch::kExitOk, nullptr, nullptr},
      {"two cases", {"a.kurimo", "b.kurimo"}, batch::kExitBadInput, nullptr, nullptr},
      {"a case both ways",
       {"a.kurimo", "--case", "b.kurimo"},
       batch::kExitBadInput,
       nullptr,
       nullptr},
      {"an unknown option", {"--bogus"}, batch::kExitBadInput, nullptr, nullptr},
      {"an empty output name", {"--output", ""}, batch::kExitBadInput, nullptr, nullptr},
      {"an output without its path", {"--output"}, batch::kExitBadInput, nullptr, nullptr},
  };
  for (const Row& row : rows) {
    std::vector<const char*> argv = {"kurimo"};
    argv.insert(argv.end(), row.args.begin(), row.args.end());
    const StartParse parse = ParseStartOptions(static_cast<int>(argv.size()), argv.data());
    if (row.status < 0) {
      ASSERT_TRUE(parse.options.has_value()) << row.name << ": " << parse.text;
      EXPECT_EQ(parse.options->caseFile.value_or("-"), row.caseFile ? row.caseFile : "-")
          << row.name;
      EXPECT_EQ(parse.options->outputPath.value_or("-"), row.outputPath ? row.outputPath : "-")
          << row.name;
      EXPECT_EQ(parse.options->pdfPath.value_or("-"), row.pdfPath ? row.pdfPath : "-") << row.name;
      continue;
    }
    EXPECT_FALSE(parse.options.has_value()) << row.name;
    EXPECT_EQ(parse.exitStatus, row.status) << row.name;
    EXPECT_EQ(parse.textIsError, row.status != 0) << row.name;
    EXPECT_FALSE(parse.text.empty()) << row.name;
  }
}

}  // namespace
}  // namespace kurimo
