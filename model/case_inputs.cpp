#include "case_inputs.h"

#include <array>
#include <utility>

#include "bay_model.h"
#include "number_text.h"

namespace kurimo {
namespace {

struct BoxRule {
  double bound;
  bool strictlyAbove;  // the leading number must exceed the bound, not just reach it
  InputLimit limit;
};

BoxRule RuleOf(ConditionBox box) {
  switch (box) {
    case ConditionBox::BayArea:
      return {1.0, false, {"湾面積は1km2以上にしてください。", "湾面積の入力制限"}};
    case ConditionBox::MeanDepth:
      return {1.0, false, {"水深は1m以上にしてください", "水深の入力制限"}};
    case ConditionBox::MouthLength:
      return {0.0, true, {"湾口部長さは0にしないでください", "湾口部長さの入力制限"}};
    case ConditionBox::OpenSeaQuality:
      return {0.0, false, {"数値を入力してください", "外海水の水質"}};
    case ConditionBox::InflowQuality:
      return {0.0, false, {"数値を入力してください", "流入水の水質"}};
    case ConditionBox::InflowRate:
      return {0.0, true, {"流入水の流量は0にしないでください", "流量の入力制限"}};
  }
  return {0.0, false, {"", ""}};
}

constexpr std::string_view kControlCharacterMessage =
    "入力に制御文字（改行や ESC など）が含まれています。数値だけを入力してください。";

// A control character other than the tab (which counts as a blank): U+0000..U+001F and
// U+007F. In UTF-8 these bytes never occur inside a longer character.
bool HasControlCharacter(std::string_view text) {
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && c != '\t') || byte == 0x7F) return true;
  }
  return false;
}

constexpr std::array<std::string_view, 7> kSectionEntries = {"1.0", "0.2", "0.5", "0.8",
                                                             "1.2", "1.5", "2.0"};
constexpr std::array<std::string_view, 8> kFactorEntries = {"1.0", "0.2", "0.5", "0.8",
                                                            "1.2", "1.5", "2.0", "5.0"};

}  // namespace

std::optional<InputLimit> FailedInputLimit(ConditionBox box, std::string_view text) {
  const BoxRule rule = RuleOf(box);
  if (HasControlCharacter(text)) return InputLimit{kControlCharacterMessage, rule.limit.title};
  const std::optional<double> value = ParseNumberText(text);
  if (!value) return rule.limit;
  const auto meetsBound = [&](double number) {
    return rule.strictlyAbove ? number > rule.bound : number >= rule.bound;
  };
  // The leading number alone would let "-0,500" (leading -0) or "1,000e-5" (leading 1)
  // through, so the whole value must meet the bound too.
  if (!meetsBound(LeadingNumber(text)) || !meetsBound(*value)) return rule.limit;
  return std::nullopt;
}

void AcceptConditionText(BayModel& model, ConditionBox box, std::string text) {
  switch (box) {
    case ConditionBox::BayArea:
      model.AcceptBayArea(std::move(text));
      break;
    case ConditionBox::MeanDepth:
      model.AcceptMeanDepth(std::move(text));
      break;
    case ConditionBox::MouthLength:
      model.AcceptMouthLength(std::move(text));
      break;
    case ConditionBox::OpenSeaQuality:
      model.AcceptOpenSeaQuality(std::move(text));
      break;
    case ConditionBox::InflowQuality:
      model.AcceptInflowQuality(std::move(text));
      break;
    case ConditionBox::InflowRate:
      model.AcceptInflowRate(std::move(text));
      break;
  }
}

const std::string& ConditionText(const BayModel& model, ConditionBox box) {
  switch (box) {
    case ConditionBox::BayArea:
      return model.BayArea;
    case ConditionBox::MeanDepth:
      return model.MeanDepth;
    case ConditionBox::MouthLength:
      return model.MouthLength;
    case ConditionBox::OpenSeaQuality:
      return model.OpenSeaQuality;
    case ConditionBox::InflowQuality:
      return model.InflowQuality;
    case ConditionBox::InflowRate:
      break;
  }
  return model.InflowRate;
}

std::span<const std::string_view> MultiplierEntries(MultiplierList list) {
  if (list == MultiplierList::Section) return kSectionEntries;
  return kFactorEntries;
}

std::optional<double> MultiplierFactor(MultiplierList list, std::string_view entry) {
  for (std::string_view e : MultiplierEntries(list)) {
    if (e == entry) return LeadingNumber(e);
  }
  return std::nullopt;
}

void SetMultiplier(BayModel& model, MultiplierList list, double factor) {
  switch (list) {
    case MultiplierList::Section:
      model.SectionFactor = factor;
      break;
    case MultiplierList::Quality:
      model.QualityFactor = static_cast<float>(factor);
      break;
    case MultiplierList::Quantity:
      model.QuantityFactor = factor;
      break;
  }
}

std::string JoinedEntries(MultiplierList list) {
  std::string joined;
  for (std::string_view e : MultiplierEntries(list)) {
    if (!joined.empty()) joined += ", ";
    joined += e;
  }
  return joined;
}

}  // namespace kurimo
