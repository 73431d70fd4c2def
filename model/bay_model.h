// The bay model: the conditions of one case, the values derived from them, the box
// network and the state of the water, with the procedures that set up and run one
// calculation. Nothing here depends on a window toolkit; the window and the batch runner
// own a BayModel by value and talk to a run through RunObserver.
//
// A run: open the output file -> PrepareRun (clear the arrays, set up the case: SI units,
// eddy diffusivity, time step, period, box network, initial state; plan the steps; the load
// rates) -> write the conditions and indicators -> N fourth-order Runge-Kutta steps -> bay
// mean -> the file replaces the earlier one. A sweep (sweep.h) prepares each case with the
// same PrepareRun and steps the cases side by side. The report's lines go through
// io/output_file.h; what the user is told about a run is in texts/, the files a user saves
// and opens in formats/.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "time_series.h"

namespace kurimo {

class OutputFile;

// The file a run writes when the caller names no other.
inline constexpr std::string_view kDefaultOutputFileName = "Kurimo_OUT.txt";

// The model's only message during a run: the river flow is too fast for the mouth.
inline constexpr std::string_view kMouthVelocityMessage =
    "流入水流量を小さくするか湾口部断面積を大きくしてください";
inline constexpr std::string_view kMouthVelocityTitle = "流量等の入力制限";

// What a run needs from whoever started it.
class RunObserver {
 public:
  virtual ~RunObserver() = default;
  // A warning about the case (the river flow is too fast for the mouth): show it and return
  // when the user has seen it. The run continues with the same values afterwards.
  virtual void ShowWarning(std::string_view message, std::string_view title) = 0;
  // Called between blocks of steps (about every few milliseconds of stepping) and once more
  // when the steps are done, before the output file replaces the earlier one. Returning
  // false abandons the run: the earlier output file stays as it was.
  virtual bool ContinueRun(std::uint64_t stepsDone, std::uint64_t stepCount) = 0;
};

// An observer for runs nobody watches (a sweep's cases, the load for a target): it shows
// no warning and never stops the run.
class SilentObserver final : public RunObserver {
 public:
  void ShowWarning(std::string_view, std::string_view) override {}
  bool ContinueRun(std::uint64_t, std::uint64_t) override { return true; }
};

enum class RunStatus {
  Completed,
  OutputFileFailed,  // the output file could not be created or written
  ZeroTimeStep,      // the time step rounded to 0 minutes
  NonFiniteCase,     // a value of the set-up or an indicator is infinite or not a number
  TooManySteps,      // the step count is beyond what can be counted exactly
  Diverged,          // the concentrations became infinite or not a number while stepping
  Cancelled,         // the observer stopped the run
  ValueTooLarge,     // a quality so large that the single-precision terms of a step overflow
};

// The quality whose size made a run overflow (RunStatus::ValueTooLarge), and its value
// in g/m3 as the run used it (the inflow quality after its multiplier).
enum class LargeCondition { None, OpenSeaQuality, InflowQuality };
struct LargeValue {
  LargeCondition condition = LargeCondition::None;
  double value = 0;  // g/m3
};

struct RunResult {
  RunStatus status = RunStatus::Completed;
  std::string systemReason;           // why the output file failed, in words for the user
  bool mouthVelocityWarning = false;  // the warning was raised during set-up
  std::uint64_t stepCount = 0;        // N, once it is known
  std::uint64_t stepsDone = 0;        // steps made before the run ended
  LargeValue tooLarge;                // with ValueTooLarge: the quality that was too large
  bool exchangeTooFast = false;       // as RunPlan::exchangeTooFast
};

// The checks a run makes between its set-up and its first step, and the step count.
struct RunPlan {
  RunStatus status = RunStatus::Completed;  // Completed: the case can be stepped
  std::uint64_t stepCount = 0;              // N; 0 unless status is Completed
  // With ZeroTimeStep: the rule's step was above 0, but the chain's exchange is so fast
  // that no whole minute keeps the step stable.
  bool exchangeTooFast = false;
};

// What every run knows before its first step, alone or in a sweep.
struct RunPreparation {
  bool mouthVelocityWarning = false;  // the warning was raised during set-up
  RunPlan plan;
};

// The water-quality indicators and changed conditions as the output file writes them,
// each already rounded to its number of decimals.
struct Indicators {
  double changedMouthSection = 0;  // km2, 5 decimals
  double changedInflowLoad = 0;    // g/s, 5 decimals
  double eddyDiffusivity = 0;      // m2/s, 0 decimals
  double meanVelocity = 0;         // cm/s, 2 decimals
  double residenceTime = 0;        // days, 1 decimal
  double closedness = 0;           // 2 decimals
  double loadPerVolume = 0;        // g/m3 per day, 3 decimals
};

// Whether the fourth-order Runge-Kutta step with the case's time step is stable for the
// chain's rates. The rate matrix of the five boxes has real eigenvalues of 0 or less; the
// step is stable when every eigenvalue times the step lies within the method's real
// stability interval [kRungeKuttaStabilityLimit, 0].
struct StabilityVerdict {
  bool stable = true;
  double mostNegativeEigenvalue = 0;  // 1/s
  double stepTimesEigenvalue = 0;     // dimensionless: time step (s) x the eigenvalue above
};

// The left end of the real stability interval of the classical fourth-order Runge-Kutta
// method: its growth factor R(z) = 1 + z + z^2/2 + z^3/6 + z^4/24 stays within [0.27, 1]
// for real z from here to 0 and exceeds 1 beyond. It is the real root of
// z^3 + 4z^2 + 12z + 24 = 0 (R(z) = 1 with z != 0).
inline constexpr double kRungeKuttaStabilityLimit = -2.785293563405282;

// The most a step times the fastest rate may come to: about nine tenths of the limit, so
// the fastest mode decays by at least about 0.65 a step (R(-2.5)) instead of hovering near
// 1. A longer step is shortened to it.
inline constexpr double kStableStepTarget = 2.5;

struct SteppingResult {
  std::uint64_t stepsMade = 0;
  bool diverged = false;  // the last step made left an infinite or NaN value
};

class BayModel {
 public:
  // Array bounds: boxes and interfaces 0..12, constituents 0..10, neighbour slots 0..6.
  // Index 0 and the numbers above those in use are never used by the calculation.
  static constexpr int kBoxBound = 12;
  static constexpr int kConstituentBound = 10;
  static constexpr int kChainBound = 6;

  // --- Conditions of the case. Eight hold the text of their input box, not a number;
  // arithmetic converts them with TextToNumber where they enter it.
  std::string TitleLine;          // first line of the output file
  std::string BayArea;            // km2, text
  std::string MeanDepth;          // m, text
  double BayVolume = 0;           // km3, (MeanDepth x BayArea) x 0.001
  std::string MouthLength;        // km, text
  std::string MouthDepth;         // m, text (the mean depth's text)
  float MouthSection = 0;         // km2, (MouthDepth x MouthLength) x 0.001 in single precision
  std::string OpenSeaQuality;     // g/m3, text
  std::string BayAverageQuality;  // g/m3, text (the open-sea quality's text)
  std::string InflowQuality;      // g/m3, text
  std::string InflowRate;         // m3/s, text
  double InflowLoad = 0;          // g/s, InflowQuality x InflowRate
  static constexpr double VolumeFactor = 1.0;  // multiplier of the bay volume; no control has it
  double SectionFactor = 1.0;                  // multiplier of the mouth cross-section
  float QualityFactor = 1.0f;                  // multiplier of the inflow quality
  double QuantityFactor = 1.0;                 // multiplier of the inflow quantity

  // --- Derived values, recomputed by SetUpCase at the start of every run.
  double BayVolumeM3 = 0;        // m3
  double BayAreaM2 = 0;          // m2
  double MouthArea = 0;          // m2, after its multiplier
  double BayLength = 0;          // m, square root of BayAreaM2, at most 200 km
  float BayLengthSingle = 0;     // m
  double ChangedInflowRate = 0;  // m3/s, after its multiplier
  float EddyDiffusivity = 0;     // cm2/s
  // min, a whole number: the step the run makes. The stability limits of one box give
  // RuleTimeStepMinutes; where that is too long for the chain's fastest rate, the set-up
  // shortens it so that the fourth-order Runge-Kutta step stays stable.
  double TimeStepMinutes = 0;
  double RuleTimeStepMinutes = 0;  // min, a whole number
  double CalculationDays = 0;      // days, a whole number, at least 1 for a bay with water

  // --- Structure constants, set by SetUpCase.
  std::int16_t BayBoxCount = 0;       // boxes whose concentration is calculated (1..5)
  std::int16_t SeaBoxCount = 0;       // open-sea boxes
  std::int16_t BoxCount = 0;          // all boxes; the last is the open sea
  std::int16_t ChainBoxCount = 0;     // positions of the chain scanned for neighbours
  std::int16_t ConstituentCount = 0;  // water-quality constituents

  // --- Arrays. Two-box arrays (b, n) describe the interface between boxes b and n and
  // are zero where the two are not neighbours.
  std::int16_t Neighbour[kChainBound + 1][kChainBound + 1] = {};  // k-th neighbour of b
  std::int16_t NeighbourCount[kChainBound + 1] = {};
  double BoxVolume[kBoxBound + 1] = {};                             // m3
  double InterfaceArea[kBoxBound + 1][kBoxBound + 1] = {};          // m2
  double InterfaceDistance[kBoxBound + 1][kBoxBound + 1] = {};      // m, point to interface
  float UpwindWeight[kBoxBound + 1][kBoxBound + 1] = {};            // weight of n across b-n
  double FlowRate[kBoxBound + 1][kBoxBound + 1] = {};               // m3/s, from b into n
  float InterfaceDiffusivity[kBoxBound + 1][kBoxBound + 1] = {};    // cm2/s
  float ExchangeCoefficient[kBoxBound + 1][kBoxBound + 1] = {};     // m3/s, symmetric
  double Concentration[kConstituentBound + 1][kBoxBound + 1] = {};  // g/m3, (c, b)
  float StepIncrement[kConstituentBound + 1][kBoxBound + 1] = {};   // g/m3, last step
  // g/m3/s: the direct source term of the step, zero in every case this program runs.
  static constexpr float SourceRate[kConstituentBound + 1][kBoxBound + 1] = {};
  double ChangedInflowQuality[kConstituentBound + 1] = {};      // g/m3
  double DailyLoad[kConstituentBound + 1][kBoxBound + 1] = {};  // kg/day, (c, b)
  float RemovalPercent[kConstituentBound + 1] = {};             // %
  double LoadRate[kConstituentBound + 1][kBoxBound + 1] = {};   // g/s, (c, b)
  double BayAverage[kConstituentBound + 1] = {};                // g/m3, by constituent

  // --- What a run recorded on the way: boxes 1 to 5 at evenly spaced steps. Cleared at
  // the start of every run; after a fault or a cancel it holds the points made so far.
  TimeSeries Series;

  // --- The case as the window edits it (conditions.cpp).

  // Loads the built-in default case, with the texts that start-up leaves in the boxes
  // (" 1000", " 18", ...) held by the conditions and every factor at 1.0.
  void LoadDefaultCase();
  // Each stores an accepted box text into its condition and recomputes the values that
  // depend on it, as the box's edit handler does once the text has passed its check.
  void AcceptBayArea(std::string text);
  void AcceptMeanDepth(std::string text);
  void AcceptMouthLength(std::string text);
  void AcceptOpenSeaQuality(std::string text);
  void AcceptInflowQuality(std::string text);
  void AcceptInflowRate(std::string text);

  // The quantities the computed boxes show, unrounded. The output file's indicators use
  // the same products: the file groups some factors in the other order (a x b for b x a),
  // which gives the same double.
  double ChangedMouthSection() const;  // km2
  double ChangedInflowLoad() const;    // g/s
  double ResidenceTimeDays() const;    // days
  double ClosednessIndex() const;
  double LoadPerVolume() const;  // g/m3 per day

  // --- One run (run.cpp and the files beside it).

  // Runs one calculation and writes the output file at outputPath. The file is replaced
  // only when the run has completed: after a fault, a stop or a file that cannot be
  // written, the earlier file at that path stays exactly as it was.
  RunResult RunSimulation(const std::string& outputPath, RunObserver& observer);

  void InitialiseModelArrays();
  // Returns true when the mouth-velocity warning was raised.
  bool SetUpCase(RunObserver& observer);
  // After SetUpCase: whether the case can be stepped, and how many steps it takes.
  RunPlan PlanSteps() const;
  // The preparation every run shares, a single run and each case of a sweep: clears the
  // arrays, sets up the case (the warning goes to the observer), plans the steps and, when
  // the case can be stepped, works out the load rates, which stay the same at every step.
  RunPreparation PrepareRun(RunObserver& observer);
  // True when the step is shorter than the rule's step, for stability.
  bool TimeStepReduced() const { return TimeStepMinutes != RuleTimeStepMinutes; }
  // After SetUpCase: the quality whose size puts the terms of a step beyond single
  // precision, or None. Tells a run that overflowed from one that went unstable.
  LargeValue ValueBeyondSinglePrecision() const;
  void BuildBoxGeometry();
  void BuildInterfaceFlows();
  void BuildExchangeCoefficients();
  void ComputeLoadRates();
  // One step over the arrays, exactly as the general box network defines it.
  void AdvanceTimeStep();
  // `count` steps of the fixed five-box chain with everything held in registers; gives the
  // same results as AdvanceTimeStep to the last bit. Stops after a step that leaves a
  // concentration or increment infinite or not a number. Needs ComputeLoadRates to have
  // run and UsesStandardChain().
  SteppingResult AdvanceTimeSteps(std::uint64_t count);
  // `count` general steps (AdvanceTimeStep), with the same stop as AdvanceTimeSteps after a
  // step that leaves an infinite or NaN value.
  SteppingResult AdvanceGeneralTimeSteps(std::uint64_t count);
  // True when the network is the five-box chain that AdvanceTimeSteps is written for, with
  // the load entering box 1 only.
  bool UsesStandardChain() const;

  Indicators ComputeIndicators() const;
  // Lines 1 to 23 of the output file (UTF-8; the file converts them).
  void WriteConditionsAndIndicators(OutputFile& file) const;
  // Sets BayAverage for every constituent.
  void ComputeBayMean();
  // Lines 24 to 26.
  void WriteBayMean(OutputFile& file) const;
  // Appends boxes 1 to 5 as they stand to the series, as the point of step `step`.
  void RecordSeriesPoint(std::uint64_t step);

  // --- Analysis of the case (analysis.cpp).

  // The state of boxes 1 to 5 that the chain keeps for ever: for a conservative substance
  // the same load crosses every interface, which gives each box in closed form from the
  // open sea inwards. Uses the coefficients and load rates of the set-up, so it is valid
  // after SetUpCase and ComputeLoadRates (after a run).
  std::array<double, 5> SteadyState() const;
  // How far the present state still is from the steady state: the largest difference of a
  // box from its steady value over the largest difference of a steady value from the open
  // sea. 1 at the start of a run (the bay starts at the open-sea value), 0 at the steady
  // state. When the steady state is the open sea itself (to rounding), 0 if the state is
  // there too and infinity otherwise.
  double Convergence() const;
  // The stability of the time step for the chain's rates (after SetUpCase).
  StabilityVerdict DiagnoseStability() const;
  // The most negative eigenvalue of the rate matrix of boxes 1 to 5 (1/s), from the box
  // network (after BuildExchangeCoefficients): the fastest rate the step must follow.
  double MostNegativeRate() const;
  // The e-folding time of the chain's slowest mode (days), 1 / |eigenvalue nearest 0|: how
  // long the bay takes to forget a change of load or open sea, counting the exchange
  // through the mouth as well as the river. Three of them reach 95 % of a new steady
  // state. Valid after SetUpCase.
  double FlushingTimeDays() const;

 private:
  // The eigenvalues of the rate matrix of boxes 1 to 5 (1/s), all real.
  std::array<double, 5> ChainRateEigenvalues() const;
};

}  // namespace kurimo
