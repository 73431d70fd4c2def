// The indicators, the bay mean and the lines of the output file.
#include <gtest/gtest.h>

#include "case_inputs.h"
#include "number_text.h"
#include "output_file.h"
#include "test_helpers.h"

namespace kurimo {
namespace {

using test::DefaultSetUp;

TEST(Indicators, DefaultCase) {
  const Indicators i = DefaultSetUp().ComputeIndicators();
  EXPECT_EQ(i.changedMouthSection, 0.126);
  EXPECT_EQ(i.changedInflowLoad, 3310.0);
  EXPECT_EQ(i.eddyDiffusivity, 464.0);
  EXPECT_EQ(i.meanVelocity, 0.26);
  EXPECT_EQ(i.residenceTime, 629.4);
  EXPECT_EQ(i.closedness, 4.52);
  EXPECT_EQ(i.loadPerVolume, 0.016);
}

TEST(Indicators, MultipliersEnterEachIndicator) {
  BayModel m;
  m.LoadDefaultCase();
  SetMultiplier(m, MultiplierList::Section, 0.5);
  SetMultiplier(m, MultiplierList::Quantity, 2.0);
  SetMultiplier(m, MultiplierList::Quality, 0.2);
  test::PrepareRun(m);
  const Indicators i = m.ComputeIndicators();
  EXPECT_EQ(i.changedMouthSection, 0.063);
  EXPECT_EQ(i.changedInflowLoad, RoundHalfEven((3310.0 * 2.0) * 0.20000000298023224, 5));
  EXPECT_EQ(i.closedness, 9.04);
  EXPECT_EQ(i.residenceTime, 314.7);
  EXPECT_EQ(i.meanVelocity, RoundHalfEven(100 * (662 / (126000.00202655792 * 0.5)), 2));
}

TEST(BayMean, PlainAverageOfTheFiveBayBoxes) {
  BayModel m = DefaultSetUp();
  for (int b = 1; b <= 5; ++b)
    m.Concentration[1][b] = b + 1;  // 2, 3, 4, 5, 6
  m.Concentration[1][6] = 1000;     // the open sea is not in it
  m.BoxVolume[2] = 1;               // nor are the volumes
  m.ComputeBayMean();
  EXPECT_EQ(m.BayAverage[1], 4.0);
}

std::vector<std::string> WrittenLines(const BayModel& m, bool withMean) {
  test::TempFolder folder;
  OutputFile file;
  EXPECT_TRUE(file.Open(folder.File("out.txt")));
  m.WriteConditionsAndIndicators(file);
  if (withMean) m.WriteBayMean(file);
  EXPECT_TRUE(file.Commit());
  return test::ReadCp932Lines(folder.File("out.txt"));
}

TEST(OutputLines, TypedTextsAreWrittenAsTyped) {
  BayModel m;
  m.LoadDefaultCase();
  m.AcceptBayArea("25");
  m.AcceptOpenSeaQuality("2.50");
  test::PrepareRun(m);
  const auto lines = WrittenLines(m, false);
  ASSERT_EQ(lines.size(), 23u);
  EXPECT_EQ(lines[4], "    湾面積(km2)=25　平均水深(m)= 18　湾容積(km3)= 0.45 ");
  EXPECT_EQ(lines[6], "    外海水水質(g/m3)=2.50");
}

TEST(OutputLines, NegativeValueTakesTheSignInPlaceOfTheBlank) {
  BayModel m = DefaultSetUp();
  m.BayAverage[1] = -0.504;
  const auto lines = WrittenLines(m, true);
  ASSERT_EQ(lines.size(), 26u);
  EXPECT_EQ(lines[25], "    湾内平均水質(g/m3)=-0.5 ");
  EXPECT_EQ(lines[24], "[計算結果]");
  EXPECT_EQ(lines[23], "");
}

TEST(OutputLines, SinglePrecisionFactorsKeepSevenDigits) {
  BayModel m;
  m.LoadDefaultCase();
  SetMultiplier(m, MultiplierList::Quality, 1.2);
  SetMultiplier(m, MultiplierList::Quantity, 1.5);
  test::PrepareRun(m);
  const auto lines = WrittenLines(m, false);
  ASSERT_EQ(lines.size(), 23u);
  EXPECT_EQ(
      lines[11],
      "    流入水水質(×倍)= 1.2 　流入水水量(×倍)= 1.5 　　 (変更)流入負荷量(g/秒)= 5958.00024 ");
}

}  // namespace
}  // namespace kurimo
