#include "chain_lanes.h"

#include <cstring>
#include <stdexcept>
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define KURIMO_HAS_AVX2_CODE 1
#endif

namespace kurimo {
namespace {

// Everything the stepping loop calls is inlined into it.
#define KURIMO_INLINE [[gnu::always_inline]] inline

// The stepping code is compiled twice from one text: once for every processor, with
// 128-bit vectors of two lanes, and once for processors with AVX2, with 256-bit vectors
// of four lanes. Each copy is in its own namespace and has internal linkage, so nothing
// compiled for AVX2 can be picked by the linker for the other copy.
namespace portable {
#include "chain_lanes_step.inc"
}  // namespace portable

#ifdef KURIMO_HAS_AVX2_CODE
#pragma GCC push_options
#pragma GCC target("avx2")
#define KURIMO_AVX2_COPY 1
namespace avx2 {
#include "chain_lanes_step.inc"
}  // namespace avx2
#undef KURIMO_AVX2_COPY
#pragma GCC pop_options
#endif

}  // namespace

bool Avx2Supported() {
#ifdef KURIMO_HAS_AVX2_CODE
  static const bool supported = __builtin_cpu_supports("avx2") != 0;
  return supported;
#else
  return false;
#endif
}

LaneCode BestLaneCode() {
  return Avx2Supported() ? LaneCode::Avx2 : LaneCode::Portable;
}

ChainCase ChainCaseOf(const BayModel& model) {
  ChainCase c;
  for (int b = 1; b <= 6; ++b)
    c.concentration[b] = model.Concentration[1][b];
  for (int b = 1; b <= 5; ++b) {
    c.seaFlow[b] = model.FlowRate[b][b + 1];
    c.seaExchange[b] = static_cast<double>(model.ExchangeCoefficient[b][b + 1]);
    if (b > 1) {
      c.landFlow[b] = model.FlowRate[b][b - 1];
      c.landExchange[b] = static_cast<double>(model.ExchangeCoefficient[b][b - 1]);
    }
    c.volume[b] = model.BoxVolume[b];
  }
  c.load = model.LoadRate[1][1];
  c.timeStepMinutes = model.TimeStepMinutes;
  return c;
}

ChainLanes::ChainLanes() : state_{} {
  for (int lane = 0; lane < kLanes; ++lane)
    Clear(lane);
}

bool ChainLanes::Fits(const ChainCase& c) {
  for (int b = 1; b <= 4; ++b) {
    if (std::memcmp(&c.seaExchange[b], &c.landExchange[b + 1], sizeof(double)) != 0) return false;
  }
  return true;
}

void ChainLanes::Load(int lane, const ChainCase& c) {
  if (!Fits(c)) throw std::invalid_argument("ChainLanes::Load: exchange coefficients differ");
  for (int b = 1; b <= 6; ++b)
    state_.concentration[b].lane[lane] = c.concentration[b];
  for (int b = 1; b <= 5; ++b) {
    state_.seaFlow[b].lane[lane] = c.seaFlow[b];
    state_.landFlow[b].lane[lane] = c.landFlow[b];
    state_.seaExchange[b].lane[lane] = c.seaExchange[b];
    state_.volume[b].lane[lane] = c.volume[b];
    state_.increment[b].lane[lane] = 0;
  }
  state_.load.lane[lane] = c.load;
  state_.timeStepMinutes.lane[lane] = c.timeStepMinutes;
  state_.check.lane[lane] = 0;
}

void ChainLanes::Clear(int lane) {
  // Zero concentrations, flows and loads over a volume of 1 give slopes of exactly 0.
  ChainCase idle;
  for (double& v : idle.volume)
    v = 1;
  Load(lane, idle);
}

std::uint64_t ChainLanes::Step(std::uint64_t count, LaneCode code) {
#ifdef KURIMO_HAS_AVX2_CODE
  if (code == LaneCode::Avx2 && Avx2Supported()) return avx2::StepLanes(state_, count);
#endif
  (void)code;
  return portable::StepLanes(state_, count);
}

bool ChainLanes::Diverged(int lane) const {
  const double check = state_.check.lane[lane];
  return check * 0 != 0;
}

}  // namespace kurimo
