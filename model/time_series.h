// The concentrations of the bay boxes recorded during a run, for the chart and the CSV.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace kurimo {

struct SeriesPoint {
  std::uint64_t step = 0;
  double day = 0;
  std::array<double, 5> concentration{};  // boxes 1..5 in [0..4]
};

struct TimeSeries {
  std::vector<SeriesPoint> points;
  double openSea = 0;  // box 6's concentration
  double timeStepMinutes = 0;
};

}  // namespace kurimo
