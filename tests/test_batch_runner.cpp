// Runs the kurimo-batch executable in a fresh folder per test and checks its exit status,
// its messages, its JSON and the output file it leaves behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "atomic_file.h"
#include "case_file.h"
#include "file_messages.h"
#include "process_runner.h"
#include "run_messages.h"
#include "series_csv.h"
#include "test_helpers.h"

namespace {

namespace fs = std::filesystem;
using namespace kurimo::test;  // ProcessResult, Args and the exit statuses

const std::string kDefaultResult = "計算結果(湾内平均水質)\n 3.15(g/m3)\n";
const std::string kSentinel = "left by an earlier run\n";

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadBytes(const fs::path& path) {
  return kurimo::test::ReadBytes(path.string());
}

// The output file's lines, converted from code page 932 to UTF-8.
std::vector<std::string> Utf8Lines(const fs::path& path) {
  return kurimo::test::ReadCp932Lines(path.string());
}

std::vector<std::string> ReferenceLines() {
  return Utf8Lines(fs::path(KURIMO_TEST_DATA_DIR) / "default-Kurimo_OUT.txt");
}

// The literal text of the JSON value that follows "key": in the printed object.
std::string PrintedValue(const std::string& json, const std::string& key) {
  const std::string quoted = "\"" + key + "\":";
  const std::size_t at = json.find(quoted);
  if (at == std::string::npos) return "";
  const std::size_t begin = at + quoted.size();
  if (json[begin] == '[') return json.substr(begin, json.find(']', begin) + 1 - begin);
  return json.substr(begin, json.find_first_of(",}", begin) - begin);
}

// The JSON object printed on stdout; an empty object, and a failure, when there is none.
nlohmann::json ParseJson(const std::string& out) {
  nlohmann::json j = nlohmann::json::parse(out, nullptr, false);
  if (j.is_discarded() || !j.is_object()) {
    ADD_FAILURE() << "stdout is not one JSON object: " << out;
    return nlohmann::json::object();
  }
  return j;
}

class BatchRunner : public ::testing::Test {
 protected:
  ProcessResult Run(const Args& args) const {
    return kurimo::test::RunProcess(KURIMO_BATCH_PATH, args, dir_.string());
  }
  fs::path OutFile() const { return dir_ / "Kurimo_OUT.txt"; }

  kurimo::test::TempFolder folder_;
  const fs::path dir_ = folder_.path();
};

TEST_F(BatchRunner, DefaultCaseWritesTheReferenceFileAndTheResultMessage) {
  WriteBytes(OutFile(), std::string(5000, 'x'));  // an earlier, longer file is replaced
  const ProcessResult r = Run({});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, kDefaultResult);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(ReadBytes(OutFile()),
            ReadBytes(fs::path(KURIMO_TEST_DATA_DIR) / "default-Kurimo_OUT.txt"));
}

TEST_F(BatchRunner, DefaultCaseJsonHasTheRunAndIndicatorsAndRoundTrips) {
  const ProcessResult r = Run({"--json"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  ASSERT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << "one object on one line";
  const nlohmann::json j = ParseJson(r.out);
  EXPECT_EQ(j.at("status"), "done");
  EXPECT_EQ(j.at("warning"), false);
  EXPECT_EQ(j.at("steps"), 12623);
  EXPECT_EQ(j.at("time_step_minutes"), 718);
  EXPECT_EQ(j.at("calculation_days"), 6294);
  EXPECT_EQ(j.at("bay_average_rounded"), 3.15);
  const nlohmann::json& ind = j.at("indicators");
  EXPECT_EQ(ind.at("residence_time_days"), 629.4);
  EXPECT_EQ(ind.at("closedness_index"), 4.52);
  EXPECT_EQ(ind.at("load_per_volume_g_per_m3_per_day"), 0.016);
  EXPECT_EQ(ind.at("eddy_diffusivity_m2_per_s"), 464);
  EXPECT_EQ(ind.at("mean_velocity_cm_per_s"), 0.26);
  EXPECT_EQ(ind.at("changed_mouth_section_km2"), 0.126);
  EXPECT_EQ(ind.at("changed_inflow_load_g_per_s"), 3310);

  const std::vector<double> expected = {3.6255, 3.3973, 3.1610, 2.9162, 2.6626};
  const std::vector<double> c = j.at("concentrations").get<std::vector<double>>();
  ASSERT_EQ(c.size(), expected.size());
  for (std::size_t b = 0; b < c.size(); ++b)
    EXPECT_NEAR(c[b], expected[b], 1e-4) << "box " << b + 1;
  // The bay mean is the plain average of the five boxes, summed in box order.
  const double bayAverage = j.at("bay_average").get<double>();
  EXPECT_EQ(bayAverage, ((((c[0] + c[1]) + c[2]) + c[3]) + c[4]) / 5);

  // The printed digits give back the very same doubles.
  const std::string printed = PrintedValue(r.out, "bay_average");
  ASSERT_FALSE(printed.empty()) << r.out;
  EXPECT_EQ(std::strtod(printed.c_str(), nullptr), bayAverage) << printed;
  const std::string list = PrintedValue(r.out, "concentrations");
  ASSERT_GE(list.size(), 2u) << r.out;
  const char* p = list.c_str() + 1;
  for (double value : c) {
    char* end = nullptr;
    EXPECT_EQ(std::strtod(p, &end), value) << list;
    p = end + 1;
  }
  // --json changes only what stdout shows, not the file.
  EXPECT_EQ(ReadBytes(OutFile()),
            ReadBytes(fs::path(KURIMO_TEST_DATA_DIR) / "default-Kurimo_OUT.txt"));
}

// A condition text is written to the file as given; texts that mean the default number
// leave the calculation, and every other line, unchanged.
struct GivenText {
  Args args;
  std::vector<std::pair<int, std::string>> lines;  // line number (from 1) and its text
  bool sameValueAsDefault;
};

class WrittenAsGiven : public BatchRunner, public ::testing::WithParamInterface<GivenText> {};

TEST_P(WrittenAsGiven, FileHoldsTheTextAndTheResultFollowsItsValue) {
  const GivenText& g = GetParam();
  const ProcessResult r = Run(g.args);
  ASSERT_EQ(r.status, kExitOk) << r.err;
  std::vector<std::string> lines = Utf8Lines(OutFile());
  ASSERT_EQ(lines.size(), 26u);
  std::vector<std::string> reference = ReferenceLines();
  for (const auto& [number, text] : g.lines) {
    EXPECT_EQ(lines[number - 1], text) << "line " << number;
    reference[number - 1] = text;
  }
  if (g.sameValueAsDefault) {
    EXPECT_EQ(lines, reference);
    EXPECT_EQ(r.out, kDefaultResult);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Conditions, WrittenAsGiven,
    ::testing::Values(
        GivenText{{"--bay-area", "500"},
                  {{5, "    湾面積(km2)=500　平均水深(m)= 18　湾容積(km3)= 9 "}},
                  false},
        GivenText{{"--bay-area", "1,000"},
                  {{5, "    湾面積(km2)=1,000　平均水深(m)= 18　湾容積(km3)= 18 "}},
                  true},
        GivenText{{"--mean-depth", "20"},
                  {{5, "    湾面積(km2)= 1000　平均水深(m)=20　湾容積(km3)= 20 "},
                   {6, "    湾口部長さ(km)= 7　湾口部水深(m)=20　湾口部断面積(km2)= 0.14 "}},
                  false},
        GivenText{{"--mean-depth", "18.0"},
                  {{5, "    湾面積(km2)= 1000　平均水深(m)=18.0　湾容積(km3)= 18 "},
                   {6, "    湾口部長さ(km)= 7　湾口部水深(m)=18.0　湾口部断面積(km2)= 0.126 "}},
                  true},
        // Full-width digits as a Japanese input method types them: written as typed.
        GivenText{{"--bay-area", "１，０００"},
                  {{5, "    湾面積(km2)=１，０００　平均水深(m)= 18　湾容積(km3)= 18 "}},
                  true},
        GivenText{{"--mouth-length", "7e0"},
                  {{6, "    湾口部長さ(km)=7e0　湾口部水深(m)= 18　湾口部断面積(km2)= 0.126 "}},
                  true},
        GivenText{{"--open-sea-quality", "2.40"}, {{7, "    外海水水質(g/m3)=2.40"}}, true},
        GivenText{
            {"--inflow-quality", " 1e1"},
            {{8, "    流入水水質(g/m3)= 1e1　流入水流量(m3/秒)= 331　流入負荷量(g/秒)= 3310 "}},
            true},
        GivenText{
            {"--inflow-rate", "331.0"},
            {{8, "    流入水水質(g/m3)= 10　流入水流量(m3/秒)=331.0　流入負荷量(g/秒)= 3310 "}},
            true},
        GivenText{
            {"--section-factor", "2.0", "--quality-factor", "5.0", "--quantity-factor", "0.2"},
            {{11, "    湾口部断面積(×倍)= 2 　　 (変更)湾口部断面積(km2)= 0.252 "},
             {12,
              "    流入水水質(×倍)= 5 　流入水水量(×倍)= 0.2 　　 (変更)流入負荷量(g/秒)= 3310 "}},
            false}));

// Texts that fail their box's check: the box's title and message, and nothing written.
struct FailingText {
  std::string option, text, title, message;
};

class FailingConditionText : public BatchRunner,
                             public ::testing::WithParamInterface<FailingText> {};

TEST_P(FailingConditionText, IsRejectedWithTheBoxMessageAndNoFile) {
  const FailingText& f = GetParam();
  ProcessResult r = Run({f.option, f.text});
  EXPECT_EQ(r.status, kExitBadInput);
  EXPECT_NE(r.err.find(f.title), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(f.message), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_FALSE(fs::exists(OutFile()));

  WriteBytes(OutFile(), kSentinel);
  r = Run({f.option, f.text, "--json"});
  EXPECT_EQ(r.status, kExitBadInput);
  EXPECT_EQ(ReadBytes(OutFile()), kSentinel);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, FailingConditionText,
    ::testing::Values(
        FailingText{"--bay-area", "0.5", "湾面積の入力制限", "湾面積は1km2以上にしてください。"},
        FailingText{"--bay-area", "", "湾面積の入力制限", "湾面積は1km2以上にしてください。"},
        FailingText{"--bay-area", "1e400", "湾面積の入力制限", "湾面積は1km2以上にしてください。"},
        FailingText{"--mean-depth", "0.99", "水深の入力制限", "水深は1m以上にしてください"},
        FailingText{"--mouth-length", "0", "湾口部長さの入力制限",
                    "湾口部長さは0にしないでください"},
        FailingText{"--mouth-length", "-1", "湾口部長さの入力制限",
                    "湾口部長さは0にしないでください"},
        FailingText{"--open-sea-quality", "2.4x", "外海水の水質", "数値を入力してください"},
        FailingText{"--inflow-quality", "-1", "流入水の水質", "数値を入力してください"},
        FailingText{"--inflow-rate", "0.", "流量の入力制限", "流入水の流量は0にしないでください"},
        // The leading number passes, the whole value does not.
        FailingText{"--open-sea-quality", "-0,500", "外海水の水質", "数値を入力してください"},
        FailingText{"--mean-depth", "1,000e-5", "水深の入力制限", "水深は1m以上にしてください"},
        // A decimal comma is not a number here.
        FailingText{"--inflow-rate", "0,5", "流量の入力制限", "流入水の流量は0にしないでください"},
        FailingText{"--bay-area", "1\x1b[31m", "湾面積の入力制限", "制御文字"}));

TEST_F(BatchRunner, AMessageEchoesAtMostFortyCharactersOfAText) {
  const ProcessResult r = Run({"--bay-area", std::string(120000, '9') + "x"});
  EXPECT_EQ(r.status, kExitBadInput);
  EXPECT_NE(r.err.find("\"" + std::string(40, '9') + "…\""), std::string::npos) << r.err;
  EXPECT_LT(r.err.size(), 400u);
}

struct BadEntry {
  std::string option, entry, allowed;
};

class InvalidMultiplierEntry : public BatchRunner,
                               public ::testing::WithParamInterface<BadEntry> {};

TEST_P(InvalidMultiplierEntry, NamesTheAllowedEntriesAndWritesNoFile) {
  const BadEntry& b = GetParam();
  const ProcessResult r = Run({b.option, b.entry});
  EXPECT_EQ(r.status, kExitBadInput);
  EXPECT_NE(r.err.find(b.allowed), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_FALSE(fs::exists(OutFile()));
}

const std::string kSectionEntries = "1.0, 0.2, 0.5, 0.8, 1.2, 1.5, 2.0";
const std::string kFactorEntries = "1.0, 0.2, 0.5, 0.8, 1.2, 1.5, 2.0, 5.0";

INSTANTIATE_TEST_SUITE_P(Lists, InvalidMultiplierEntry,
                         ::testing::Values(BadEntry{"--section-factor", "5.0", kSectionEntries},
                                           BadEntry{"--quality-factor", "3.0", kFactorEntries},
                                           BadEntry{"--quantity-factor", "1.00", kFactorEntries},
                                           BadEntry{"--quantity-factor", " 0.5", kFactorEntries}));

TEST_F(BatchRunner, OutputOptionWritesTheNamedFileOnly) {
  const ProcessResult r = Run({"--output", "named.txt"});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(ReadBytes(dir_ / "named.txt"),
            ReadBytes(fs::path(KURIMO_TEST_DATA_DIR) / "default-Kurimo_OUT.txt"));
  EXPECT_FALSE(fs::exists(OutFile()));
}

TEST_F(BatchRunner, OutputFileThatCannotBeWrittenEndsWithStatusOne) {
  fs::create_directory(dir_ / "in-the-way");
  const std::vector<std::string> paths = {(dir_ / "no-such-folder" / "out.txt").string(),
                                          (dir_ / "in-the-way").string(), "/dev/full"};
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    ProcessResult r = Run({"--output", path});
    EXPECT_EQ(r.status, kExitFileError);
    EXPECT_NE(r.err.find(path), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    r = Run({"--output", path, "--json"});
    EXPECT_EQ(r.status, kExitFileError);
    EXPECT_EQ(ParseJson(r.out).value("status", ""), "output_file_failed");
  }
  EXPECT_FALSE(fs::exists(dir_ / "no-such-folder"));
  EXPECT_TRUE(fs::is_directory(dir_ / "in-the-way"));
}

TEST_F(BatchRunner, FastMouthFlowWarnsAndStillCompletes) {
  // Mouth 1 m x 50 m: 331 m3/s gives 6.62 m/s, and a 6324.6 m box a step of 16 minutes.
  const Args args = {"--mean-depth", "1", "--mouth-length", "0.05"};
  ProcessResult r = Run(args);
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_NE(r.err.find("流量等の入力制限"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("流入水流量を小さくするか湾口部断面積を大きくしてください"),
            std::string::npos);
  EXPECT_EQ(r.out.rfind("計算結果(湾内平均水質)\n", 0), 0u) << r.out;
  EXPECT_EQ(Utf8Lines(OutFile()).size(), 26u);

  Args withJson = args;
  withJson.push_back("--json");
  r = Run(withJson);
  ASSERT_EQ(r.status, kExitOk) << r.err;
  const nlohmann::json j = ParseJson(r.out);
  EXPECT_EQ(j.at("status"), "done");
  EXPECT_EQ(j.at("warning"), true);
  EXPECT_EQ(j.at("time_step_minutes"), 16);
}

// The files left in the run's folder, by name.
std::vector<std::string> FolderContents(const fs::path& folder) {
  std::vector<std::string> names;
  for (const fs::directory_entry& e : fs::directory_iterator(folder))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Runs that are abandoned after their set-up: the earlier report stays as it was, and no
// partial or temporary file is left.
struct FaultCase {
  Args args;
  std::string status, stderrFragment;
};

class RunFault : public BatchRunner, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(RunFault, EndsWithStatusThreeAndKeepsTheEarlierReport) {
  const FaultCase& f = GetParam();
  WriteBytes(OutFile(), kSentinel);
  Args args = f.args;
  args.push_back("--json");
  const ProcessResult r = Run(args);
  EXPECT_EQ(r.status, kExitRunFault);
  EXPECT_NE(r.err.find(f.stderrFragment), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("出力ファイル「Kurimo_OUT.txt」は書き換えていません"), std::string::npos)
      << r.err;
  const nlohmann::json j = ParseJson(r.out);
  EXPECT_EQ(j.at("status"), f.status);
  EXPECT_FALSE(j.contains("bay_average"));
  EXPECT_EQ(ReadBytes(OutFile()), kSentinel);
  EXPECT_EQ(FolderContents(dir_), std::vector<std::string>{"Kurimo_OUT.txt"});
}

INSTANTIATE_TEST_SUITE_P(
    Faults, RunFault,
    ::testing::Values(FaultCase{{"--bay-area", "1", "--mean-depth", "1", "--mouth-length", "0.01",
                                 "--inflow-rate", "100"},
                                "zero_time_step",
                                "0分"},
                      FaultCase{{"--bay-area", "1e300"}, "non_finite_case", "計算できません"},
                      FaultCase{{"--inflow-quality", "1e38"},
                                "value_too_large",
                                "流入水水質（倍率をかけた値が 1E+38 g/m3）が大きすぎて"}),
    [](const ::testing::TestParamInfo<FaultCase>& row) { return row.param.status; });

// A signal stops a long run as Ctrl-C does: the earlier report stays, with no temporary
// file beside it, and the status tells which signal it was.
class StopSignal : public BatchRunner, public ::testing::WithParamInterface<int> {};

TEST_P(StopSignal, StopsALongRunAndKeepsTheEarlierReport) {
  WriteBytes(OutFile(), kSentinel);
  // About 4e9 steps: far longer than the test waits.
  kurimo::test::RunningProcess run = kurimo::test::StartProcess(
      KURIMO_BATCH_PATH, {"--inflow-rate", "0.001", "--json"}, dir_.string());
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ASSERT_TRUE(run.Signal(GetParam()));
  const std::optional<ProcessResult> r = run.Finish(std::chrono::seconds(30));
  ASSERT_TRUE(r.has_value()) << "still running after the signal; killed";
  EXPECT_EQ(r->status, 128 + GetParam()) << r->err;
  const nlohmann::json j = ParseJson(r->out);
  EXPECT_EQ(j.at("status"), "cancelled");
  EXPECT_LT(j.at("steps_done").get<double>(), j.at("steps").get<double>());
  EXPECT_EQ(ReadBytes(OutFile()), kSentinel);
  EXPECT_EQ(FolderContents(dir_), std::vector<std::string>{"Kurimo_OUT.txt"});
}

INSTANTIATE_TEST_SUITE_P(Signals, StopSignal, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& signal) {
                           return std::string(sigabbrev_np(signal.param));
                         });

TEST_F(BatchRunner, CommandLineUsage) {
  ProcessResult r = Run({"--no-such-option"});
  EXPECT_EQ(r.status, kExitBadInput);
  EXPECT_NE(r.err.find("--no-such-option"), std::string::npos) << r.err;
  r = Run({"--bay-area"});
  EXPECT_EQ(r.status, kExitBadInput);
  r = Run({"stray-argument"});
  EXPECT_EQ(r.status, kExitBadInput);
  EXPECT_FALSE(fs::exists(OutFile()));

  r = Run({"--help"});
  EXPECT_EQ(r.status, kExitOk);
  for (const char* option :
       {"--bay-area", "--mean-depth", "--mouth-length", "--open-sea-quality", "--inflow-quality",
        "--inflow-rate", "--section-factor", "--quality-factor", "--quantity-factor", "--output",
        "--json", "--case", "--save-case", "--series"}) {
    EXPECT_NE(r.out.find(option), std::string::npos) << option;
  }
  EXPECT_FALSE(fs::exists(OutFile()));
}

TEST_F(BatchRunner, OutputThatIsLostIsAFailureNotASuccess) {
  // Standard output on a full disk, or closed: every command that writes to it says so
  // and ends with status 1.
  struct Row {
    const char* name;
    const char* redirect;
    Args args;
  };
  const Row rows[] = {
      {"result on a full disk", "> /dev/full", {}},
      {"JSON on a full disk", "> /dev/full", {"--json"}},
      {"JSON to a closed output", ">&-", {"--json"}},
      {"help on a full disk", "> /dev/full", {"--help"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Args shell = {"-c", std::string("exec \"$0\" \"$@\" ") + row.redirect, KURIMO_BATCH_PATH};
    shell.insert(shell.end(), row.args.begin(), row.args.end());
    const ProcessResult r = kurimo::test::RunProcess("/bin/sh", shell, dir_.string());
    EXPECT_EQ(r.status, kExitFileError) << r.err;
    EXPECT_NE(r.err.find("標準出力に書き込めません"), std::string::npos) << r.err;
  }
}

TEST_F(BatchRunner, FileNamesMustNotBeEmpty) {
  for (const Args& args : {Args{"--output", ""}, Args{"--series", ""}, Args{"--save-case", ""},
                           Args{"--case", ""}, Args{"--sweep", "--sweep-output", ""}}) {
    SCOPED_TRACE(args.front());
    const ProcessResult r = Run(args);
    EXPECT_EQ(r.status, kExitBadInput);
    EXPECT_NE(r.err.find("ファイル名が空です"), std::string::npos) << r.err;
    EXPECT_TRUE(FolderContents(dir_).empty());
  }
}

TEST_F(BatchRunner, PathsInAnotherEncodingAndDevicesAreWrittenAsGiven) {
  // A folder named in Shift_JIS ("出力"): the report is written there, and the JSON shows
  // the name with replacement characters instead of ending the program.
  const std::string folder = "\x8F\x6F\x97\xCD";
  fs::create_directory(dir_ / folder);
  ProcessResult r = Run({"--json", "--output", folder + "/out.txt"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_NE(ParseJson(r.out).at("output_file").get<std::string>().find("\xEF\xBF\xBD"),
            std::string::npos);
  EXPECT_EQ(Utf8Lines(dir_ / folder / "out.txt").size(), 26u);

  // A device is written directly: the series goes to standard output, the report nowhere.
  r = Run({"--series", "/dev/stdout", "--output", "/dev/null"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_NE(r.out.find(std::string(kurimo::kSeriesCsvHeader) + "\r\n"), std::string::npos);
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  EXPECT_TRUE(FolderContents(dir_) == std::vector<std::string>{folder});
}

// --- Steady state, stability and the time series.

// The rows of a CSV file without its byte-order mark, each without its CR LF.
std::vector<std::string> CsvRows(const fs::path& path) {
  const std::string bytes = ReadBytes(path);
  std::vector<std::string> rows;
  if (bytes.rfind(kurimo::kUtf8ByteOrderMark, 0) != 0) {
    ADD_FAILURE() << "no byte-order mark";
    return rows;
  }
  std::size_t start = kurimo::kUtf8ByteOrderMark.size();
  while (start < bytes.size()) {
    const std::size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "last row without CR LF";
      break;
    }
    rows.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  return rows;
}

// The numbers of a CSV row.
std::vector<double> RowNumbers(const std::string& row) {
  std::vector<double> numbers;
  const char* p = row.c_str();
  for (;;) {
    char* end = nullptr;
    numbers.push_back(std::strtod(p, &end));
    if (*end != ',') break;
    p = end + 1;
  }
  return numbers;
}

TEST_F(BatchRunner, JsonHasTheSteadyStateAndTheStabilityVerdict) {
  const ProcessResult r = Run({"--json"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  const nlohmann::json j = ParseJson(r.out);
  const std::vector<double> steady = j.at("steady_state").get<std::vector<double>>();
  const std::vector<double> c = j.at("concentrations").get<std::vector<double>>();
  ASSERT_EQ(steady.size(), 5u);
  ASSERT_EQ(c.size(), 5u);
  for (std::size_t b = 0; b < 5; ++b)
    EXPECT_NEAR(steady[b], c[b], 1e-6) << "box " << b + 1;
  EXPECT_GE(j.at("convergence").get<double>(), 0.0);
  EXPECT_LT(j.at("convergence").get<double>(), 1e-6);
  EXPECT_EQ(j.at("stable"), true);
  EXPECT_NEAR(j.at("step_times_eigenvalue").get<double>(), -0.4148, 1e-4);
}

TEST_F(BatchRunner, AShortenedStepIsReportedWithoutAWarning) {
  // A 1 km2 bay with a 1.15 km mouth: the rule's 72 minutes are too long for the chain.
  const Args args = {"--bay-area", "1", "--mouth-length", "1.15"};
  ProcessResult r = Run(args);
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            "計算結果(湾内平均水質)\n 7.95(g/m3)\n"
            "計算を安定させるため、ﾀｲﾑｽﾃｯﾌﾟを 72 分から 63 分に短くしました。\n");
  EXPECT_EQ(Utf8Lines(OutFile())[17], "    ﾀｲﾑｽﾃｯﾌﾟ（分)= 63 ");

  r = Run({"--bay-area", "1", "--mouth-length", "1.15", "--json"});
  const nlohmann::json j = ParseJson(r.out);
  EXPECT_EQ(j.at("time_step_minutes"), 63);
  EXPECT_EQ(j.at("rule_time_step_minutes"), 72);
  EXPECT_EQ(j.at("time_step_reduced"), true);
  EXPECT_EQ(j.at("stable"), true);
  EXPECT_EQ(j.at("steps"), 137);

  r = Run({"--json"});
  EXPECT_EQ(ParseJson(r.out).at("time_step_reduced"), false);
  EXPECT_EQ(ParseJson(r.out).at("rule_time_step_minutes"), 718);
}

TEST_F(BatchRunner, SeriesOptionWritesTheCsvFromTheOpenSeaToTheFinalState) {
  const ProcessResult r = Run({"--series", "series.csv", "--json"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.err, "");
  const nlohmann::json j = ParseJson(r.out);
  const std::vector<std::string> rows = CsvRows(dir_ / "series.csv");
  ASSERT_EQ(rows.size(), 1806u);  // the header and 1805 points
  EXPECT_EQ(rows[0], kurimo::kSeriesCsvHeader);
  EXPECT_EQ(rows[1], "0,0,2.4,2.4,2.4,2.4,2.4");
  const std::vector<double> last = RowNumbers(rows.back());
  ASSERT_EQ(last.size(), 7u) << rows.back();
  EXPECT_EQ(last[0], 12623);
  EXPECT_EQ(last[1], 12623.0 * 718 / 1440);
  const std::vector<double> c = j.at("concentrations").get<std::vector<double>>();
  for (std::size_t b = 0; b < 5; ++b)
    EXPECT_EQ(last[b + 2], c[b]) << "box " << b + 1;
  // The output file is the same as ever.
  EXPECT_EQ(ReadBytes(OutFile()),
            ReadBytes(fs::path(KURIMO_TEST_DATA_DIR) / "default-Kurimo_OUT.txt"));
}

TEST_F(BatchRunner, SeriesOfARunThatOverflowsHoldsThePointsBeforeIt) {
  const ProcessResult r = Run({"--inflow-quality", "1e38", "--series", "series.csv", "--json"});
  EXPECT_EQ(r.status, kExitRunFault);
  const nlohmann::json j = ParseJson(r.out);
  EXPECT_EQ(j.at("status"), "value_too_large");
  EXPECT_EQ(j.at("too_large"), "inflow_quality");
  EXPECT_FALSE(j.contains("convergence"));
  // The first step overflows: the series holds the initial state alone.
  const std::vector<std::string> rows = CsvRows(dir_ / "series.csv");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1], "0,0,2.4,2.4,2.4,2.4,2.4");
}

TEST_F(BatchRunner, NoSeriesFromARunThatStopsBeforeStepping) {
  const ProcessResult r = Run({"--bay-area", "1", "--mean-depth", "1", "--mouth-length", "0.01",
                               "--inflow-rate", "100", "--series", "series.csv"});
  EXPECT_EQ(r.status, kExitRunFault);
  EXPECT_FALSE(fs::exists(dir_ / "series.csv"));
}

TEST_F(BatchRunner, SeriesFileThatCannotBeWrittenEndsWithStatusOne) {
  const std::string path = (dir_ / "no-such-folder" / "series.csv").string();
  ProcessResult r = Run({"--series", path});
  EXPECT_EQ(r.status, kExitFileError);
  EXPECT_NE(r.err.find("CSVファイルのエラー"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(path), std::string::npos) << r.err;
  EXPECT_EQ(r.out, kDefaultResult);  // the run itself finished
  EXPECT_EQ(Utf8Lines(OutFile()).size(), 26u);
}

// --- Saved cases.

TEST_F(BatchRunner, CaseFileGivesTheSameRunAsTheSameOptions) {
  kurimo::SavedCase saved = kurimo::DefaultSavedCase();
  saved.texts = {"1,000", " 9", " 7", "2.40", " 12", "200"};
  saved.entries = {"0.5", "1.0", "2.0"};
  ASSERT_EQ(kurimo::WriteCaseFile((dir_ / "case.json").string(), saved), std::nullopt);
  ProcessResult r = Run({"--case", "case.json", "--output", "from-case.txt"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  const std::string fromCase = r.out;
  r = Run({"--bay-area", "1,000", "--mean-depth", " 9", "--open-sea-quality", "2.40",
           "--inflow-quality", " 12", "--inflow-rate", "200", "--section-factor", "0.5",
           "--quantity-factor", "2.0", "--output", "from-options.txt"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, fromCase);
  EXPECT_NE(r.out, kDefaultResult);
  EXPECT_EQ(ReadBytes(dir_ / "from-case.txt"), ReadBytes(dir_ / "from-options.txt"));
  EXPECT_EQ(Utf8Lines(dir_ / "from-case.txt")[4],
            "    湾面積(km2)=1,000　平均水深(m)= 9　湾容積(km3)= 9 ");
}

TEST_F(BatchRunner, OptionsAfterTheCaseOverrideItAndOptionsBeforeItAreOverridden) {
  kurimo::SavedCase saved = kurimo::DefaultSavedCase();
  saved.texts[0] = "500";
  saved.entries[0] = "2.0";
  ASSERT_EQ(kurimo::WriteCaseFile((dir_ / "case.json").string(), saved), std::nullopt);
  const auto bayAreaLine = [&] { return Utf8Lines(OutFile())[4]; };
  const auto sectionLine = [&] { return Utf8Lines(OutFile())[10]; };

  ProcessResult r = Run({"--bay-area", "700", "--section-factor", "0.5", "--case", "case.json"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(bayAreaLine(), "    湾面積(km2)=500　平均水深(m)= 18　湾容積(km3)= 9 ");
  EXPECT_EQ(sectionLine().rfind("    湾口部断面積(×倍)= 2 ", 0), 0u) << sectionLine();

  r = Run({"--case", "case.json", "--bay-area", "700", "--section-factor", "0.5"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(bayAreaLine(), "    湾面積(km2)=700　平均水深(m)= 18　湾容積(km3)= 12.6 ");
  EXPECT_EQ(sectionLine().rfind("    湾口部断面積(×倍)= 0.5 ", 0), 0u) << sectionLine();

  // An option before the case is still checked, though the case replaces it.
  r = Run({"--bay-area", "0.5", "--case", "case.json"});
  EXPECT_EQ(r.status, kExitBadInput);
  EXPECT_NE(r.err.find("湾面積の入力制限"), std::string::npos) << r.err;
}

TEST_F(BatchRunner, BadCaseFileEndsWithStatusTwoBeforeAnythingIsWritten) {
  nlohmann::json tooSmall = nlohmann::json::parse(kurimo::CaseFileText(kurimo::DefaultSavedCase()));
  tooSmall["conditions"]["bay_area"] = "0.5";
  struct Bad {
    std::string name, bytes, fragment;
  };
  const Bad bad[] = {
      {"broken.json", "{\"format\": ", "JSON の形式になっていません"},
      {"foreign.json", "{\"format\": \"other\", \"version\": 1}",
       "Kurimo のケースファイルではありません"},
      {"newer.json", "{\"format\": \"kurimo-case\", \"version\": 7}", "新しい版"},
      {"huge.json", "{\"format\":\"kurimo-case\",\"version\":1,\"x\":1e999}", "読めない値"},
      {"twice.json", "{\"format\":\"kurimo-case\",\"version\":1,\"version\":1}", "2 度"},
      {"small.json", tooSmall.dump(), "湾面積は1km2以上にしてください。"},
  };
  for (const Bad& b : bad) {
    SCOPED_TRACE(b.name);
    WriteBytes(dir_ / b.name, b.bytes);
    const ProcessResult r = Run({"--case", b.name, "--series", "series.csv", "--json"});
    EXPECT_EQ(r.status, kExitBadInput);
    EXPECT_NE(r.err.find("「" + b.name + "」"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(b.fragment), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
  const ProcessResult r = Run({"--case", "absent.json"});
  EXPECT_EQ(r.status, kExitBadInput);
  EXPECT_NE(r.err.find("ファイルが見つかりません"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(OutFile()));
  EXPECT_FALSE(fs::exists(dir_ / "series.csv"));
}

TEST_F(BatchRunner, SaveCaseWritesWhatTheRunUsesAndReadsBackToTheSameRun) {
  ProcessResult r = Run({"--bay-area", "1,000", "--inflow-rate", " 100", "--quality-factor", "5.0",
                         "--save-case", "saved.json", "--output", "first.txt"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  const kurimo::CaseReadResult saved = kurimo::ReadCaseFile((dir_ / "saved.json").string());
  ASSERT_TRUE(saved.value.has_value()) << saved.error;
  EXPECT_EQ(saved.value->texts,
            (std::array<std::string, 6>{"1,000", " 18", " 7", " 2.4", " 10", " 100"}));
  EXPECT_EQ(saved.value->entries, (std::array<std::string, 3>{"1.0", "5.0", "1.0"}));
  r = Run({"--case", "saved.json", "--output", "second.txt"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(ReadBytes(dir_ / "first.txt"), ReadBytes(dir_ / "second.txt"));

  r = Run({"--save-case", (dir_ / "no-such-folder" / "saved.json").string()});
  EXPECT_EQ(r.status, kExitFileError);
  EXPECT_NE(r.err.find("ケースファイルのエラー"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(OutFile()));  // nothing is run after a failed save
}

}  // namespace

namespace {

TEST_F(BatchRunner, TargetMeanAddsTheLoadThatReachesItAndTheFlushingTime) {
  const ProcessResult r = Run({"--json", "--target-mean", "3"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  const nlohmann::json j = ParseJson(r.out);
  // The default bay flushes in about 50.6 days, against 629.4 for its fresh water alone.
  EXPECT_NEAR(j.at("flushing_time_days").get<double>(), 50.62, 0.01);
  const nlohmann::json& t = j.at("target");
  EXPECT_EQ(t.at("reachable"), true);
  EXPECT_EQ(t.at("bay_mean"), 3.0);
  const double load = t.at("load_g_per_s").get<double>();
  EXPECT_NEAR(t.at("reduction_percent").get<double>(), 100 * (3310 - load) / 3310, 1e-9);
  EXPECT_NEAR(t.at("inflow_quality_g_per_m3").get<double>(), load / 331, 1e-12 * load);
  EXPECT_LT(t.at("lowest_reachable_bay_mean").get<double>(), 2.4);
  ASSERT_EQ(t.at("steady_state").size(), 5u);

  // The quality found, typed in, runs the bay to the target and its steady boxes.
  const ProcessResult typed =
      Run({"--json", "--inflow-quality", t.at("inflow_quality_text").get<std::string>()});
  ASSERT_EQ(typed.status, kExitOk) << typed.err;
  const nlohmann::json k = ParseJson(typed.out);
  EXPECT_NEAR(k.at("bay_average").get<double>(), 3.0, 1e-6);
  for (std::size_t b = 0; b < 5; ++b) {
    EXPECT_NEAR(k.at("steady_state")[b].get<double>(), t.at("steady_state")[b].get<double>(), 1e-7)
        << "box " << b + 1;
  }

  // Below the clean river's mean: no figures, only the lowest reachable mean.
  const nlohmann::json low = ParseJson(Run({"--json", "--target-mean", "1"}).out);
  EXPECT_EQ(low.at("target").at("reachable"), false);
  EXPECT_EQ(low.at("target").at("lowest_reachable_bay_mean"), t.at("lowest_reachable_bay_mean"));
  EXPECT_FALSE(low.at("target").contains("load_g_per_s"));

  // Without --json the figures follow the result message in Japanese lines.
  const ProcessResult text = Run({"--target-mean", "1"});
  EXPECT_EQ(text.out.rfind(kDefaultResult + "[負荷削減の試算]\n", 0), 0u) << text.out;
  EXPECT_NE(text.out.find("負荷を減らしても達成できません"), std::string::npos) << text.out;
}

TEST_F(BatchRunner, TargetMeanIsRefusedLikeAQualityBoxAndBesideASweep) {
  struct Row {
    Args args;
    const char* said;
  };
  for (const Row& row :
       {Row{{"--target-mean", "-0.5"}, "0 以上の数値"},
        Row{{"--target-mean", "3 g"}, "0 以上の数値"},
        Row{{"--target-mean", "3", "--sweep"}, "--target-mean は指定できません"}}) {
    SCOPED_TRACE(row.args[1]);
    const ProcessResult r = Run(row.args);
    EXPECT_EQ(r.status, kExitBadInput);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(row.said), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(OutFile()));
  }
}

}  // namespace
