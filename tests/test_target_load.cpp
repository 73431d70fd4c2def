// The load for a target bay mean: the inflow quality it names, typed into the case as a
// user would, brings the bay's steady state and a full run to the target.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "case_inputs.h"
#include "number_text.h"
#include "target_load.h"
#include "test_helpers.h"

namespace kurimo {
namespace {

using test::PrepareRun;
using test::RecordingObserver;
using test::TempFolder;

struct Case {
  const char* name;
  std::vector<std::pair<ConditionBox, std::string>> texts;
  double qualityFactor = 1.0;
  double quantityFactor = 1.0;
  double sectionFactor = 1.0;
};

BayModel Conditions(const Case& c) {
  BayModel m;
  m.LoadDefaultCase();
  for (const auto& [box, text] : c.texts)
    AcceptConditionText(m, box, text);
  SetMultiplier(m, MultiplierList::Quality, c.qualityFactor);
  SetMultiplier(m, MultiplierList::Quantity, c.quantityFactor);
  SetMultiplier(m, MultiplierList::Section, c.sectionFactor);
  return m;
}

// The case with another inflow-quality text, set up as a run sets it up before stepping.
BayModel WithQuality(const Case& c, const std::string& quality) {
  BayModel m = Conditions(c);
  m.AcceptInflowQuality(quality);
  PrepareRun(m);
  m.ComputeLoadRates();
  return m;
}

// The plain average of the five steady boxes.
double SteadyMean(const BayModel& setUp) {
  double sum = 0;
  for (double c : setUp.SteadyState())
    sum += c;
  return sum / 5;
}

const Case kDefault{"Default", {}};
const Case kMultiplied{"QualityAndQuantityMultiplied", {}, 0.2, 2.0, 0.5};
const Case kShallowBay{"ShallowBayNarrowMouth",
                       {{ConditionBox::MeanDepth, " 4"},
                        {ConditionBox::MouthLength, " 2"},
                        {ConditionBox::OpenSeaQuality, " 1.1"},
                        {ConditionBox::InflowRate, " 57.5"}}};

struct TargetRow {
  const Case* c;
  double target;
};

class ReachableTarget : public ::testing::TestWithParam<TargetRow> {};

TEST_P(ReachableTarget, TypedQualityBringsTheSteadyMeanToTheTarget) {
  const auto [c, target] = GetParam();
  const TargetLoad t = FindTargetLoadForCase(Conditions(*c), target);
  ASSERT_EQ(t.status, TargetStatus::Reachable);
  EXPECT_EQ(t.targetMean, target);

  // The bay with a clean river, found by typing a quality of 0: the lowest mean.
  const double clean = SteadyMean(WithQuality(*c, " 0"));
  EXPECT_NEAR(t.lowestReachableMean, clean, 1e-12 * clean);

  // The quality text passes the box's check and gives the model the load found.
  EXPECT_FALSE(FailedInputLimit(ConditionBox::InflowQuality, t.inflowQualityText));
  const BayModel typed = WithQuality(*c, t.inflowQualityText);
  EXPECT_NEAR(typed.LoadRate[1][1], t.load, 1e-7 * t.load);
  EXPECT_NEAR(TextToNumber(t.inflowQualityText), t.inflowQuality, 1e-7 * t.inflowQuality);
  // The load is the quality times both multipliers and the flow.
  EXPECT_NEAR(
      t.load,
      t.inflowQuality * c->qualityFactor * c->quantityFactor * TextToNumber(typed.InflowRate),
      1e-6 * t.load);

  // The steady state of the typed case: the target's mean and boxes. The model rounds the
  // daily load to single precision, so no typed quality gives the exact load: the load is
  // off by at most half a unit in the last place of a single (2^-24 of it), and each box's
  // share of the load, its excess over the clean river's, by as much.
  const double grid = std::ldexp(1.0, -24) * (1 + 1e-6);
  EXPECT_NEAR(SteadyMean(typed), target, (target - clean) * grid + 1e-13);
  const std::array<double, 5> boxes = typed.SteadyState();
  const std::array<double, 5> cleanBoxes = WithQuality(*c, " 0").SteadyState();
  for (std::size_t b = 0; b < 5; ++b) {
    EXPECT_NEAR(t.steadyState[b], boxes[b], (boxes[b] - cleanBoxes[b]) * grid + 1e-13)
        << "box " << b + 1;
  }

  // The cut is measured from the load the case has now.
  const BayModel now = WithQuality(*c, Conditions(*c).InflowQuality);
  EXPECT_NEAR(t.currentLoad, now.LoadRate[1][1], 1e-12 * now.LoadRate[1][1]);
  EXPECT_NEAR(t.reductionPercent, 100 * (1 - t.load / now.LoadRate[1][1]), 1e-9);
  EXPECT_NEAR(t.currentMean, SteadyMean(now), 1e-12 * SteadyMean(now));
}

INSTANTIATE_TEST_SUITE_P(Cases, ReachableTarget,
                         ::testing::Values(TargetRow{&kDefault, 3.0}, TargetRow{&kDefault, 2.5},
                                           TargetRow{&kDefault, 4.2}, TargetRow{&kMultiplied, 2.9},
                                           TargetRow{&kShallowBay, 5.0}),
                         [](const ::testing::TestParamInfo<TargetRow>& row) {
                           return std::string(row.param.c->name) + "_" +
                                  std::to_string(static_cast<int>(row.param.target * 10));
                         });

TEST(TargetLoad, RunWithTheFoundQualityEndsAtTheTarget) {
  // The default run reaches its steady state, so its final mean is the target's.
  for (double target : {3.0, 2.7}) {
    SCOPED_TRACE(target);
    const TargetLoad t = FindTargetLoadForCase(Conditions(kDefault), target);
    ASSERT_EQ(t.status, TargetStatus::Reachable);
    BayModel m = Conditions(kDefault);
    m.AcceptInflowQuality(t.inflowQualityText);
    TempFolder folder;
    RecordingObserver observer;
    ASSERT_EQ(m.RunSimulation(folder.File("out.txt"), observer).status, RunStatus::Completed);
    EXPECT_NEAR(m.BayAverage[1], target, 1e-6);
  }
}

TEST(TargetLoad, BelowTheCleanRiverMeanCannotBeReached) {
  const double clean = SteadyMean(WithQuality(kDefault, " 0"));
  for (double target : {0.0, clean - 1e-6, 1.0}) {
    SCOPED_TRACE(target);
    const TargetLoad t = FindTargetLoadForCase(Conditions(kDefault), target);
    EXPECT_EQ(t.status, TargetStatus::BelowCleanRiver);
    EXPECT_NEAR(t.lowestReachableMean, clean, 1e-12 * clean);
    EXPECT_LT(t.lowestReachableMean, 2.4);  // the river dilutes the sea water
  }
  // Exactly the clean river's mean takes no load at all.
  const TargetLoad atClean = FindTargetLoadForCase(Conditions(kDefault), clean + 1e-12);
  ASSERT_EQ(atClean.status, TargetStatus::Reachable);
  EXPECT_NEAR(atClean.load, 0, 1e-6);
  EXPECT_NEAR(atClean.reductionPercent, 100, 1e-6);
}

TEST(TargetLoad, TargetsTheModelCannotHoldOrACaseWithoutLoad) {
  EXPECT_EQ(FindTargetLoadForCase(Conditions(kDefault), 1e36).status, TargetStatus::TooLarge);
  // With no load now there is no cut to speak of, but the target still has its quality.
  const Case clean{"Clean", {{ConditionBox::InflowQuality, " 0"}}};
  const TargetLoad t = FindTargetLoadForCase(Conditions(clean), 3.0);
  ASSERT_EQ(t.status, TargetStatus::Reachable);
  EXPECT_EQ(t.currentLoad, 0);
  EXPECT_TRUE(std::isnan(t.reductionPercent));
  EXPECT_GT(t.inflowQuality, 0);
}

TEST(TargetLoad, TypedTargetIsCheckedLikeAQualityBox) {
  struct Row {
    const char* text;
    bool accepted;
  };
  for (const Row& row : {Row{" 3.5", true}, Row{"0", true}, Row{"1,000", true}, Row{"", false},
                         Row{"abc", false}, Row{"-1", false}, Row{"3..5", false}}) {
    SCOPED_TRACE(row.text);
    const std::optional<InputLimit> failed = FailedTargetText(row.text);
    EXPECT_EQ(!failed, row.accepted);
    if (failed) {
      EXPECT_EQ(failed->message, kTargetMessage);
      EXPECT_EQ(failed->title, kTargetTitle);
    }
  }
  const std::optional<InputLimit> control = FailedTargetText("3\x1b");
  ASSERT_TRUE(control);
  EXPECT_EQ(control->title, kTargetTitle);
  EXPECT_NE(control->message, kTargetMessage);
}

TEST(TargetLoad, FiguresAreShownRoundedAndTheCutJudgedAsShown) {
  struct Row {
    const char* name;
    double load, reduction;
    const char* loadText;
    const char* reductionText;
  };
  for (const Row& row :
       {Row{"Cut", 2800.0808775, 15.40541, " 2800.08", " 15.4"},
        Row{"MatchesToRounding", 3310.0000001, -3e-9, " 3310", " 0"},
        Row{"Increase", 0.000123456789, -25.35, " .000123457", "-25.4（負荷を増やせます）"},
        Row{"NoLoadNow", 12828.485265, std::nan(""), " 12828.5", "―（現在の負荷が 0 です）"}}) {
    SCOPED_TRACE(row.name);
    TargetLoad t;
    t.status = TargetStatus::Reachable;
    t.targetMean = 3;
    t.load = row.load;
    t.inflowQuality = row.load / 331;
    t.reductionPercent = row.reduction;
    t.steadyState = {3.37710303, 3.19518078, 3.00674664, 2.81156753, 2.60940201};
    const TargetTexts texts = FormatTargetLoad(t);
    EXPECT_EQ(texts.load, row.loadText);
    EXPECT_EQ(texts.reduction, row.reductionText);
    EXPECT_EQ(texts.steadyState[0], " 3.3771");
    EXPECT_EQ(texts.note, "");
  }
  TargetLoad below;
  below.status = TargetStatus::BelowCleanRiver;
  below.lowestReachableMean = 2.16235501;
  const TargetTexts texts = FormatTargetLoad(below);
  EXPECT_EQ(texts.load, "");
  EXPECT_NE(texts.note.find(" 2.1624 g/m3"), std::string::npos) << texts.note;
}

}  // namespace
}  // namespace kurimo
