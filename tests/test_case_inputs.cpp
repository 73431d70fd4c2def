// The checks of the editable boxes, the multiplier entries, and the case values the
// boxes show after start-up and after edits and picks.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "bay_model.h"
#include "case_inputs.h"
#include "number_text.h"

namespace kurimo {
namespace {

using namespace std::string_view_literals;

struct CheckRow {
  ConditionBox box;
  std::string_view text;
  bool passes;
};

TEST(InputCheck, BoundsAndNumberFormatPerBox) {
  const CheckRow rows[] = {
      {ConditionBox::BayArea, "5", true},
      {ConditionBox::BayArea, "500", true},
      {ConditionBox::BayArea, "1", true},
      {ConditionBox::BayArea, "0", false},
      {ConditionBox::BayArea, "0.", false},
      {ConditionBox::BayArea, "0.5", false},
      {ConditionBox::BayArea, "", false},
      {ConditionBox::BayArea, "1,000", true},  // leading 1 and value 1000 both pass
      {ConditionBox::BayArea, " 1000 ", true},
      {ConditionBox::BayArea, "1e400", false},
      {ConditionBox::BayArea, "1,0,0", false},
      {ConditionBox::BayArea, "1,000e-3", true},  // value 1
      {ConditionBox::BayArea, "1,000e-4", false},
      {ConditionBox::BayArea, "１，０００", true},
      {ConditionBox::BayArea, "０．５", false},
      {ConditionBox::MeanDepth, "0.99", false},
      {ConditionBox::MeanDepth, "1", true},
      {ConditionBox::MeanDepth, "1,000e-5", false},
      {ConditionBox::MeanDepth, "1,0e-3", false},
      {ConditionBox::MeanDepth, "　１２．５　", true},
      {ConditionBox::MouthLength, "0", false},
      {ConditionBox::MouthLength, "-1", false},
      {ConditionBox::MouthLength, "0.001", true},
      {ConditionBox::MouthLength, "－1", false},
      {ConditionBox::OpenSeaQuality, "0", true},
      {ConditionBox::OpenSeaQuality, "2.4x", false},
      {ConditionBox::OpenSeaQuality, "-0.1", false},
      {ConditionBox::OpenSeaQuality, "-0,500", false},
      {ConditionBox::OpenSeaQuality, "0,5", false},
      {ConditionBox::OpenSeaQuality, "0,500", true},
      {ConditionBox::OpenSeaQuality, "−0,500", false},
      {ConditionBox::InflowQuality, "0", true},
      {ConditionBox::InflowQuality, "abc", false},
      {ConditionBox::InflowQuality, "-0,500", false},
      {ConditionBox::InflowQuality, "\t10\t", true},  // a tab is a blank
      {ConditionBox::InflowRate, "0", false},
      {ConditionBox::InflowRate, "0.", false},
      {ConditionBox::InflowRate, "0.5", true},
      {ConditionBox::InflowRate, "", false},
      {ConditionBox::InflowRate, "０．５", true},
  };
  for (const CheckRow& row : rows) {
    SCOPED_TRACE("box " + std::to_string(static_cast<int>(row.box)) + " '" + std::string(row.text) +
                 "'");
    EXPECT_EQ(!FailedInputLimit(row.box, row.text).has_value(), row.passes);
  }
}

TEST(InputCheck, EachBoxHasItsMessageAndTitle) {
  struct Row {
    ConditionBox box;
    std::vector<std::string_view> failing;
    const char* message;
    const char* title;
  };
  // Besides plain failures, texts whose leading number meets the bound but whose full
  // value does not.
  const Row rows[] = {
      {ConditionBox::BayArea,
       {"0.5", "1,000e-4"},
       "湾面積は1km2以上にしてください。",
       "湾面積の入力制限"},
      {ConditionBox::MeanDepth, {"", "1,000e-5"}, "水深は1m以上にしてください", "水深の入力制限"},
      {ConditionBox::MouthLength, {"0"}, "湾口部長さは0にしないでください", "湾口部長さの入力制限"},
      {ConditionBox::OpenSeaQuality, {"2.4x", "-0,500"}, "数値を入力してください", "外海水の水質"},
      {ConditionBox::InflowQuality, {"x", "-0,500"}, "数値を入力してください", "流入水の水質"},
      {ConditionBox::InflowRate, {"0"}, "流入水の流量は0にしないでください", "流量の入力制限"},
  };
  for (const Row& row : rows) {
    for (std::string_view text : row.failing) {
      SCOPED_TRACE(std::string(row.title) + " '" + std::string(text) + "'");
      const auto limit = FailedInputLimit(row.box, text);
      ASSERT_TRUE(limit.has_value());
      EXPECT_EQ(limit->message, row.message);
      EXPECT_EQ(limit->title, row.title);
    }
  }
}

TEST(InputCheck, ControlCharactersAreRefusedWithTheirOwnMessage) {
  constexpr std::string_view kMessage =
      "入力に制御文字（改行や ESC など）が含まれています。数値だけを入力してください。";
  struct Row {
    const char* name;
    ConditionBox box;
    std::string_view text;
    const char* title;
  };
  const Row rows[] = {
      {"NUL inside", ConditionBox::BayArea,
       "10\0"
       "00"sv,
       "湾面積の入力制限"},
      {"NUL at the end", ConditionBox::BayArea, "1000\0"sv, "湾面積の入力制限"},
      {"ESC sequence", ConditionBox::MeanDepth, "\x1B[2J18", "水深の入力制限"},
      {"line feed after", ConditionBox::MouthLength, "7\n", "湾口部長さの入力制限"},
      {"carriage return after", ConditionBox::OpenSeaQuality, "2.4\r", "外海水の水質"},
      {"DEL", ConditionBox::InflowQuality,
       "1\x7F"
       "0",
       "流入水の水質"},
      {"unit separator", ConditionBox::InflowRate,
       "\x1F"
       "331",
       "流量の入力制限"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const auto limit = FailedInputLimit(row.box, row.text);
    ASSERT_TRUE(limit.has_value());
    EXPECT_EQ(limit->message, kMessage);
    EXPECT_EQ(limit->title, row.title);
  }
  EXPECT_FALSE(FailedInputLimit(ConditionBox::BayArea, "\t1000\t"));
}

TEST(DefaultCase, ConditionsHoldTheStartUpTexts) {
  BayModel model;
  model.LoadDefaultCase();
  EXPECT_EQ(model.TitleLine, " 閉鎖性海域水質計算 by 簡易計算モデル Kurimo_Ver10");
  EXPECT_EQ(model.BayArea, " 1000");
  EXPECT_EQ(model.MeanDepth, " 18");
  EXPECT_EQ(model.MouthDepth, " 18");
  EXPECT_EQ(model.MouthLength, " 7");
  EXPECT_EQ(model.OpenSeaQuality, " 2.4");
  EXPECT_EQ(model.BayAverageQuality, " 2.4");
  EXPECT_EQ(model.InflowQuality, " 10");
  EXPECT_EQ(model.InflowRate, " 331");
  EXPECT_EQ(static_cast<double>(model.MouthSection), 0.12600000202655792);
  EXPECT_EQ(NumberToText(model.BayVolume), " 18");
  EXPECT_EQ(model.InflowLoad, 3310.0);
  EXPECT_EQ(NumberToText(model.MouthSection), " .126");
  EXPECT_EQ(NumberToText(RoundHalfEven(model.ChangedMouthSection(), 5)), " .126");
  EXPECT_EQ(NumberToText(RoundHalfEven(model.ChangedInflowLoad(), 5)), " 3310");
  EXPECT_EQ(NumberToText(RoundHalfEven(model.ResidenceTimeDays(), 1)), " 629.4");
  EXPECT_EQ(NumberToText(RoundHalfEven(model.ClosednessIndex(), 2)), " 4.52");
  EXPECT_EQ(NumberToText(RoundHalfEven(model.LoadPerVolume(), 3)), " .016");
}

TEST(DefaultCase, TypingAreaKeyByKeyRecomputesTheDerivedValues) {
  BayModel model;
  model.LoadDefaultCase();
  for (const char* text : {"5", "50", "500"}) {
    ASSERT_FALSE(FailedInputLimit(ConditionBox::BayArea, text));
    AcceptConditionText(model, ConditionBox::BayArea, text);
  }
  EXPECT_EQ(model.BayArea, "500");
  EXPECT_EQ(NumberToText(model.BayVolume), " 9");
  EXPECT_EQ(NumberToText(RoundHalfEven(model.ResidenceTimeDays(), 1)), " 314.7");
  EXPECT_EQ(NumberToText(RoundHalfEven(model.ClosednessIndex(), 2)), " 3.19");
  EXPECT_EQ(NumberToText(RoundHalfEven(model.LoadPerVolume(), 3)), " .032");
}

TEST(DefaultCase, GroupedNumberIsCheckedByItsLeadingNumberButComputedWhole) {
  BayModel model;
  model.LoadDefaultCase();
  ASSERT_FALSE(FailedInputLimit(ConditionBox::BayArea, "1,000"));
  AcceptConditionText(model, ConditionBox::BayArea, "1,000");
  EXPECT_EQ(NumberToText(model.BayVolume), " 18");
}

TEST(DefaultCase, FullWidthTextIsHeldAsTypedAndComputedAsItsNumber) {
  BayModel model;
  model.LoadDefaultCase();
  ASSERT_FALSE(FailedInputLimit(ConditionBox::BayArea, "　５００　"));
  AcceptConditionText(model, ConditionBox::BayArea, "　５００　");
  EXPECT_EQ(model.BayArea, "　５００　");
  EXPECT_EQ(NumberToText(model.BayVolume), " 9");
  EXPECT_EQ(NumberToText(RoundHalfEven(model.ClosednessIndex(), 2)), " 3.19");
}

TEST(DefaultCase, DepthEditMovesTheMouthDepthAndSection) {
  BayModel model;
  model.LoadDefaultCase();
  AcceptConditionText(model, ConditionBox::MeanDepth, "20");
  EXPECT_EQ(model.MouthDepth, "20");
  EXPECT_EQ(model.MouthSection, static_cast<float>((20.0 * 7.0) * 0.001));
  EXPECT_EQ(NumberToText(model.BayVolume), " 20");
  AcceptConditionText(model, ConditionBox::MouthLength, "10");
  EXPECT_EQ(model.MouthSection, static_cast<float>((10.0 * 20.0) * 0.001));
  AcceptConditionText(model, ConditionBox::OpenSeaQuality, "3");
  EXPECT_EQ(model.BayAverageQuality, "3");
  AcceptConditionText(model, ConditionBox::InflowRate, "100");
  EXPECT_EQ(model.InflowLoad, 1000.0);
  AcceptConditionText(model, ConditionBox::InflowQuality, "2");
  EXPECT_EQ(model.InflowLoad, 200.0);
}

TEST(Multipliers, ListsHoldTheirEntriesInOrder) {
  const auto section = MultiplierEntries(MultiplierList::Section);
  ASSERT_EQ(section.size(), 7u);
  EXPECT_EQ(section[0], "1.0");
  EXPECT_EQ(section[6], "2.0");
  const auto quality = MultiplierEntries(MultiplierList::Quality);
  ASSERT_EQ(quality.size(), 8u);
  EXPECT_EQ(quality[1], "0.2");
  EXPECT_EQ(quality[7], "5.0");
  EXPECT_FALSE(MultiplierFactor(MultiplierList::Section, "5.0"));
  EXPECT_EQ(MultiplierFactor(MultiplierList::Quantity, "5.0"), 5.0);
  EXPECT_FALSE(MultiplierFactor(MultiplierList::Quality, "0.3"));
  EXPECT_FALSE(MultiplierFactor(MultiplierList::Quality, "1"));
  EXPECT_EQ(JoinedEntries(MultiplierList::Section), "1.0, 0.2, 0.5, 0.8, 1.2, 1.5, 2.0");
}

TEST(Multipliers, PicksChangeTheDerivedValuesAsTheBoxesShowThem) {
  BayModel model;
  model.LoadDefaultCase();
  SetMultiplier(model, MultiplierList::Section, *MultiplierFactor(MultiplierList::Section, "0.5"));
  EXPECT_EQ(NumberToText(RoundHalfEven(model.ChangedMouthSection(), 5)), " .063");
  EXPECT_EQ(NumberToText(RoundHalfEven(model.ClosednessIndex(), 2)), " 9.04");

  model.LoadDefaultCase();
  SetMultiplier(model, MultiplierList::Quantity, 2.0);
  EXPECT_EQ(NumberToText(model.ChangedInflowLoad()), " 6620");
  EXPECT_EQ(NumberToText(RoundHalfEven(model.ResidenceTimeDays(), 1)), " 314.7");
  EXPECT_EQ(NumberToText(RoundHalfEven(model.LoadPerVolume(), 3)), " .032");

  model.LoadDefaultCase();
  SetMultiplier(model, MultiplierList::Quality, 0.2);
  EXPECT_EQ(static_cast<double>(model.QualityFactor), 0.20000000298023224);
  EXPECT_EQ(model.ChangedInflowLoad(), 662.0000098645687);
  EXPECT_EQ(NumberToText(RoundHalfEven(model.ChangedInflowLoad(), 3)), " 662");
  EXPECT_EQ(NumberToText(RoundHalfEven(model.LoadPerVolume(), 3)), " .003");

  model.LoadDefaultCase();
  SetMultiplier(model, MultiplierList::Quality, 1.2);
  SetMultiplier(model, MultiplierList::Quantity, 1.5);
  EXPECT_EQ(NumberToText(model.ChangedInflowLoad()), " 5958.00023674965");
}

}  // namespace
}  // namespace kurimo
