// The last finished run as a table for a spreadsheet: the conditions, the multipliers,
// the indicators and the results, one item a row.
//
//   項目<TAB>値<TAB>単位
//   湾面積<TAB>1000<TAB>km2
//   ...
//   ボックス5（湾口）の水質<TAB>2.66<TAB>g/m3
//
// One item a row keeps each value beside its name and unit, however many items there
// are, and pastes into three columns of any spreadsheet; the values stand alone in their
// column, so the spreadsheet reads them as numbers.
#pragma once

#include <string>
#include <string_view>

#include "bay_model.h"
#include "window_ops.h"

namespace kurimo {

// The table as tab-separated rows, each ending in a line feed. The conditions are the
// texts the case holds (as typed and accepted), the entries those selected in the lists,
// the computed boxes and the bay mean the texts the window shows; the five boxes at the
// end of the run and the flushing time come from the run's record, rounded as the window
// rounds the bay mean and the residence time. Every value is shown without the blank that
// the boxes put before a number, and no tab or line break inside a text splits a row.
std::string ResultsSheetText(const BayModel& model, const RunRecord& run, const WindowOps& window,
                             std::string_view caseName);

}  // namespace kurimo
