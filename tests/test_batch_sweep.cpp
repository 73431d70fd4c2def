// kurimo-batch --sweep as a user runs it: the CSV table's layout, the restricted sweeps,
// rows that agree with single runs of the same cases, the output file, and Ctrl-C.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <charconv>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "number_text.h"
#include "process_runner.h"
#include "test_helpers.h"

namespace {

namespace fs = std::filesystem;
using namespace kurimo::test;  // ProcessResult, Args and the exit statuses

constexpr std::string_view kBom = "\xEF\xBB\xBF";

const std::vector<std::string> kHeading = {
    "湾口部断面積(×倍)",
    "流入水水質(×倍)",
    "流入水水量(×倍)",
    "(変更)湾口部断面積(km2)",
    "(変更)流入負荷量(g/秒)",
    "滞留時間(日)",
    "閉鎖度",
    "流入負荷量÷湾容積(g/m3/日)",
    "タイムステップ(分)",
    "ステップ数",
    "湾内平均水質(g/m3)",
    "ボックス1水質(g/m3)",
    "ボックス2水質(g/m3)",
    "ボックス3水質(g/m3)",
    "ボックス4水質(g/m3)",
    "ボックス5水質(g/m3)",
    "状態",
};

enum Column {
  kSection = 0,
  kQuality = 1,
  kQuantity = 2,
  kResidenceTime = 5,
  kTimeStep = 8,
  kSteps = 9,
  kBayMean = 10,
  kBox1 = 11,
  kStatus = 16,
};

const std::vector<std::string> kSectionEntries = {"1.0", "0.2", "0.5", "0.8", "1.2", "1.5", "2.0"};
const std::vector<std::string> kFactorEntries = {"1.0", "0.2", "0.5", "0.8",
                                                 "1.2", "1.5", "2.0", "5.0"};

struct Table {
  std::vector<std::string> heading;
  std::vector<std::vector<std::string>> rows;
};

std::vector<std::string> Cells(const std::string& line) {
  std::vector<std::string> cells;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = line.find(',', start);
    cells.push_back(line.substr(start, comma - start));
    if (comma == std::string::npos) return cells;
    start = comma + 1;
  }
}

// Checks the byte-order mark and the CR LF line ends while splitting the table.
Table ParseTable(const std::string& bytes) {
  Table t;
  if (bytes.compare(0, kBom.size(), kBom) != 0) {
    ADD_FAILURE() << "no byte-order mark";
    return t;
  }
  std::size_t start = kBom.size();
  bool first = true;
  while (start < bytes.size()) {
    const std::size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "last line without CR LF: " << bytes.substr(start);
      break;
    }
    const std::string line = bytes.substr(start, end - start);
    EXPECT_EQ(line.find('\n'), std::string::npos) << line;
    if (first) {
      t.heading = Cells(line);
      first = false;
    } else {
      t.rows.push_back(Cells(line));
      EXPECT_EQ(t.rows.back().size(), kHeading.size()) << line;
    }
    start = end + 2;
  }
  return t;
}

double Number(const std::string& cell) {
  double value = 0;
  const auto r = std::from_chars(cell.data(), cell.data() + cell.size(), value);
  EXPECT_TRUE(r.ec == std::errc() && r.ptr == cell.data() + cell.size())
      << "not a whole number text: '" << cell << "'";
  return value;
}

// The shortest text that reads back as the value, as the table writes numbers.
std::string Shortest(double value) {
  char digits[32];
  const auto r = std::to_chars(digits, digits + sizeof digits, value);
  return std::string(digits, r.ptr);
}

class BatchSweep : public ::testing::Test {
 protected:
  ProcessResult Run(const Args& args) const {
    return kurimo::test::RunProcess(KURIMO_BATCH_PATH, args, dir_.string());
  }
  // Names in the folder, to show that nothing but the named file was left there.
  std::set<std::string> FolderContents() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_))
      names.insert(entry.path().filename().string());
    return names;
  }

  kurimo::test::TempFolder folder_;
  const fs::path dir_ = folder_.path();
};

TEST_F(BatchSweep, FullSweepWritesOneRowPerCombinationOnStandardOutput) {
  const ProcessResult r = Run({"--sweep"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.err, "") << "no warning or abandoned case among the default conditions";
  const Table t = ParseTable(r.out);
  EXPECT_EQ(t.heading, kHeading);
  ASSERT_EQ(t.rows.size(), 448u);
  std::set<std::vector<std::string>> combinations;
  for (const auto& row : t.rows) {
    ASSERT_EQ(row.size(), kHeading.size());
    combinations.insert({row[kSection], row[kQuality], row[kQuantity]});
    EXPECT_EQ(row[kStatus], "done");
    for (int c = 3; c < kStatus; ++c) {
      const double v = Number(row[c]);
      EXPECT_EQ(Shortest(v), row[c]) << "written with the fewest digits that read back";
    }
    EXPECT_EQ(row[kTimeStep], "718");
    EXPECT_EQ(row[kSteps], "12623");
  }
  EXPECT_EQ(combinations.size(), 448u);
  EXPECT_EQ(t.rows[0][kSection] + t.rows[0][kQuality] + t.rows[0][kQuantity], "1.01.01.0");
  EXPECT_EQ(t.rows[1][kQuantity], "0.2") << "the quantity list varies fastest";
  EXPECT_TRUE(FolderContents().empty()) << "no Kurimo_OUT.txt in sweep mode";
}

TEST_F(BatchSweep, RowsGiveTheFiguresOfSingleRunsOfTheSameCases) {
  const Args conditions = {"--bay-area", "500", "--inflow-quality", "12"};
  Args sweep = conditions;
  sweep.insert(sweep.end(), {"--sweep", "quality"});
  const ProcessResult r = Run(sweep);
  ASSERT_EQ(r.status, kExitOk) << r.err;
  const Table t = ParseTable(r.out);
  ASSERT_EQ(t.rows.size(), 8u);
  for (const std::size_t i : {0u, 3u, 7u}) {
    const std::vector<std::string>& row = t.rows[i];
    SCOPED_TRACE(row[kQuality]);
    Args single = conditions;
    single.insert(single.end(), {"--quality-factor", row[kQuality], "--json", "--output",
                                 (dir_ / "single.txt").string()});
    const ProcessResult s = Run(single);
    ASSERT_EQ(s.status, kExitOk) << s.err;
    const nlohmann::json j = nlohmann::json::parse(s.out);
    EXPECT_EQ(Number(row[kBayMean]), j.at("bay_average").get<double>());
    const std::vector<double> c = j.at("concentrations").get<std::vector<double>>();
    for (int b = 0; b < 5; ++b)
      EXPECT_EQ(Number(row[kBox1 + b]), c[b]) << "box " << b + 1;
    EXPECT_EQ(Number(row[kSteps]), j.at("steps").get<double>());
    EXPECT_EQ(Number(row[kTimeStep]), j.at("time_step_minutes").get<double>());
    EXPECT_EQ(Number(row[kResidenceTime]),
              j.at("indicators").at("residence_time_days").get<double>());
  }
}

struct Restriction {
  Args args;
  std::size_t rows;
  // The entries each factor column takes.
  std::vector<std::string> sections, qualities, quantities;
};

class RestrictedSweep : public BatchSweep, public ::testing::WithParamInterface<Restriction> {};

TEST_P(RestrictedSweep, VariesOnlyTheNamedLists) {
  const Restriction& w = GetParam();
  const ProcessResult r = Run(w.args);
  ASSERT_EQ(r.status, kExitOk) << r.err;
  const Table t = ParseTable(r.out);
  ASSERT_EQ(t.rows.size(), w.rows);
  std::set<std::string> sections, qualities, quantities;
  for (const auto& row : t.rows) {
    sections.insert(row[kSection]);
    qualities.insert(row[kQuality]);
    quantities.insert(row[kQuantity]);
  }
  EXPECT_EQ(sections, std::set<std::string>(w.sections.begin(), w.sections.end()));
  EXPECT_EQ(qualities, std::set<std::string>(w.qualities.begin(), w.qualities.end()));
  EXPECT_EQ(quantities, std::set<std::string>(w.quantities.begin(), w.quantities.end()));
}

INSTANTIATE_TEST_SUITE_P(
    Lists, RestrictedSweep,
    ::testing::Values(
        Restriction{{"--sweep", "section"}, 7, kSectionEntries, {"1.0"}, {"1.0"}},
        Restriction{{"--sweep", "quantity", "--section-factor", "0.5", "--quality-factor", "2.0"},
                    8,
                    {"0.5"},
                    {"2.0"},
                    kFactorEntries},
        Restriction{{"--sweep=quality,quantity", "--section-factor", "1.5"},
                    64,
                    {"1.5"},
                    kFactorEntries,
                    kFactorEntries},
        Restriction{
            {"--sweep", " quantity , section "}, 56, kSectionEntries, {"1.0"}, kFactorEntries},
        Restriction{{"--sweep", "section,quality,quantity"},
                    448,
                    kSectionEntries,
                    kFactorEntries,
                    kFactorEntries}));

TEST_F(BatchSweep, AbandonedAndWarnedCasesSayWhyAndHaveNoResults) {
  // A river quality near the end of single precision: the larger factors overflow.
  ProcessResult r = Run({"--inflow-quality", "1e34", "--sweep", "quality"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_NE(r.err.find("中止 4 ケース"), std::string::npos) << r.err;
  Table t = ParseTable(r.out);
  ASSERT_EQ(t.rows.size(), 8u);
  for (const auto& row : t.rows) {
    SCOPED_TRACE(row[kQuality]);
    if (kurimo::LeadingNumber(row[kQuality]) < 1.1) {
      EXPECT_EQ(row[kStatus], "done");
      continue;
    }
    EXPECT_EQ(row[kStatus], "abandoned: value_too_large");
    EXPECT_EQ(row[kSteps], "12623") << "the step count was known";
    for (int c = kBayMean; c < kStatus; ++c)
      EXPECT_EQ(row[c], "") << "column " << c;
  }

  // Time step of 0 minutes: no step count either.
  r = Run({"--bay-area", "1", "--mean-depth", "1", "--mouth-length", "0.01", "--inflow-rate", "100",
           "--sweep", "quality"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  t = ParseTable(r.out);
  ASSERT_EQ(t.rows.size(), 8u);
  for (const auto& row : t.rows) {
    EXPECT_EQ(row[kStatus], "abandoned: zero_time_step");
    EXPECT_EQ(row[kTimeStep], "0");
    EXPECT_EQ(row[kSteps], "");
  }

  // A mouth of 300 m2: the faster flows raise the mouth-velocity warning.
  r = Run({"--mean-depth", "1", "--mouth-length", "0.3", "--sweep", "quantity"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  t = ParseTable(r.out);
  ASSERT_EQ(t.rows.size(), 8u);
  std::map<std::string, std::string> status;
  for (const auto& row : t.rows) {
    status[row[kQuantity]] = row[kStatus];
    EXPECT_NE(row[kBayMean], "");
  }
  EXPECT_EQ(status["0.8"], "done");
  EXPECT_EQ(status["1.0"], "warning");
  EXPECT_EQ(status["5.0"], "warning");
  EXPECT_NE(r.err.find("警告 5 ケース"), std::string::npos) << r.err;
}

TEST_F(BatchSweep, OutputFileReplacesAnEarlierOneWhole) {
  const fs::path table = dir_ / "table.csv";
  std::ofstream(table, std::ios::binary) << std::string(100000, 'x');
  const ProcessResult r = Run({"--sweep", "section", "--sweep-output", table.string()});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "");
  const std::string bytes = kurimo::test::ReadBytes(table.string());
  EXPECT_EQ(ParseTable(bytes).rows.size(), 7u);
  const ProcessResult again = Run({"--sweep", "section"});
  EXPECT_EQ(again.out, bytes) << "the file holds what standard output would show";
  EXPECT_EQ(FolderContents(), std::set<std::string>{"table.csv"});
}

TEST_F(BatchSweep, OutputFileThatCannotBeWrittenEndsWithStatusOne) {
  fs::create_directory(dir_ / "in-the-way");
  for (const std::string& path :
       {(dir_ / "no-such-folder" / "t.csv").string(), (dir_ / "in-the-way").string()}) {
    SCOPED_TRACE(path);
    const ProcessResult r = Run({"--sweep", "section", "--sweep-output", path});
    EXPECT_EQ(r.status, kExitFileError);
    EXPECT_NE(r.err.find(path), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
  EXPECT_EQ(FolderContents(), std::set<std::string>{"in-the-way"});
  EXPECT_TRUE(fs::is_empty(dir_ / "in-the-way"));
}

TEST_F(BatchSweep, FullStandardOutputIsAFailure) {
  // The test runner gives the child a pipe, so a shell sends its output to /dev/full.
  const ProcessResult shell = kurimo::test::RunProcess(
      "/bin/sh", {"-c", std::string("exec '") + KURIMO_BATCH_PATH + "' --sweep section >/dev/full"},
      dir_.string());
  EXPECT_EQ(shell.status, kExitFileError) << shell.err;
  EXPECT_NE(shell.err.find("標準出力に書き込めません"), std::string::npos) << shell.err;
}

TEST_F(BatchSweep, WrongUseIsRejectedBeforeAnyCalculation) {
  for (const Args& args :
       {Args{"--sweep", "sections"}, Args{"--sweep", "section,"},
        Args{"--sweep", "section,,quality"}, Args{"--sweep-output", "t.csv"},
        Args{"--sweep", "--json"}, Args{"--sweep", "--output", "x.txt"},
        Args{"--sweep", "--series", "s.csv"}, Args{"--sweep", "--section-factor", "3.0"},
        Args{"--sweep", "--bay-area", "0.5"}}) {
    SCOPED_TRACE(args[0] + " " + args[1]);
    const ProcessResult r = Run(args);
    EXPECT_EQ(r.status, kExitBadInput);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err, "");
  }
  EXPECT_NE(Run({"--sweep", "nothing"}).err.find("section, quality, quantity"), std::string::npos);
  EXPECT_NE(Run({"--sweep-output", "t.csv"}).err.find("--sweep と一緒に"), std::string::npos);
  EXPECT_NE(Run({"--sweep", "--output", "x.txt"}).err.find("--sweep-output で指定"),
            std::string::npos);
  EXPECT_NE(Run({"--sweep", "--json"}).err.find("--json は指定できません"), std::string::npos);
  EXPECT_NE(Run({"--sweep", "--series", "s.csv"}).err.find("--series は指定できません"),
            std::string::npos);
  EXPECT_TRUE(FolderContents().empty());
  const ProcessResult help = Run({"--help"});
  EXPECT_NE(help.out.find("--sweep"), std::string::npos);
  EXPECT_NE(help.out.find("--sweep-output"), std::string::npos);
}

TEST_F(BatchSweep, InterruptStopsTheSweepWithoutATable) {
  // Every case takes about 4e9 steps: far longer than the test waits.
  const fs::path table = dir_ / "table.csv";
  kurimo::test::RunningProcess run = kurimo::test::StartProcess(
      KURIMO_BATCH_PATH, {"--inflow-rate", "0.001", "--sweep", "--sweep-output", table.string()},
      dir_.string());
  // Long enough for the signal handler to be in place and the workers to be stepping.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  ASSERT_TRUE(run.Signal(SIGTERM));
  const std::optional<ProcessResult> r = run.Finish(std::chrono::seconds(30));
  ASSERT_TRUE(r.has_value()) << "still running after SIGTERM; killed";
  EXPECT_EQ(r->status, 128 + SIGTERM) << r->err;
  EXPECT_NE(r->err.find("中止しました"), std::string::npos) << "stopped by the program itself";
  EXPECT_EQ(r->out, "");
  EXPECT_TRUE(FolderContents().empty()) << "neither the table nor a temporary file";
}

}  // namespace
