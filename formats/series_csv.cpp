#include "series_csv.h"

#include <cstdint>

#include "atomic_file.h"
#include "number_text.h"

namespace kurimo {

std::string SeriesCsvText(const TimeSeries& series) {
  std::string out;
  // About 7 numbers of up to 24 characters per row.
  out.reserve(kSeriesCsvHeader.size() + 16 + series.points.size() * 128);
  out += kUtf8ByteOrderMark;
  out += kSeriesCsvHeader;
  out += "\r\n";
  for (const SeriesPoint& p : series.points) {
    AppendShortestNumber(out, p.step);
    out += ',';
    AppendShortestNumber(out, p.day);
    for (double c : p.concentration) {
      out += ',';
      AppendShortestNumber(out, c);
    }
    out += "\r\n";
  }
  return out;
}

std::optional<std::string> WriteSeriesCsv(const std::string& path, const TimeSeries& series) {
  return WriteFileAtomically(path, SeriesCsvText(series));
}

}  // namespace kurimo
