// Many cases of one set of conditions that differ only in the entries of the three
// multiplier lists, run at the speed of the whole machine: a sweep over the lists, or the
// few cases of a sensitivity chart. Each case gives exactly what BayModel::RunSimulation
// gives for it, to the last bit, but no output file is written.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "bay_model.h"
#include "case_inputs.h"
#include "thread_start.h"

namespace kurimo {

// Entry index in the Section, Quality and Quantity lists, in MultiplierEntries order.
using MultiplierChoice = std::array<int, 3>;

enum class CaseStatus {
  Done,
  Warning,    // completed, but the mouth-velocity warning was raised
  Abandoned,  // see CaseOutcome::runStatus for the reason
};

struct CaseOutcome {
  MultiplierChoice choice{};
  CaseStatus status = CaseStatus::Done;
  // Completed, or the reason when Abandoned: Cancelled for the cases a stopped sweep
  // never finished (they hold nothing else but their choice).
  RunStatus runStatus = RunStatus::Completed;
  bool mouthVelocityWarning = false;
  Indicators indicators{};         // as the output file writes them
  double timeStepMinutes = 0;      // min, the step the run made
  double ruleTimeStepMinutes = 0;  // min, the rule's step before the stability check
  bool timeStepReduced = false;    // the step was shortened for stability
  std::uint64_t steps = 0;         // the step count N; 0 when the run stopped before knowing it
  std::uint64_t stepsDone = 0;     // steps made; below N only when the run was abandoned
  // g/m3, BayAverage[1] after the run, unrounded; NaN when the run stopped before the mean.
  double bayAverage = 0;
  // g/m3, boxes 1..5 when the run ended (the open-sea value if it stopped before stepping).
  std::array<double, 5> concentrations{};
};

struct SweepControl {
  unsigned threads = 0;  // worker threads; 0: one per core
  // Called on the calling thread about every 50 ms while the workers run, with the steps
  // made so far across all cases and the steps of all cases together (a case that ends
  // early counts as all its steps made), so that a sweep of long cases moves at once;
  // returning false stops the sweep soon after.
  std::function<bool(std::uint64_t stepsDone, std::uint64_t totalSteps)> progress;
  // Only for checking the two versions of the stepping code against each other: false
  // keeps to the code that every processor runs, even where AVX2 is available.
  bool useAvx2 = true;
  // Starts the worker threads; null: the platform's own. A thread that cannot be started
  // costs only speed: the sweep goes on with the workers it has, and with none the calling
  // thread does a worker's work (calling progress between its blocks of steps), so the
  // outcomes are the same to the bit however many threads there are.
  ThreadStarter* threadStarter = nullptr;
};

// Runs the cases of `conditions` with the multiplier entries of each choice (the model's
// own factors are not used) and returns their outcomes in the order of `cases`. Blocks
// until every case has finished or the sweep has been stopped; writes no file. Throws
// std::out_of_range, before running anything, for an entry index outside its list, and
// passes on an exception from the progress callback once the workers have stopped.
std::vector<CaseOutcome> RunCases(const BayModel& conditions,
                                  std::span<const MultiplierChoice> cases,
                                  const SweepControl& control = {});

// The entry of a list that the model's factor is, or no value when it is none of them.
std::optional<int> CurrentEntry(const BayModel& model, MultiplierList list);

// Every combination of the entries of the named lists, the quantity list varying fastest
// and the section list slowest; a list not named stays at the model's current entry.
// Throws std::invalid_argument when such a list's factor is not one of its entries.
std::vector<MultiplierChoice> SweepChoices(const BayModel& conditions, bool section, bool quality,
                                           bool quantity);

}  // namespace kurimo
