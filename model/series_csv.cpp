#include "series_csv.h"

#include <charconv>
#include <cstdint>

#include "atomic_file.h"

namespace kurimo {
namespace {

template <class Number>
void AppendNumber(std::string& out, Number value) {
  char buffer[32];
  const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, r.ptr);
}

}  // namespace

std::string SeriesCsvText(const TimeSeries& series) {
  std::string out;
  // About 7 numbers of up to 24 characters per row.
  out.reserve(kSeriesCsvHeader.size() + 16 + series.points.size() * 128);
  out += kUtf8ByteOrderMark;
  out += kSeriesCsvHeader;
  out += "\r\n";
  for (const SeriesPoint& p : series.points) {
    AppendNumber(out, p.step);
    out += ',';
    AppendNumber(out, p.day);
    for (double c : p.concentration) {
      out += ',';
      AppendNumber(out, c);
    }
    out += "\r\n";
  }
  return out;
}

std::optional<std::string> WriteSeriesCsv(const std::string& path, const TimeSeries& series) {
  return WriteFileAtomically(path, SeriesCsvText(series));
}

}  // namespace kurimo
