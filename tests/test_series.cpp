// The time series a run records (which steps, which values, what a fault or a cancel leaves)
// and its CSV file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "atomic_file.h"
#include "case_inputs.h"
#include "file_messages.h"
#include "run_messages.h"
#include "series_csv.h"
#include "test_helpers.h"

namespace kurimo {
namespace {

using test::PrepareRun;
using test::RecordingObserver;
using test::TempFolder;

RunResult RunCase(BayModel& m, RecordingObserver& observer) {
  TempFolder folder;
  return m.RunSimulation(folder.File("out.txt"), observer);
}

// Boxes 1 to 5 of a fresh set-up of the same case after `steps` steps in one stretch.
std::array<double, 5> StateAfter(const BayModel& caseSource, std::uint64_t steps) {
  BayModel m = caseSource;
  PrepareRun(m);
  m.ComputeLoadRates();
  m.AdvanceTimeSteps(steps);
  std::array<double, 5> c{};
  for (int b = 1; b <= 5; ++b)
    c[static_cast<std::size_t>(b - 1)] = m.Concentration[1][b];
  return c;
}

// Every point but the last lies on the stride; the last is the final step.
void ExpectEvenlySpaced(const TimeSeries& s, std::uint64_t stepCount) {
  ASSERT_FALSE(s.points.empty());
  const std::uint64_t stride = SeriesStride(stepCount);
  for (std::size_t i = 0; i + 1 < s.points.size(); ++i)
    ASSERT_EQ(s.points[i].step, i * stride) << i;
  EXPECT_EQ(s.points.back().step, stepCount);
  EXPECT_GT(s.points.back().step, s.points[s.points.size() - 2].step);
  EXPECT_LE(s.points.back().step - s.points[s.points.size() - 2].step, stride);
}

TEST(SeriesStride, KeepsAboutTwoThousandPointsWhateverTheLength) {
  EXPECT_EQ(SeriesStride(0), 1u);
  EXPECT_EQ(SeriesStride(1), 1u);
  EXPECT_EQ(SeriesStride(2000), 1u);
  EXPECT_EQ(SeriesStride(2001), 2u);
  EXPECT_EQ(SeriesStride(4000), 2u);
  EXPECT_EQ(SeriesStride(4001), 3u);
  EXPECT_EQ(SeriesStride(12623), 7u);
  const std::uint64_t huge = 9007199254740992u;  // 2^53, the longest countable run
  EXPECT_LE(huge / SeriesStride(huge), kSeriesPointTarget);
  EXPECT_LT((SeriesStride(huge) - 1) * kSeriesPointTarget, huge);
}

TEST(TimeSeries, DefaultRunFromTheOpenSeaToTheFinalState) {
  BayModel m;
  m.LoadDefaultCase();
  RecordingObserver observer;
  const RunResult r = RunCase(m, observer);
  ASSERT_EQ(r.status, RunStatus::Completed);
  const TimeSeries& s = m.Series;
  EXPECT_EQ(s.openSea, 2.4);
  EXPECT_EQ(s.timeStepMinutes, 718.0);
  // Steps 0, 7, ..., 12621 and the last, 12623.
  ASSERT_EQ(s.points.size(), 1805u);
  ExpectEvenlySpaced(s, 12623);

  const SeriesPoint& first = s.points.front();
  EXPECT_EQ(first.step, 0u);
  EXPECT_EQ(first.day, 0.0);
  for (double c : first.concentration)
    EXPECT_EQ(c, 2.4);
  const SeriesPoint& last = s.points.back();
  EXPECT_EQ(last.day, 12623.0 * 718 / 1440);
  EXPECT_NEAR(last.day, 6294, 0.5);  // the calculation period
  for (int b = 1; b <= 5; ++b)
    EXPECT_EQ(last.concentration[static_cast<std::size_t>(b - 1)], m.Concentration[1][b]) << b;

  // Points in between hold the state after exactly their number of steps.
  for (std::size_t i : {std::size_t{1}, std::size_t{2}, std::size_t{900}, s.points.size() - 2}) {
    SCOPED_TRACE(i);
    EXPECT_EQ(s.points[i].concentration, StateAfter(m, s.points[i].step));
    EXPECT_EQ(s.points[i].day, static_cast<double>(s.points[i].step) * 718 / 1440);
  }
  // The head of the bay rises steadily from the open-sea value (until it reaches its final
  // value, where rounding takes over).
  for (std::size_t i = 1; i < 100; ++i)
    ASSERT_GE(s.points[i].concentration[0], s.points[i - 1].concentration[0]) << i;
}

TEST(TimeSeries, LongRunKeepsFewPointsAndTheObserversRhythm) {
  BayModel m;
  m.LoadDefaultCase();
  m.AcceptInflowRate("0.5");
  RecordingObserver observer;
  const RunResult r = RunCase(m, observer);
  ASSERT_EQ(r.status, RunStatus::Completed);
  ASSERT_EQ(r.stepCount, 8356547u);
  EXPECT_LE(m.Series.points.size(), kSeriesPointTarget + 1);
  EXPECT_GE(m.Series.points.size(), kSeriesPointTarget);
  ExpectEvenlySpaced(m.Series, r.stepCount);
  // The observer is still called once per 32768 steps, and once more when all are made.
  EXPECT_EQ(observer.progressCalls, static_cast<int>(r.stepCount / 32768) + 1);
  EXPECT_EQ(observer.lastStepsDone, r.stepCount);
  for (int b = 1; b <= 5; ++b)
    EXPECT_EQ(m.Series.points.back().concentration[static_cast<std::size_t>(b - 1)],
              m.Concentration[1][b]);
}

TEST(TimeSeries, ShortRunRecordsEveryStep) {
  BayModel m;
  m.LoadDefaultCase();
  m.AcceptBayArea("50");
  m.AcceptMeanDepth("4");
  RecordingObserver observer;
  const RunResult r = RunCase(m, observer);
  ASSERT_EQ(r.status, RunStatus::Completed);
  ASSERT_LE(r.stepCount, 2000u);
  ASSERT_GT(r.stepCount, 10u);
  ASSERT_EQ(m.Series.points.size(), r.stepCount + 1);
  ExpectEvenlySpaced(m.Series, r.stepCount);
}

TEST(TimeSeries, FaultOrCancelKeepsThePointsMadeSoFar) {
  {
    SCOPED_TRACE("overflowed");
    BayModel m;
    m.LoadDefaultCase();
    m.AcceptInflowQuality("1e38");
    RecordingObserver observer;
    const RunResult r = RunCase(m, observer);
    ASSERT_EQ(r.status, RunStatus::ValueTooLarge);
    // Every step before the one that blew up, and nothing infinite.
    ASSERT_EQ(m.Series.points.size(), r.stepsDone);
    EXPECT_EQ(m.Series.points.back().step, r.stepsDone - 1);
    for (const SeriesPoint& p : m.Series.points) {
      for (double c : p.concentration)
        ASSERT_TRUE(std::isfinite(c)) << p.step;
    }
  }
  {
    SCOPED_TRACE("cancelled");
    BayModel m;
    m.LoadDefaultCase();
    m.AcceptInflowRate("0.5");
    RecordingObserver observer;
    observer.cancel = true;
    const RunResult r = RunCase(m, observer);
    ASSERT_EQ(r.status, RunStatus::Cancelled);
    const std::uint64_t stride = SeriesStride(r.stepCount);
    ASSERT_EQ(r.stepsDone, 32768u);
    EXPECT_EQ(m.Series.points.size(), r.stepsDone / stride + 1);
    EXPECT_EQ(m.Series.points.back().step, (r.stepsDone / stride) * stride);
  }
}

TEST(TimeSeries, EveryRunStartsANewSeries) {
  BayModel m;
  m.LoadDefaultCase();
  RecordingObserver observer;
  ASSERT_EQ(RunCase(m, observer).status, RunStatus::Completed);
  ASSERT_FALSE(m.Series.points.empty());
  // A run that stops before stepping leaves no points from the one before.
  m.AcceptBayArea("1e300");
  EXPECT_EQ(RunCase(m, observer).status, RunStatus::NonFiniteCase);
  EXPECT_TRUE(m.Series.points.empty());
  TempFolder folder;
  m.LoadDefaultCase();
  EXPECT_EQ(m.RunSimulation(folder.File("missing/out.txt"), observer).status,
            RunStatus::OutputFileFailed);
  EXPECT_TRUE(m.Series.points.empty());
}

// --- The CSV file.

std::vector<std::string> SplitFields(const std::string& row) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = row.find(',', start);
    fields.push_back(row.substr(start, comma - start));
    if (comma == std::string::npos) return fields;
    start = comma + 1;
  }
}

TEST(SeriesCsv, HeaderWithUnitsAndOneRowPerPoint) {
  BayModel m;
  m.LoadDefaultCase();
  RecordingObserver observer;
  ASSERT_EQ(RunCase(m, observer).status, RunStatus::Completed);
  const std::string text = SeriesCsvText(m.Series);
  ASSERT_EQ(text.substr(0, 3), "\xEF\xBB\xBF");
  const std::vector<std::string> rows = test::SplitCrLfLines(text.substr(3));
  ASSERT_EQ(rows.size(), m.Series.points.size() + 1);
  EXPECT_EQ(rows[0],
            "ステップ,経過日数(日),ボックス1 湾奥(g/m3),ボックス2(g/m3),ボックス3(g/m3),"
            "ボックス4(g/m3),ボックス5 湾口(g/m3)");
  EXPECT_EQ(rows[1], "0,0,2.4,2.4,2.4,2.4,2.4");
  EXPECT_EQ(rows[2].rfind("7,3.4902777777777776,", 0), 0u) << rows[2];

  // Every number reads back as the very double that was recorded.
  for (std::size_t i = 0; i < m.Series.points.size(); ++i) {
    const SeriesPoint& p = m.Series.points[i];
    const std::vector<std::string> fields = SplitFields(rows[i + 1]);
    ASSERT_EQ(fields.size(), 7u) << rows[i + 1];
    EXPECT_EQ(std::stoull(fields[0]), p.step);
    EXPECT_EQ(std::strtod(fields[1].c_str(), nullptr), p.day);
    for (std::size_t b = 0; b < 5; ++b)
      ASSERT_EQ(std::strtod(fields[b + 2].c_str(), nullptr), p.concentration[b]) << rows[i + 1];
  }
}

TEST(SeriesCsv, EmptySeriesIsTheHeaderAlone) {
  EXPECT_EQ(SeriesCsvText(TimeSeries{}),
            std::string(kUtf8ByteOrderMark) + std::string(kSeriesCsvHeader) + "\r\n");
}

TEST(SeriesCsv, WritesTheFileOrSaysWhyNot) {
  TimeSeries s;
  s.points.push_back({0, 0, {1, 2, 3, 4, 5}});
  s.points.push_back({4179, 2083.6, {1e-300, 0.1, 123456789.125, 5e20, 0}});
  TempFolder folder;
  const std::string path = folder.File("series.csv");
  ASSERT_EQ(WriteSeriesCsv(path, s), std::nullopt);
  const std::string bytes = test::ReadBytes(path);
  EXPECT_EQ(bytes, SeriesCsvText(s));
  EXPECT_NE(bytes.find("\r\n4179,2083.6,1e-300,0.1,123456789.125,5e+20,0\r\n"), std::string::npos);

  const std::string missing = folder.File("no-such-folder/series.csv");
  const std::optional<std::string> reason = WriteSeriesCsv(missing, s);
  ASSERT_TRUE(reason.has_value());
  EXPECT_EQ(*reason, "フォルダーが見つかりません");
  const UserMessage message = SeriesFileFailedMessage(missing, *reason);
  EXPECT_NE(message.text.find("「" + missing + "」"), std::string::npos);
  EXPECT_NE(message.text.find("フォルダーが見つかりません"), std::string::npos);
  EXPECT_FALSE(message.title.empty());
}

}  // namespace
}  // namespace kurimo
