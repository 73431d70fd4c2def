// The cases the tests share, by name, in one place: each is the condition texts that differ
// from the default case, so that every layer (the model, the batch runner's options, the
// window's boxes) can enter the same case its own way.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bay_model.h"
#include "case_inputs.h"

namespace kurimo::test {

struct NamedCase {
  std::string_view name;
  std::vector<std::pair<ConditionBox, std::string_view>> texts;  // in addition to the default
};

// The start-up case: 1000 km2, 18 m, 7 km, 2.4 and 10 g/m3, 331 m3/s; 6294 days.
inline const NamedCase kDefaultCase{"default", {}};
// A river of 1 m3/s: about four million steps, long enough to stop or watch its progress.
inline const NamedCase kLongCase{"long", {{ConditionBox::InflowRate, "1"}}};
// A river of 0.001 m3/s: about 4e9 steps, far longer than any test waits.
inline const NamedCase kEndlessCase{"endless", {{ConditionBox::InflowRate, "0.001"}}};
// A 1 km2 bay with a 1.15 km mouth: the rule's 72-minute step is too long for the chain, so
// the set-up shortens it and says so.
inline const NamedCase kUnstableCase{
    "unstable", {{ConditionBox::BayArea, "1"}, {ConditionBox::MouthLength, "1.15"}}};
// A mouth of 1 m x 50 m: 331 m3/s flows through it at 6.62 m/s, over the limit, and the set-up
// warns (the run goes on).
inline const NamedCase kWarningCase{
    "warning", {{ConditionBox::MeanDepth, "1"}, {ConditionBox::MouthLength, "0.05"}}};
// A 1 km2 bay 1 m deep with a 10 m mouth and 100 m3/s: the step rounds to 0 minutes.
inline const NamedCase kZeroStepCase{"zero step",
                                     {{ConditionBox::BayArea, "1"},
                                      {ConditionBox::MeanDepth, "1"},
                                      {ConditionBox::MouthLength, "0.01"},
                                      {ConditionBox::InflowRate, "100"}}};

// The batch runner's option for a condition box.
inline std::string_view BatchOption(ConditionBox box) {
  switch (box) {
    case ConditionBox::BayArea: return "--bay-area";
    case ConditionBox::MeanDepth: return "--mean-depth";
    case ConditionBox::MouthLength: return "--mouth-length";
    case ConditionBox::OpenSeaQuality: return "--open-sea-quality";
    case ConditionBox::InflowQuality: return "--inflow-quality";
    case ConditionBox::InflowRate: return "--inflow-rate";
  }
  return "";
}

// The case as the batch runner's options.
inline std::vector<std::string> BatchArgs(const NamedCase& c) {
  std::vector<std::string> args;
  for (const auto& [box, text] : c.texts) {
    args.emplace_back(BatchOption(box));
    args.emplace_back(text);
  }
  return args;
}

// The default case with the case's texts accepted, as the edit handlers would store them.
inline BayModel ModelOf(const NamedCase& c) {
  BayModel model;
  model.LoadDefaultCase();
  for (const auto& [box, text] : c.texts) AcceptConditionText(model, box, std::string(text));
  return model;
}

}  // namespace kurimo::test
