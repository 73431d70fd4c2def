// The window's handlers driven through a recording window: start-up, edits with their
// checks, the multiplier lists, the defaults button, runs and their faults.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "main_form.h"
#include "recording_window.h"
#include "run_messages.h"
#include "test_helpers.h"

namespace kurimo {
namespace {

using test::RecordingWindow;
using test::ShownMessage;
using enum TextBox;

using test::kStartTexts;
constexpr const auto& kLevel = test::kLevelColour;

class FormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window.form = &form;
    form.FormLoad();
  }
  std::array<std::string, kTextBoxCount> Texts() const {
    std::array<std::string, kTextBoxCount> texts;
    for (int box = 1; box <= kTextBoxCount; ++box)
      texts[box - 1] = window.texts[box];
    return texts;
  }
  std::array<PackedColour, kGroupCount> Colours() const {
    std::array<PackedColour, kGroupCount> colours;
    for (int group = 1; group <= kGroupCount; ++group)
      colours[group - 1] = window.groupColours[group];
    return colours;
  }
  std::vector<std::string> OutputLines() const { return test::ReadCp932Lines(outputPath); }

  test::TempFolder folder;
  std::string outputPath = folder.File("Kurimo_OUT.txt");
  RecordingWindow window;
  MainForm form{window, outputPath};
};

const std::array<PackedColour, kGroupCount> kStartColours = {
    kLevel[5], kLevel[5], kLevel[5], kLevel[5], kLevel[5], kLevel[13], kLevel[5]};

TEST_F(FormTest, StartUpShowsTheDefaultCaseListsColoursAndLegend) {
  EXPECT_EQ(Texts(), kStartTexts);
  EXPECT_TRUE(window.messages.empty());
  EXPECT_EQ(window.lists[0],
            (std::vector<std::string>{"1.0", "0.2", "0.5", "0.8", "1.2", "1.5", "2.0"}));
  EXPECT_EQ(window.lists[1],
            (std::vector<std::string>{"1.0", "0.2", "0.5", "0.8", "1.2", "1.5", "2.0", "5.0"}));
  EXPECT_EQ(window.lists[2], window.lists[1]);
  EXPECT_EQ(window.selected, (std::array<int, 3>{-1, -1, -1}));
  EXPECT_EQ(Colours(), kStartColours);

  // The conditions hold the box texts, not numbers.
  EXPECT_EQ(form.Model().BayArea, " 1000");
  EXPECT_EQ(form.Model().MouthDepth, " 18");
  EXPECT_EQ(form.Model().BayAverageQuality, " 2.4");

  // The legend: 13 cells and a frame, 14 labels in the window's face, a 2-pixel pen.
  EXPECT_EQ(window.canvas.fills, 13);
  EXPECT_EQ(window.canvas.outlines, 1);
  EXPECT_EQ(window.canvas.points, 14);
  EXPECT_EQ(window.canvas.printed.front(), "<");
  EXPECT_EQ(window.canvas.printed.back(), "<  (g/m3)");
  EXPECT_EQ(window.canvas.fontName, "IPAPGothic");
  EXPECT_EQ(window.canvas.penWidth, 2);

  // The outer panel was fitted to the client area before anything else.
  ASSERT_FALSE(window.outerPanelPlacements.empty());
  EXPECT_EQ(window.outerPanelPlacements.front(), (std::array<int, 4>{0, 0, 8625, 6675}));
}

TEST_F(FormTest, StartUpColoursGroupsBeforeTheScaleExistsThenAgainFromTheScale) {
  // The open-sea and inflow handlers colour with the empty scale (black) while the default
  // case is written; the final colouring follows once the scale is built.
  const std::vector<int> expected = {1, 2, 3, 4, 5, 7, 6, 1, 2, 3, 4, 5, 6, 7};
  EXPECT_EQ(window.colouredGroups, expected);
}

TEST_F(FormTest, MeanDepthAndMouthLengthRewriteTheMouthBoxes) {
  window.Type(Text2, "20");
  EXPECT_EQ(window.Text(Text3), " 20");
  EXPECT_EQ(window.Text(Text5), " 20");
  EXPECT_EQ(window.Text(Text6), " .14");
  EXPECT_EQ(window.Text(Text11), " .14");
  EXPECT_EQ(window.Text(Text13), " 699.3");
  EXPECT_EQ(window.Text(Text15), " .014");
  EXPECT_EQ(form.Model().MouthDepth, "20");

  window.Type(Text4, "3.5");
  EXPECT_EQ(window.Text(Text6), " .07");
  EXPECT_EQ(window.Text(Text11), " .07");
  EXPECT_EQ(window.Text(Text14), " 9.04");
  EXPECT_TRUE(window.messages.empty());
}

TEST_F(FormTest, TextsThatAreNumbersOnlyWithGroupingPassOnTheirLeadingNumber) {
  // "2,000" is a number as a whole (2000) and its leading number is 2, which passes.
  window.Type(Text1, "2,000");
  EXPECT_TRUE(window.messages.empty());
  EXPECT_EQ(window.Text(Text3), " 36");
}

struct FailingCase {
  const char* name;
  TextBox box;
  std::vector<std::string> texts;
  ShownMessage message;
};

TEST_F(FormTest, EveryFailingTextBringsItsMessageAndChangesNothing) {
  const std::vector<FailingCase> cases = {
      {"area below 1",
       Text1,
       {"0", "0.", "0.5", "", "abc", "-3", "1e400"},
       {"湾面積は1km2以上にしてください。", "湾面積の入力制限"}},
      {"depth below 1", Text2, {"0.9", "", "1m"}, {"水深は1m以上にしてください", "水深の入力制限"}},
      {"mouth length 0 or less",
       Text4,
       {"0", "-1", ""},
       {"湾口部長さは0にしないでください", "湾口部長さの入力制限"}},
      {"open sea not a number",
       Text7,
       {"2.4x", "-0.1", ""},
       {"数値を入力してください", "外海水の水質"}},
      {"inflow quality not a number",
       Text8,
       {"x", "-1", " "},
       {"数値を入力してください", "流入水の水質"}},
      {"inflow rate 0 or less",
       Text9,
       {"0", "", "-5", "0e5"},
       {"流入水の流量は0にしないでください", "流量の入力制限"}},
  };
  for (const FailingCase& c : cases) {
    for (const std::string& text : c.texts) {
      SCOPED_TRACE(std::string(c.name) + ": '" + text + "'");
      RecordingWindow fresh;
      MainForm freshForm(fresh, outputPath);
      fresh.form = &freshForm;
      freshForm.FormLoad();
      const BayModel before = freshForm.Model();
      const std::vector<int> colouredBefore = fresh.colouredGroups;

      fresh.Type(c.box, text);

      ASSERT_EQ(fresh.messages.size(), 1u);
      EXPECT_EQ(fresh.messages[0], c.message);
      // The box keeps what was typed; everything else stays as it was.
      std::array<std::string, kTextBoxCount> expected = kStartTexts;
      expected[static_cast<int>(c.box) - 1] = text;
      for (int box = 1; box <= kTextBoxCount; ++box)
        EXPECT_EQ(fresh.texts[box], expected[box - 1]);
      EXPECT_EQ(freshForm.Model().BayArea, before.BayArea);
      EXPECT_EQ(freshForm.Model().MeanDepth, before.MeanDepth);
      EXPECT_EQ(freshForm.Model().MouthLength, before.MouthLength);
      EXPECT_EQ(freshForm.Model().OpenSeaQuality, before.OpenSeaQuality);
      EXPECT_EQ(freshForm.Model().InflowQuality, before.InflowQuality);
      EXPECT_EQ(freshForm.Model().InflowRate, before.InflowRate);
      EXPECT_EQ(freshForm.Model().BayVolume, before.BayVolume);
      EXPECT_EQ(freshForm.Model().InflowLoad, before.InflowLoad);
      EXPECT_EQ(fresh.colouredGroups, colouredBefore);
    }
  }
}

TEST_F(FormTest, EachFailingKeystrokeBringsTheMessageAgain) {
  window.Type(Text1, "");
  window.TypeKeys(Text1, "0.5");
  EXPECT_EQ(window.messages.size(), 4u);  // "", "0", "0.", "0.5"
  EXPECT_EQ(form.Model().BayArea, " 1000");

  window.messages.clear();
  window.Type(Text9, "");
  window.TypeKeys(Text9, "0.5");
  ASSERT_EQ(window.messages.size(), 3u);  // "", "0", "0." fail; "0.5" passes
  EXPECT_EQ(window.messages[2].title, "流量の入力制限");
  EXPECT_EQ(form.Model().InflowRate, "0.5");
  EXPECT_EQ(window.Text(Text10), " 5");
  EXPECT_EQ(window.Text(Text12), " 5");
}

TEST_F(FormTest, OpenSeaQualityRecoloursTheBayAndTheSeaButNotTheInflow) {
  window.colouredGroups.clear();
  window.Type(Text7, "0");  // 0 passes: every bay box and the sea turn white
  EXPECT_TRUE(window.messages.empty());
  EXPECT_EQ(window.colouredGroups, (std::vector<int>{1, 2, 3, 4, 5, 7}));
  for (int group : {1, 2, 3, 4, 5, 7})
    EXPECT_EQ(window.groupColours[group], kLevel[1]);
  EXPECT_EQ(window.groupColours[kInflowGroup], kLevel[13]);
  EXPECT_EQ(form.Model().BayAverageQuality, "0");
  EXPECT_EQ(window.Text(Text16), " 2.4");  // the result box is not rewritten

  window.Type(Text7, "3.5");
  EXPECT_EQ(window.groupColours[1], kLevel[8]);
  EXPECT_EQ(window.groupColours[kOpenSeaGroup], kLevel[8]);
}

TEST_F(FormTest, InflowQualityColoursTheInflowAsTypedWhateverItsMultiplier) {
  window.Pick(MultiplierList::Quality, 1);  // x0.2: the inflow shows 2.0
  EXPECT_EQ(window.groupColours[kInflowGroup], kLevel[5]);
  window.colouredGroups.clear();
  window.Type(Text8, "20");  // 20 as typed is red; 20 x 0.2 = 4 would be yellow
  EXPECT_EQ(window.colouredGroups, (std::vector<int>{kInflowGroup}));
  EXPECT_EQ(window.groupColours[kInflowGroup], kLevel[13]);
  EXPECT_EQ(window.Text(Text10), " 6620");
  // The single-precision 0.2 makes the product inexact: 6620 x 0.2000000029802...
  EXPECT_EQ(window.Text(Text12), " 1324.00002");
}

struct PickCase {
  const char* name;
  std::vector<std::pair<MultiplierList, int>> picks;
  std::vector<std::pair<TextBox, std::string>> expected;
};

TEST_F(FormTest, ListPicksRewriteOnlyTheBoxesThatDependOnThem) {
  using enum MultiplierList;
  const std::vector<PickCase> cases = {
      {"section x0.5", {{Section, 2}}, {{Text11, " .063"}, {Text14, " 9.04"}}},
      {"quantity x2.0",
       {{Quantity, 6}},
       {{Text12, " 6620"}, {Text13, " 314.7"}, {Text15, " .032"}}},
      {"quality x0.2", {{Quality, 1}}, {{Text12, " 662"}, {Text15, " .003"}}},
      {"quality x1.2 then quantity x1.5",
       {{Quality, 4}, {Quantity, 5}},
       {{Text12, " 5958.00023674965"}, {Text13, " 419.6"}, {Text15, " .029"}}},
      {"section x2.0, the largest", {{Section, 6}}, {{Text11, " .252"}, {Text14, " 2.26"}}},
  };
  for (const PickCase& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingWindow fresh;
    MainForm freshForm(fresh, outputPath);
    fresh.form = &freshForm;
    freshForm.FormLoad();
    for (const auto& [list, row] : c.picks)
      fresh.Pick(list, row);
    std::array<std::string, kTextBoxCount> expected = kStartTexts;
    for (const auto& [box, text] : c.expected)
      expected[static_cast<int>(box) - 1] = text;
    for (int box = 1; box <= kTextBoxCount; ++box) {
      EXPECT_EQ(fresh.texts[box], expected[box - 1]) << "Text" << box;
    }
    EXPECT_TRUE(fresh.messages.empty());
  }
}

TEST_F(FormTest, QualityPickColoursTheInflowWithTheChangedQuality) {
  window.Pick(MultiplierList::Quality, 7);  // x5.0: 50 g/m3
  EXPECT_EQ(window.groupColours[kInflowGroup], kLevel[13]);
  EXPECT_EQ(form.Scale().GroupConcentration[kInflowGroup], 50.0f);
  window.Pick(MultiplierList::Quality, 1);  // x0.2 in single precision: 2.0000000298...
  EXPECT_EQ(form.Scale().GroupConcentration[kInflowGroup], static_cast<float>(10 * 0.2f));
  EXPECT_EQ(form.Model().QualityFactor, 0.2f);
}

TEST_F(FormTest, DefaultRunShowsTheMeanTheBayColoursAndTheMessage) {
  form.Command1Click();
  EXPECT_EQ(window.Text(Text16), " 3.15");
  const std::array<PackedColour, kGroupCount> expected = {
      kLevel[8], kLevel[7], kLevel[7], kLevel[6], kLevel[6], kLevel[13], kLevel[5]};
  EXPECT_EQ(Colours(), expected);
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0],
            (ShownMessage{"計算結果(湾内平均水質)\r 3.15(g/m3)", "計算終了です！"}));
  EXPECT_EQ(window.beginRuns, 1);
  EXPECT_EQ(window.endRuns, 1);
  EXPECT_EQ(test::ReadBytes(outputPath),
            test::ReadBytes(std::string(KURIMO_TEST_DATA_DIR) + "/default-Kurimo_OUT.txt"));
  // Everything but the result stays as it was.
  std::array<std::string, kTextBoxCount> texts = kStartTexts;
  texts[15] = " 3.15";
  EXPECT_EQ(Texts(), texts);
}

TEST_F(FormTest, RunningTwiceGivesTheSameFileTextsAndColours) {
  form.Command1Click();
  const std::string file = test::ReadBytes(outputPath);
  const auto texts = Texts();
  const auto colours = Colours();
  form.Command1Click();
  EXPECT_EQ(test::ReadBytes(outputPath), file);
  EXPECT_EQ(Texts(), texts);
  EXPECT_EQ(Colours(), colours);
  EXPECT_EQ(window.messages.size(), 2u);
}

TEST_F(FormTest, AMeanBelowOneShowsWithoutItsZero) {
  window.Type(Text7, "0.5");
  window.Type(Text8, "0.5");
  form.Command1Click();
  EXPECT_EQ(window.Text(Text16), " .5");
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0].text, "計算結果(湾内平均水質)\r .5(g/m3)");
}

TEST_F(FormTest, MouthVelocityWarningComesFirstAndTheRunGoesOn) {
  window.Type(Text9, "200000");
  form.Command1Click();
  ASSERT_EQ(window.messages.size(), 2u);
  EXPECT_EQ(window.messages[0],
            (ShownMessage{std::string(kMouthVelocityMessage), std::string(kMouthVelocityTitle)}));
  EXPECT_EQ(window.messages[1].title, "計算終了です！");
  EXPECT_EQ(window.Text(Text16), " 9.93");
}

TEST_F(FormTest, AnUnwritableOutputFileIsReportedAndLeavesTheResultAsItWas) {
  RecordingWindow failing;
  MainForm failingForm(failing, folder.File("no-such-folder/Kurimo_OUT.txt"));
  failing.form = &failingForm;
  failingForm.FormLoad();
  failingForm.Command1Click();
  ASSERT_EQ(failing.messages.size(), 1u);
  EXPECT_EQ(failing.messages[0].title, "出力ファイルのエラー");
  EXPECT_NE(failing.messages[0].text.find("no-such-folder/Kurimo_OUT.txt"), std::string::npos);
  EXPECT_EQ(failing.Text(Text16), " 2.4");
  EXPECT_EQ(failing.groupColours[1], kLevel[5]);
  EXPECT_EQ(failing.endRuns, 1);
  EXPECT_FALSE(failingForm.Running());

  // The window keeps working: a later edit is handled as usual.
  failing.Type(Text1, "500");
  EXPECT_EQ(failing.Text(Text3), " 9");
}

TEST_F(FormTest, ARunThatFailsIsReportedAndChangesNothingShownOrWritten) {
  form.Command1Click();  // a finished run first: its result must survive the fault
  const std::string report = test::ReadBytes(outputPath);
  window.messages.clear();
  window.Type(Text8, "1e38");  // a river quality beyond single precision
  form.Command1Click();
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0].title, "計算できません");
  EXPECT_NE(window.messages[0].text.find("は書き換えていません"), std::string::npos);
  EXPECT_EQ(window.Text(Text16), " 3.15");
  EXPECT_EQ(window.groupColours[1], kLevel[8]);
  EXPECT_EQ(test::ReadBytes(outputPath), report);
}

TEST_F(FormTest, AShortenedStepIsNamedInTheResultMessage) {
  window.Type(Text1, "1");
  window.Type(Text4, "1.15");  // the rule's 72 minutes are too long for the chain
  form.Command1Click();
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0].text,
            "計算結果(湾内平均水質)\r 7.95(g/m3)\r"
            "計算を安定させるため、ﾀｲﾑｽﾃｯﾌﾟを 72 分から 63 分に短くしました。");
}

TEST_F(FormTest, StoppingALongRunKeepsTheResultAndSaysSo) {
  window.Type(Text9, "1");  // about four million steps
  std::uint64_t stoppedAt = 0;
  window.continueRun = [&](std::uint64_t done, std::uint64_t count) {
    EXPECT_LT(done, count);
    stoppedAt = done;
    return false;
  };
  form.Command1Click();
  EXPECT_GT(stoppedAt, 0u);
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0].title, "計算の中止");
  EXPECT_EQ(window.Text(Text16), " 2.4");
  EXPECT_EQ(Colours(), kStartColours);
  EXPECT_FALSE(std::filesystem::exists(outputPath));  // no report, not even a partial one
  EXPECT_EQ(window.endRuns, 1);
}

TEST_F(FormTest, DefaultsButtonUndoesEditsPicksAndARun) {
  window.Type(Text1, "500");
  window.Type(Text7, "4");
  window.Type(Text9, "abc");  // a failing text stays in its box until the defaults
  window.Pick(MultiplierList::Section, 1);
  window.Pick(MultiplierList::Quality, 1);
  window.Pick(MultiplierList::Quantity, 1);
  form.Command1Click();
  ASSERT_NE(window.Text(Text16), " 2.4");
  window.messages.clear();

  form.Command3Click();
  EXPECT_EQ(Texts(), kStartTexts);
  EXPECT_EQ(Colours(), kStartColours);
  EXPECT_EQ(window.selected, (std::array<int, 3>{0, 0, 0}));
  EXPECT_TRUE(window.messages.empty());
  EXPECT_EQ(form.Model().SectionFactor, 1.0);
  EXPECT_EQ(form.Model().QualityFactor, 1.0f);
  EXPECT_EQ(form.Model().QuantityFactor, 1.0);
  EXPECT_EQ(form.Model().BayArea, " 1000");
  EXPECT_EQ(window.canvas.fills, 26);  // the legend is drawn again over the first

  // And a run from there gives the default result again.
  form.Command1Click();
  EXPECT_EQ(window.Text(Text16), " 3.15");
}

TEST_F(FormTest, DefaultsButtonWithNoChangesKeepsEverything) {
  form.Command3Click();
  EXPECT_EQ(Texts(), kStartTexts);
  EXPECT_EQ(Colours(), kStartColours);
  EXPECT_EQ(window.selected, (std::array<int, 3>{0, 0, 0}));
}

TEST_F(FormTest, ResizeCoversTheClientAreaUnlessMinimised) {
  window.outerPanelPlacements.clear();
  window.clientWidth = 12000;
  window.clientHeight = 3000;
  form.FormResize();
  window.clientWidth = 0;
  window.clientHeight = 0;
  form.FormResize();
  window.clientWidth = 5000;
  form.FormResize();  // a zero height is still minimised
  ASSERT_EQ(window.outerPanelPlacements.size(), 1u);
  EXPECT_EQ(window.outerPanelPlacements[0], (std::array<int, 4>{0, 0, 12000, 3000}));
}

}  // namespace
}  // namespace kurimo
