// The checks of the editable boxes, the multiplier entries, and the case values the boxes
// show after start-up, edits and picks.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bay_model.h"
#include "case_inputs.h"
#include "number_text.h"

namespace kurimo {
namespace {

using namespace std::string_view_literals;
using Box = ConditionBox;

// Both the leading number and the whole value must meet the bound: "1,000" passes on 1 and
// 1000, "1,000e-4" fails on 0.1, "-0,500" on -500.
TEST(InputCheck, BoundsAndNumberFormatPerBox) {
  struct Row {
    Box box;
    std::string_view text;
    bool passes;
  };
  // clang-format off
  const Row rows[] = {
      {Box::BayArea, "1", true}, {Box::BayArea, "0.5", false}, {Box::BayArea, "0.", false},
      {Box::BayArea, "", false}, {Box::BayArea, "1,000", true}, {Box::BayArea, " 1000 ", true},
      {Box::BayArea, "1e400", false}, {Box::BayArea, "1,0,0", false},
      {Box::BayArea, "1,000e-3", true}, {Box::BayArea, "1,000e-4", false},
      {Box::BayArea, "１，０００", true}, {Box::BayArea, "０．５", false},
      {Box::MeanDepth, "0.99", false}, {Box::MeanDepth, "1", true},
      {Box::MeanDepth, "1,000e-5", false}, {Box::MeanDepth, "　１２．５　", true},
      {Box::MouthLength, "0", false}, {Box::MouthLength, "0.001", true},
      {Box::MouthLength, "－1", false}, {Box::OpenSeaQuality, "0", true},
      {Box::OpenSeaQuality, "-0.1", false}, {Box::OpenSeaQuality, "-0,500", false},
      {Box::OpenSeaQuality, "0,5", false}, {Box::OpenSeaQuality, "0,500", true},
      {Box::InflowQuality, "0", true}, {Box::InflowQuality, "\t10\t", true},
      {Box::InflowRate, "0", false}, {Box::InflowRate, "0.5", true}, {Box::InflowRate, "０．５", true}};
  // clang-format on
  for (const Row& row : rows) {
    EXPECT_EQ(!FailedInputLimit(row.box, row.text), row.passes)
        << "box " << static_cast<int>(row.box) << " '" << row.text << "'";
  }
}

TEST(InputCheck, EachBoxHasItsMessageAndTitleAndControlCharactersTheirOwn) {
  constexpr std::string_view kControl =
      "入力に制御文字（改行や ESC など）が含まれています。数値だけを入力してください。";
  struct Row {
    Box box;
    std::vector<std::string_view> failing;  // a plain failure, then a control character
    std::string_view message, title;
  };
  const Row rows[] = {
      {Box::BayArea,
       {"1,000e-4", "10\0"sv},
       "湾面積は1km2以上にしてください。",
       "湾面積の入力制限"},
      {Box::MeanDepth, {"", "\x1B[2J18"}, "水深は1m以上にしてください", "水深の入力制限"},
      {Box::MouthLength, {"0", "7\n"}, "湾口部長さは0にしないでください", "湾口部長さの入力制限"},
      {Box::OpenSeaQuality, {"2.4x", "2.4\r"}, "数値を入力してください", "外海水の水質"},
      {Box::InflowQuality, {"-0,500", "1\x7F"}, "数値を入力してください", "流入水の水質"},
      {Box::InflowRate, {"0", "\x1F"}, "流入水の流量は0にしないでください", "流量の入力制限"},
  };
  for (const Row& row : rows) {
    for (std::size_t i = 0; i < row.failing.size(); ++i) {
      SCOPED_TRACE(std::string(row.title) + " '" + std::string(row.failing[i]) + "'");
      const auto limit = FailedInputLimit(row.box, row.failing[i]);
      ASSERT_TRUE(limit.has_value());
      EXPECT_EQ(limit->message, i == 0 ? row.message : kControl);
      EXPECT_EQ(limit->title, row.title);
    }
  }
}

TEST(Conditions, StartUpTextsAndEditsAreHeldAsTyped) {
  BayModel m;
  m.LoadDefaultCase();
  EXPECT_EQ(m.TitleLine, " 閉鎖性海域水質計算 by 簡易計算モデル Kurimo_Ver10");
  const std::string held[] = {m.BayArea,        m.MeanDepth,         m.MouthDepth,    m.MouthLength,
                              m.OpenSeaQuality, m.BayAverageQuality, m.InflowQuality, m.InflowRate};
  const std::string expected[] = {" 1000", " 18", " 18", " 7", " 2.4", " 2.4", " 10", " 331"};
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(held[i], expected[i]) << i;
  EXPECT_EQ(static_cast<double>(m.MouthSection), 0.12600000202655792);
  EXPECT_EQ(m.InflowLoad, 3310.0);

  AcceptConditionText(m, Box::MeanDepth, "20");  // the mouth is as deep as the bay
  EXPECT_EQ(m.MouthDepth, "20");
  EXPECT_EQ(m.MouthSection, 0.14f);
  AcceptConditionText(m, Box::MouthLength, "10");
  EXPECT_EQ(m.MouthSection, 0.2f);
  AcceptConditionText(m, Box::OpenSeaQuality, "3");
  EXPECT_EQ(m.BayAverageQuality, "3");
  AcceptConditionText(m, Box::InflowRate, "100");
  EXPECT_EQ(m.InflowLoad, 1000.0);
  AcceptConditionText(m, Box::InflowQuality, "2");
  EXPECT_EQ(m.InflowLoad, 200.0);
  AcceptConditionText(m, Box::BayArea, "　５００　");
  EXPECT_EQ(m.BayArea, "　５００　");
  EXPECT_EQ(NumberToText(m.BayVolume), " 10");
}

// The computed boxes as they show the case, joined by "|": volume, changed section, changed
// load (all digits), residence time, closedness and load per volume (rounded).
TEST(Conditions, EditsAndPicksChangeTheComputedBoxes) {
  struct Row {
    std::vector<std::pair<Box, const char*>> texts;  // typed one after the other
    double section, quality, quantity;
    std::string shown;
  };
  // clang-format off
  const Row rows[] = {
      {{}, 1, 1, 1, " 18| .126| 3310| 629.4| 4.52| .016"},
      {{{Box::BayArea, "5"}, {Box::BayArea, "50"}, {Box::BayArea, "500"}}, 1, 1, 1,
       " 9| .126| 3310| 314.7| 3.19| .032"},
      {{{Box::BayArea, "1,000"}}, 1, 1, 1, " 18| .126| 3310| 629.4| 4.52| .016"},
      {{}, 0.5, 1, 1, " 18| .063| 3310| 629.4| 9.04| .016"},
      {{}, 1, 1, 2, " 18| .126| 6620| 314.7| 4.52| .032"},
      {{}, 1, 0.2, 1, " 18| .126| 662.000009864569| 629.4| 4.52| .003"},  // single precision
      {{}, 1, 1.2, 1.5, " 18| .126| 5958.00023674965| 419.6| 4.52| .029"}};
  // clang-format on
  for (const Row& row : rows) {
    BayModel m;
    m.LoadDefaultCase();
    for (const auto& [box, text] : row.texts) {
      ASSERT_FALSE(FailedInputLimit(box, text));
      AcceptConditionText(m, box, text);
    }
    SetMultiplier(m, MultiplierList::Section, row.section);
    SetMultiplier(m, MultiplierList::Quality, row.quality);
    SetMultiplier(m, MultiplierList::Quantity, row.quantity);
    const Indicators i = m.ComputeIndicators();
    EXPECT_EQ(NumberToText(m.BayVolume) + "|" + NumberToText(i.changedMouthSection) + "|" +
                  NumberToText(m.ChangedInflowLoad()) + "|" + NumberToText(i.residenceTime) + "|" +
                  NumberToText(i.closedness) + "|" + NumberToText(i.loadPerVolume),
              row.shown);
  }
}

TEST(Multipliers, ListsHoldTheirEntriesInOrder) {
  EXPECT_EQ(JoinedEntries(MultiplierList::Section), "1.0, 0.2, 0.5, 0.8, 1.2, 1.5, 2.0");
  EXPECT_EQ(JoinedEntries(MultiplierList::Quality), "1.0, 0.2, 0.5, 0.8, 1.2, 1.5, 2.0, 5.0");
  EXPECT_EQ(JoinedEntries(MultiplierList::Quantity), "1.0, 0.2, 0.5, 0.8, 1.2, 1.5, 2.0, 5.0");
  EXPECT_EQ(MultiplierFactor(MultiplierList::Quantity, "5.0"), 5.0);
  EXPECT_EQ(MultiplierFactor(MultiplierList::Section, "0.5"), 0.5);
  EXPECT_FALSE(MultiplierFactor(MultiplierList::Section, "5.0"));
  EXPECT_FALSE(MultiplierFactor(MultiplierList::Quality, "0.3"));
  EXPECT_FALSE(MultiplierFactor(MultiplierList::Quality, "1"));
  BayModel m;
  SetMultiplier(m, MultiplierList::Quality, 0.2);
  EXPECT_EQ(static_cast<double>(m.QualityFactor), 0.20000000298023224);
}

}  // namespace
}  // namespace kurimo
