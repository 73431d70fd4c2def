#include "sensitivity_text.h"

namespace kurimo {

std::string_view MultiplierListName(MultiplierList list) {
  switch (list) {
    case MultiplierList::Section:
      return "湾口部断面積";
    case MultiplierList::Quality:
      return "流入水水質";
    case MultiplierList::Quantity:
      return "流入水流量";
  }
  return "";
}

std::string CaseStatusText(const SensitivityPoint& point) {
  switch (point.status) {
    case CaseStatus::Done:
      return "完了";
    case CaseStatus::Warning:
      return "完了（流量等の入力制限）";
    case CaseStatus::Abandoned:
      break;
  }
  switch (point.runStatus) {
    case RunStatus::ZeroTimeStep:
      return "中止（時間刻みが 0 分）";
    case RunStatus::NonFiniteCase:
      return "中止（値が無限大または非数）";
    case RunStatus::TooManySteps:
      return "中止（ステップ数が多すぎる）";
    case RunStatus::Diverged:
      return "中止（計算が発散）";
    case RunStatus::ValueTooLarge:
      return "中止（水質の値が大きすぎる）";
    case RunStatus::Cancelled:
      return "中止";
    case RunStatus::Completed:
    case RunStatus::OutputFileFailed:
      break;
  }
  return "中止";
}

}  // namespace kurimo
