#include "target_load.h"

#include <cmath>

#include "number_text.h"

namespace kurimo {
namespace {

constexpr int kBays = 5;
constexpr int kOpenSea = kBays + 1;

void SetUp(BayModel& model) {
  SilentObserver observer;
  model.InitialiseModelArrays();
  model.SetUpCase(observer);
  model.ComputeLoadRates();
}

struct SteadyMean {
  std::array<double, 5> boxes{};
  double mean = 0;
};

// The steady state of the set-up chain for a river load (g/s) and an open-sea quality,
// and its bay mean as the model forms it. `work` is a scratch copy of the set-up model.
SteadyMean SteadyFor(BayModel& work, double load, double openSea) {
  work.LoadRate[1][1] = load;
  work.Concentration[1][kOpenSea] = openSea;
  SteadyMean result;
  result.boxes = work.SteadyState();
  for (int b = 1; b <= kBays; ++b)
    work.Concentration[1][b] = result.boxes[static_cast<std::size_t>(b - 1)];
  work.ComputeBayMean();
  result.mean = work.BayAverage[1];
  return result;
}

// The load (g/s) the model takes from an inflow-quality text, along the path of a run:
// the text is stored as the box stores it, the case set up, the load rates worked out.
double LoadOfQualityText(const BayModel& conditions, const std::string& text) {
  BayModel work = conditions;
  work.AcceptInflowQuality(text);
  SetUp(work);
  return work.LoadRate[1][1];
}

// The value with `digits` significant digits, as the boxes write numbers.
std::string SignificantText(double value, int digits) {
  const std::string text = SignificantNumberText(value, digits);
  if (digits > 15) return text;  // beyond what the boxes' own form keeps
  const std::optional<double> parsed = ParseNumberText(text);
  return parsed ? NumberToText(*parsed) : text;
}

// The shortest text for the inflow-quality box that the box accepts and that gives the
// model the same load as the exact quality. The model rounds the daily load to single
// precision, so eight or nine digits usually carry everything the calculation uses;
// seventeen digits give the double itself.
std::string QualityText(const BayModel& conditions, double quality) {
  const std::string exact = SignificantText(quality, 17);
  const double exactLoad = LoadOfQualityText(conditions, exact);
  for (int digits = 1; digits <= 16; ++digits) {
    const std::string text = SignificantText(quality, digits);
    if (FailedInputLimit(ConditionBox::InflowQuality, text)) continue;
    if (LoadOfQualityText(conditions, text) == exactLoad) return text;
  }
  return exact;
}

bool Finite(double value) {
  return std::isfinite(value);
}

}  // namespace

TargetLoad FindTargetLoad(const BayModel& setUp, double targetMean) {
  TargetLoad t;
  t.targetMean = targetMean;
  BayModel work = setUp;
  const double openSea = setUp.Concentration[1][kOpenSea];
  t.currentLoad = setUp.LoadRate[1][1];
  // The chain is linear in the load and the open sea together, so the clean river (no
  // load) gives a, and a unit load into a sea of 0 gives b without cancellation.
  t.lowestReachableMean = SteadyFor(work, 0, openSea).mean;
  t.meanPerLoad = SteadyFor(work, 1, 0).mean;
  t.currentMean = SteadyFor(work, t.currentLoad, openSea).mean;
  if (!Finite(t.lowestReachableMean) || !Finite(t.meanPerLoad) || !(t.meanPerLoad > 0) ||
      !Finite(t.currentLoad) || !Finite(targetMean)) {
    t.status = TargetStatus::NotComputable;
    return t;
  }
  if (targetMean < t.lowestReachableMean) {
    t.status = TargetStatus::BelowCleanRiver;
    return t;
  }
  t.load = (targetMean - t.lowestReachableMean) / t.meanPerLoad;
  // The load is the changed quality times the changed flow; the quality a user types is
  // the changed one before its multiplier.
  t.inflowQuality = (t.load / setUp.ChangedInflowRate) / static_cast<double>(setUp.QualityFactor);
  work.ChangedInflowQuality[1] = t.inflowQuality * static_cast<double>(setUp.QualityFactor);
  work.LoadRate[1][1] = t.load;
  work.Concentration[1][kOpenSea] = openSea;
  if (!Finite(t.load) || !Finite(t.inflowQuality) ||
      work.ValueBeyondSinglePrecision().condition != LargeCondition::None) {
    t.status = TargetStatus::TooLarge;
    return t;
  }
  t.status = TargetStatus::Reachable;
  t.steadyState = SteadyFor(work, t.load, openSea).boxes;
  t.reductionPercent =
      t.currentLoad > 0 ? ((t.currentLoad - t.load) / t.currentLoad) * 100 : std::nan("");
  t.inflowQualityText = QualityText(setUp, t.inflowQuality);
  return t;
}

TargetLoad FindTargetLoadForCase(const BayModel& conditions, double targetMean) {
  BayModel work = conditions;
  SetUp(work);
  return FindTargetLoad(work, targetMean);
}

namespace {

// The decimal exponent of a finite magnitude above 0: floor(log10(x)), found by comparing
// with powers of ten made by multiplication and division, so that no platform's log10 can
// move it at a power of ten.
int DecimalMagnitude(double x) {
  int magnitude = 0;
  double power = 1;
  while (x >= power * 10 && magnitude < 400) {
    power *= 10;
    ++magnitude;
  }
  while (x < power && magnitude > -400) {
    power /= 10;
    --magnitude;
  }
  return magnitude;
}

std::string Significant(double value, int digits) {
  if (value == 0) return NumberToText(0.0);
  if (!std::isfinite(value)) return SignificantText(value, digits);
  const int magnitude = DecimalMagnitude(std::abs(value));
  const int places = digits - 1 - magnitude;
  if (places < 0 || places > 15) return SignificantText(value, digits);
  return NumberToText(RoundHalfEven(value, places));
}

std::string Concentration(double value) {
  return NumberToText(RoundHalfEven(value, 4));
}

}  // namespace

TargetTexts FormatTargetLoad(const TargetLoad& figures) {
  TargetTexts texts;
  texts.targetMean = NumberToText(figures.targetMean);
  const bool known = figures.status != TargetStatus::NotComputable;
  if (known) {
    texts.lowestReachableMean = Concentration(figures.lowestReachableMean);
    texts.currentMean = Concentration(figures.currentMean);
  }
  switch (figures.status) {
    case TargetStatus::Reachable:
      break;
    case TargetStatus::BelowCleanRiver:
      texts.note = "この目標は負荷を減らしても達成できません。流入負荷を 0 にしても湾内平均水質は" +
                   texts.lowestReachableMean + " g/m3 です。";
      return texts;
    case TargetStatus::TooLarge:
      texts.note = "目標が大きすぎて、必要な流入水質を計算できません。";
      return texts;
    case TargetStatus::NotComputable:
      texts.note = "この条件では試算できません（条件の値が大きすぎるか小さすぎます）。";
      return texts;
  }
  texts.load = Significant(figures.load, 6);
  texts.inflowQuality = Significant(figures.inflowQuality, 6);
  if (std::isnan(figures.reductionPercent)) {
    texts.reduction = "―（現在の負荷が 0 です）";
  } else {
    // Judged as shown: a load that matches the target to rounding is no increase.
    const double shown = RoundHalfEven(figures.reductionPercent, 1) + 0.0;  // no "-0"
    texts.reduction = NumberToText(shown);
    if (shown < 0) texts.reduction += "（負荷を増やせます）";
  }
  for (std::size_t b = 0; b < texts.steadyState.size(); ++b)
    texts.steadyState[b] = Concentration(figures.steadyState[b]);
  return texts;
}

std::optional<InputLimit> FailedTargetText(std::string_view text) {
  // The open-sea box has the same rule: a number of at least 0.
  const std::optional<InputLimit> failed = FailedInputLimit(ConditionBox::OpenSeaQuality, text);
  if (!failed) return std::nullopt;
  const bool notANumber = failed->message == "数値を入力してください";
  return InputLimit{notANumber ? kTargetMessage : failed->message, kTargetTitle};
}

}  // namespace kurimo
