// The time series of a run as a CSV file for spreadsheet programs: UTF-8 with a byte-order
// mark (so that programs set up for Japanese read it as UTF-8), a header row with units,
// one row per recorded point, CR LF line ends.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "time_series.h"

namespace kurimo {

// The byte-order mark that tells spreadsheet programs a CSV file is UTF-8 (the sweep's
// table starts with it too).
inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// The header row, without its line end.
inline constexpr std::string_view kSeriesCsvHeader =
    "ステップ,経過日数(日),ボックス1 湾奥(g/m3),ボックス2(g/m3),ボックス3(g/m3),"
    "ボックス4(g/m3),ボックス5 湾口(g/m3)";

// The whole file: the mark, the header, then step, day and boxes 1 to 5 of each point.
// Numbers are written in the shortest form that reads back as the same double.
std::string SeriesCsvText(const TimeSeries& series);

// Writes the file atomically (a failure leaves any earlier file as it was). No value on
// success, or the system's reason in words for the user.
std::optional<std::string> WriteSeriesCsv(const std::string& path, const TimeSeries& series);

}  // namespace kurimo
