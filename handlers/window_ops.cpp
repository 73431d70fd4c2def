#include "window_ops.h"

namespace kurimo {

std::optional<ConditionBox> EditedCondition(TextBox box) {
  switch (box) {
    case TextBox::Text1:
      return ConditionBox::BayArea;
    case TextBox::Text2:
      return ConditionBox::MeanDepth;
    case TextBox::Text4:
      return ConditionBox::MouthLength;
    case TextBox::Text7:
      return ConditionBox::OpenSeaQuality;
    case TextBox::Text8:
      return ConditionBox::InflowQuality;
    case TextBox::Text9:
      return ConditionBox::InflowRate;
    default:
      return std::nullopt;
  }
}

}  // namespace kurimo
