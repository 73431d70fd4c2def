// The words the sensitivity table uses for each list and for how a case ended.
#pragma once

#include <string>
#include <string_view>

#include "case_inputs.h"
#include "window_ops.h"

namespace kurimo {

// "湾口部断面積", "流入水水質", "流入水流量": the list names of the window.
std::string_view MultiplierListName(MultiplierList list);

// "完了", "完了（流量等の入力制限）" and the other warnings, or "中止（計算が発散）" and
// the like.
std::string CaseStatusText(const SensitivityPoint& point);

}  // namespace kurimo
