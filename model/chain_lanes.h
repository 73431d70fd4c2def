// Several independent cases of the five-box chain stepped together. One case's step is a
// long chain of dependent operations (a division, a conversion to single precision and
// back, the next box's stage...), so a single case leaves most of a core idle while it
// waits for results. Cases side by side in the lanes of vector registers fill that idle
// time. Each lane does the operations of BayModel::AdvanceTimeSteps in the same order and
// precision (one of them regrouped into a form that gives the same bits, explained in
// chain_lanes_step.inc), so every lane's values agree with a single run to the last bit.
#pragma once

#include <cstdint>

#include "bay_model.h"

namespace kurimo {

// Which machine code steps the lanes. Both give the same bits; Avx2 is faster where the
// processor has it.
enum class LaneCode {
  Portable,  // the instructions every x86-64 processor (or other target) has
  Avx2,      // 256-bit vectors; only where Avx2Supported()
};

bool Avx2Supported();
// Avx2 where the processor has it, Portable otherwise.
LaneCode BestLaneCode();

// What a lane needs of a case: taken from a model that has been set up, with its load
// rates computed, whose network is the standard chain (UsesStandardChain()).
struct ChainCase {
  double concentration[7] = {};  // g/m3, boxes 1..6 (6: the open sea, never changes)
  double seaFlow[6] = {};        // m3/s, from box b into b + 1
  double landFlow[6] = {};       // m3/s, from box b into b - 1 (boxes 2..5)
  double seaExchange[6] = {};    // m3/s, across b | b + 1
  double landExchange[6] = {};   // m3/s, across b - 1 | b (boxes 2..5)
  double volume[6] = {};         // m3
  double load = 0;               // g/s into box 1
  double timeStepMinutes = 0;    // min
};

ChainCase ChainCaseOf(const BayModel& model);

// The lanes' state, lane by lane in each row so that a row is one or more vectors.
class ChainLanes {
 public:
  static constexpr int kLanes = 8;

  ChainLanes();

  // True when the lanes can step the case: each interface's exchange coefficient must be
  // the same seen from both sides, as the set-up makes it.
  static bool Fits(const ChainCase& c);

  // Puts a case in a lane, replacing what was there. Throws std::invalid_argument when
  // the case does not fit.
  void Load(int lane, const ChainCase& c);
  // Empties a lane: it holds zeros, which stay zeros and finite, at no extra cost.
  void Clear(int lane);

  // Makes up to `count` steps of every lane. Stops early after a step that leaves a
  // concentration or increment of some lane infinite or not a number, as
  // AdvanceTimeSteps stops after such a step. Returns the steps made.
  std::uint64_t Step(std::uint64_t count, LaneCode code);

  double Concentration(int lane, int box) const { return state_.concentration[box].lane[lane]; }
  float Increment(int lane, int box) const {
    return static_cast<float>(state_.increment[box].lane[lane]);
  }
  // True when the last step made left a value of this lane infinite or not a number.
  bool Diverged(int lane) const;

  // One value per lane; a row is one or more whole vectors.
  struct alignas(64) Row {
    double lane[kLanes];
  };
  struct State {
    Row concentration[7], seaFlow[6], landFlow[6], seaExchange[6], volume[6];
    Row load, timeStepMinutes;
    Row increment[6];  // the last step's, single-precision values held as doubles
    Row check;         // the last step's sum of concentrations and increments
  };

 private:
  State state_;
};

}  // namespace kurimo
