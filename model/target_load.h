// The load that brings the bay to a chosen steady mean. The chain's steady state is linear
// in the river's load L (g/s): each box is (L + E c_seaward) / (F + E) from the open sea
// inwards, so the steady bay mean is a + b L, with a the mean of a bay fed by a perfectly
// clean river. The load for a target mean T is (T - a) / b; from it follow the inflow
// quality that gives that load with the case's flow and multipliers, and the cut from
// today's load. Nothing here changes the case or the calculation.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "bay_model.h"
#include "case_inputs.h"

namespace kurimo {

enum class TargetStatus {
  Reachable,        // the load, the quality and the steady state below are the target's
  BelowCleanRiver,  // the target lies below the mean a clean river gives: no cut reaches it
  TooLarge,         // the quality it takes is beyond what the model's single precision holds
  NotComputable,    // the case's coefficients are infinite or not a number
};

struct TargetLoad {
  TargetStatus status = TargetStatus::NotComputable;
  double targetMean = 0;           // g/m3, T
  double lowestReachableMean = 0;  // g/m3, a: the steady bay mean with no load at all
  double meanPerLoad = 0;          // g/m3 per g/s, b
  double currentLoad = 0;          // g/s, the load the case puts into the bay now
  double currentMean = 0;          // g/m3, the steady bay mean of the case as it stands
  // With Reachable:
  double load = 0;           // g/s, (T - a) / b
  double inflowQuality = 0;  // g/m3, as typed into the inflow-quality box (before its multiplier)
  // The text for the inflow-quality box: the shortest decimal that gives the model the same
  // single-precision daily load as inflowQuality itself.
  std::string inflowQualityText;
  // The cut from the current load in per cent (negative: the load may grow); not a number
  // when the case has no load now.
  double reductionPercent = 0;
  std::array<double, 5> steadyState{};  // g/m3, boxes 1 to 5 at the target's load
};

// The figures for a target mean T (g/m3) of a model that is set up and has its load rates
// (after SetUpCase and ComputeLoadRates, as a run leaves it).
TargetLoad FindTargetLoad(const BayModel& setUp, double targetMean);

// The same for a case as the window or the batch runner holds it: the conditions are set up
// on a copy, without any message, and the case itself is left as it was.
TargetLoad FindTargetLoadForCase(const BayModel& conditions, double targetMean);

// The check of a typed target: a number of at least 0, as the water-quality boxes check
// theirs; the message and title name the target.
std::optional<InputLimit> FailedTargetText(std::string_view text);

// The figures as the dialog and the batch runner show them, rounded for reading: loads and
// qualities to 6 significant digits, the cut to 0.1 %, concentrations to 4 decimals. With
// no figures, `note` says why (and the lowest reachable mean is still shown when known).
struct TargetTexts {
  std::string targetMean;
  std::string lowestReachableMean;
  std::string currentMean;
  std::string load;
  std::string inflowQuality;
  std::string reduction;
  std::array<std::string, 5> steadyState;
  std::string note;
};
TargetTexts FormatTargetLoad(const TargetLoad& figures);

inline constexpr std::string_view kTargetTitle = "目標の湾内平均水質";
inline constexpr std::string_view kTargetMessage =
    "目標の湾内平均水質には 0 以上の数値を入力してください";

}  // namespace kurimo
