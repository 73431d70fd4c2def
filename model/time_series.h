// The concentrations of a run over its calculation period: the initial state, then evenly
// spaced steps, always including the last one, so that a chart or a table can show how
// each box approached its final value without keeping every step of a long run.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace kurimo {

struct SeriesPoint {
  std::uint64_t step = 0;                 // steps made since the initial state
  double day = 0;                         // step x time step (min) / 1440
  std::array<double, 5> concentration{};  // g/m3, boxes 1 (head of the bay) to 5 (mouth)
};

struct TimeSeries {
  std::vector<SeriesPoint> points;  // in step order; the first is step 0
  double openSea = 0;               // g/m3, the open sea's (box 6) fixed concentration
  double timeStepMinutes = 0;       // min
};

// A run records about this many points after the initial state, whatever its length.
inline constexpr std::uint64_t kSeriesPointTarget = 2000;

// Steps between two recorded points of a run of `stepCount` steps: the smallest stride
// that keeps the points after the initial state to kSeriesPointTarget (1 for short runs).
inline std::uint64_t SeriesStride(std::uint64_t stepCount) {
  if (stepCount <= kSeriesPointTarget) return 1;
  return (stepCount - 1) / kSeriesPointTarget + 1;  // ceil(stepCount / target)
}

}  // namespace kurimo
