// kurimo-batch in a fresh folder: its report, its JSON, how each kind of ending is told and what it
// leaves, the options it passes on (conditions, factors, cases, series, target), its sweeps.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <thread>

#include "case_file.h"
#include "named_cases.h"
#include "process_runner.h"

namespace {

using namespace kurimo::test;
using nlohmann::json;

Args With(Args args, const Args& more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

class BatchRunner : public InFolder {
 protected:
  ProcessResult Batch(const Args& args) const { return Run(KURIMO_BATCH_PATH, args); }
  std::string Bytes(const std::string& name = "Kurimo_OUT.txt") const {
    return ReadBytes(folder_.File(name));
  }
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(folder_.File(name), std::ios::binary) << bytes;
  }
};

// The default case's report, series and JSON (the run, its indicators, its steady state and
// the load for a target mean).
TEST_F(BatchRunner, DefaultCaseWritesTheReferenceReportItsSeriesAndItsJson) {
  Write("Kurimo_OUT.txt", std::string(5000, 'x'));  // a longer earlier report is replaced
  ProcessResult r = Batch({"--series", "series.csv", "--json", "--target-mean", "3"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(Bytes(), ReadBytes(KURIMO_TEST_DATA_DIR "/default-Kurimo_OUT.txt"));
  const std::vector<std::string> rows = SplitCrLfLines(Bytes("series.csv"));
  ASSERT_EQ(rows.size(), 1806u);  // the heading and 1805 points, from the open sea's quality
  EXPECT_EQ(rows[1], "0,0,2.4,2.4,2.4,2.4,2.4");
  EXPECT_EQ(rows.back().rfind("12623,", 0), 0u) << rows.back();
  const json j = json::parse(r.out);
  const json exact = json::parse(R"({"status": "done", "warning": false, "steps": 12623,
      "time_step_minutes": 718, "rule_time_step_minutes": 718, "time_step_reduced": false,
      "calculation_days": 6294, "bay_average_rounded": 3.15, "stable": true, "indicators": {
      "residence_time_days": 629.4, "closedness_index": 4.52, "eddy_diffusivity_m2_per_s": 464,
      "load_per_volume_g_per_m3_per_day": 0.016, "mean_velocity_cm_per_s": 0.26,
      "changed_mouth_section_km2": 0.126, "changed_inflow_load_g_per_s": 3310}})");
  for (const auto& [key, value] : exact.items())
    EXPECT_EQ(j.at(key), value) << key;
  const double boxes[] = {3.6255, 3.3973, 3.1610, 2.9162, 2.6626};
  for (int b = 0; b < 5; ++b) {
    EXPECT_NEAR(j.at("concentrations").at(b).get<double>(), boxes[b], 1e-4) << "box " << b + 1;
    EXPECT_NEAR(j.at("steady_state").at(b).get<double>(), boxes[b], 1e-4) << "box " << b + 1;
  }
  EXPECT_NEAR(j.at("bay_average").get<double>(), 3.1525, 1e-4);
  EXPECT_NEAR(j.at("step_times_eigenvalue").get<double>(), -0.4148, 1e-4);
  EXPECT_NEAR(j.at("flushing_time_days").get<double>(), 50.62, 0.01);
  EXPECT_LT(j.at("convergence").get<double>(), 1e-6);

  // The river quality found for the target, typed back in, reaches it.
  EXPECT_EQ(j.at("target").at("reachable"), true);
  r = Batch({"--json", "--inflow-quality", j.at("target").at("inflow_quality_text")});
  EXPECT_NEAR(json::parse(r.out).at("bay_average").get<double>(), 3.0, 1e-6);
  r = Batch({"--target-mean", "1"});
  EXPECT_TRUE(r.out.starts_with(
      "計算結果(湾内平均水質)\n 3.15(g/m3)\n[負荷削減の試算]\n目標の湾内平均水質(g/m3)="))
      << r.out;
  EXPECT_NE(r.out.find("負荷を減らしても達成できません"), std::string::npos) << r.out;
}

TEST_F(BatchRunner, OptionsReachTheirBoxesASavedCaseGivesTheSameRunAnyNameIsWritten) {
  ProcessResult r = Batch({"--bay-area",        "1,000",    "--mean-depth",       "18.0",
                           "--mouth-length",    "7e0",      "--open-sea-quality", "2.40",
                           "--inflow-quality",  " 1e1",     "--inflow-rate",      "331.0",
                           "--section-factor",  "2.0",      "--quality-factor",   "5.0",
                           "--quantity-factor", "0.2",      "--save-case",        "saved.json",
                           "--output",          "first.txt"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(Names(), (Args{"first.txt", "saved.json"}));
  std::vector<std::string> lines = ReadCp932Lines(folder_.File("first.txt"));  // as typed
  EXPECT_EQ(lines.at(4), "    湾面積(km2)=1,000　平均水深(m)=18.0　湾容積(km3)= 18 ");
  EXPECT_EQ(lines.at(5), "    湾口部長さ(km)=7e0　湾口部水深(m)=18.0　湾口部断面積(km2)= 0.126 ");
  EXPECT_EQ(lines.at(6), "    外海水水質(g/m3)=2.40");
  EXPECT_EQ(lines.at(7),
            "    流入水水質(g/m3)= 1e1　流入水流量(m3/秒)=331.0　流入負荷量(g/秒)= 3310 ");
  EXPECT_EQ(lines.at(10), "    湾口部断面積(×倍)= 2 　　 (変更)湾口部断面積(km2)= 0.252 ");
  EXPECT_EQ(lines.at(11),
            "    流入水水質(×倍)= 5 　流入水水量(×倍)= 0.2 　　 (変更)流入負荷量(g/秒)= 3310 ");

  // The case replaces the options before it; the options after it win.
  r = Batch({"--bay-area", "700", "--quality-factor", "0.5", "--case", "saved.json"});
  EXPECT_EQ(Bytes(), Bytes("first.txt"));
  r = Batch({"--case", "saved.json", "--bay-area", "700", "--quality-factor", "0.5"});
  lines = ReadCp932Lines(folder_.File("Kurimo_OUT.txt"));
  EXPECT_EQ(lines.at(4), "    湾面積(km2)=700　平均水深(m)=18.0　湾容積(km3)= 12.6 ");
  EXPECT_EQ(lines.at(11).rfind("    流入水水質(×倍)= 0.5 ", 0), 0u) << lines.at(11);

  // A report name in Shift_JIS (湾 is 0x98 0x70, which is no UTF-8) is written, and comes out
  // in the JSON with a replacement character, not a crash.
  r = Run("/bin/sh",
          {"-c", "exec \"$0\" --json --output \"$(printf '\\230\\160.txt')\"", KURIMO_BATCH_PATH});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(json::parse(r.out).at("output_file"), "\xEF\xBF\xBDp.txt");
  EXPECT_EQ(Names(), (Args{"Kurimo_OUT.txt", "first.txt", "saved.json", "\x98p.txt"}));
  // Standard error shows such a name, or an option's text, as the JSON does.
  for (const auto& [option, said] :
       {std::pair{"--output", "出力ファイル「\xEF\xBF\xBDp/x」に"},
        std::pair{"--bay-area", "（--bay-area \"\xEF\xBF\xBDp/x\"）"}}) {
    r = Run("/bin/sh",
            {"-c", "exec \"$0\" \"$1\" \"$(printf '\\230\\160')/x\"", KURIMO_BATCH_PATH, option});
    EXPECT_NE(r.err.find(said), std::string::npos) << r.err;
  }
}

// How a command ends, by itself or stopped by a signal as Ctrl-C stops it: its status, a part
// of its message, the JSON status ("" when nothing reaches standard output), and whether the
// earlier report is kept. No table, no temporary file, nothing else is left.
struct Ending {
  const char* name;
  Args args;
  int status;
  std::string said, json;
  int signal = 0;  // sent once the run is under way
  bool kept = true;
  std::string shell = "";  // run before the program: a file-size limit, a full standard output
  friend void PrintTo(const Ending& e, std::ostream* os) { *os << e.name; }
};

class Endings : public BatchRunner, public ::testing::WithParamInterface<Ending> {};

TEST_P(Endings, AreToldAndLeaveOnlyWhatTheyMust) {
  const Ending& e = GetParam();
  Write("Kurimo_OUT.txt", "left by an earlier run");
  Write("s.csv", "an earlier series");
  Write("good.json", kurimo::CaseFileText(kurimo::DefaultSavedCase()));
  const ProcessResult r =
      Run("/bin/sh", With({"-c", e.shell + "\nexec \"$0\" \"$@\"", KURIMO_BATCH_PATH}, e.args), "",
          e.signal ? SignalAfter(e.signal) : nullptr);
  EXPECT_EQ(r.status, e.status) << r.err;
  EXPECT_NE(r.err.find(e.said), std::string::npos) << r.err;
  EXPECT_EQ(e.json.empty() ? r.out : json::parse(r.out).value("status", ""), e.json);
  EXPECT_EQ(Bytes() == "left by an earlier run", e.kept);
  // No ending writes the series in its place: a run that did not complete leaves it.
  EXPECT_EQ(Bytes("s.csv"), "an earlier series");
  EXPECT_EQ(Names(), (Args{"Kurimo_OUT.txt", "good.json", "s.csv"}));
}

const std::string kStopped =
    "計算を中止しました。出力ファイル「Kurimo_OUT.txt」は書き換えていません";
const Args kEndless = With(BatchArgs(kEndlessCase), {"--series", "s.csv", "--json"});
const std::string kTooBig = "に書き込めません（ファイルが、許された大きさの上限を超えます）";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Batch, Endings, ::testing::Values(
    Ending{"ConditionText", {"--bay-area", "0.5", "--json"}, kExitBadInput,
           "湾面積の入力制限: 湾面積は1km2以上にしてください。（--bay-area \"0.5\"）", ""},
    Ending{"FactorEntry", {"--section-factor", "5.0"}, kExitBadInput,
           "--section-factor に「5.0」は選べません。選べる値: 1.0, 0.2, 0.5, 0.8, 1.2, 1.5, 2.0\n", ""},
    Ending{"UnknownOption", {"--no-such-option"}, kExitBadInput,
           "引数が正しくありません: 使えない引数があります（--no-such-option）。\n--help で使い方を表示します。\n", ""},
    Ending{"OptionWithoutItsText", {"--bay-area"}, kExitBadInput,
           "引数が正しくありません: --bay-area に付ける値の数が正しくありません。", ""},
    Ending{"EmptyFileName", {"--series", ""}, kExitBadInput, "--series のファイル名が空です", ""},
    Ending{"OptionBeforeACase", {"--bay-area", "0.5", "--case", "good.json"}, kExitBadInput,
           "湾面積の入力制限", ""},
    Ending{"RefusedCaseFile", {"--case", "absent.json", "--json"}, kExitBadInput,
           "ケースファイル「absent.json」を開けません。ファイルを読み込めません（ファイルが見つかりません）", ""},
    Ending{"TargetMean", {"--target-mean", "-0.5"}, kExitBadInput, "0 以上の数値", ""},
    Ending{"OutputInAMissingFolder", {"--output", "no/out.txt", "--json"}, kExitFileError,
           "出力ファイル「no/out.txt」に書き込めません（フォルダーが見つかりません）。書き込みの"
           "できる場所を --output で指定してから、もう一度計算してください。", "output_file_failed"},
    Ending{"UnsavableCase", {"--save-case", "no/c.json"}, kExitFileError, "ケースファイルのエラー", ""},
    Ending{"UnwritableSeries", {"--series", "no/s.csv", "--json"}, kExitFileError,
           "CSVファイルのエラー", "done", 0, false},
    Ending{"ResultOnAFullDisk", {}, kExitFileError, "標準出力に書き込めません", "", 0, false,
           "exec >/dev/full"},
    Ending{"VersionOnAFullDisk", {"--version"}, kExitFileError, "標準出力に書き込めません", "", 0,
           true, "exec >/dev/full"},
    Ending{"ZeroTimeStep", With(BatchArgs(kZeroStepCase), {"--series", "s.csv", "--json"}),
           kExitRunFault, "0分", "zero_time_step"},
    Ending{"ValueTooLarge", {"--inflow-quality", "1e38", "--series", "s.csv", "--json"}, kExitRunFault,
           "出力ファイル「Kurimo_OUT.txt」は書き換えていません", "value_too_large"},
    Ending{"SweepListName", {"--sweep", "sections"}, kExitBadInput,
           "指定できる名前: section, quality, quantity", ""},
    Ending{"SweepOutputAlone", {"--sweep-output", "t.csv"}, kExitBadInput, "--sweep と一緒に", ""},
    Ending{"SweepWithJson", {"--sweep", "--json"}, kExitBadInput, "--json は指定できません", ""},
    Ending{"SweepWithOutput", {"--sweep", "--output", "x"}, kExitBadInput, "--sweep-output で指定", ""},
    Ending{"SweepWithSeries", {"--sweep", "--series", "s"}, kExitBadInput, "--series は指定できません", ""},
    Ending{"SweepWithTarget", {"--sweep", "--target-mean", "3"}, kExitBadInput,
           "--target-mean は指定できません", ""},
    Ending{"SweepToAMissingFolder", {"--sweep", "section", "--sweep-output", "no/t.csv"},
           kExitFileError, "「no/t.csv」に書き込めません", ""},
    Ending{"SweepOnAFullDisk", {"--sweep", "section"}, kExitFileError, "標準出力に書き込めません", "",
           0, true, "exec >/dev/full"},
    Ending{"MouthVelocityWarning", With(BatchArgs(kWarningCase), {"--json"}), kExitOk,
           "流量等の入力制限: ", "done", 0, false},
    Ending{"ReportPastTheFileSizeLimit", {"--series", "s.csv", "--json"}, kExitFileError,
           "出力ファイルのエラー: 出力ファイル「Kurimo_OUT.txt」" + kTooBig, "output_file_failed",
           0, true, "ulimit -f 0"},
    Ending{"SeriesPastTheFileSizeLimit", {"--series", "s.csv", "--json"}, kExitFileError,
           "CSVファイルのエラー: 時系列のCSVファイル「s.csv」" + kTooBig, "done", 0, false, "ulimit -f 8"},
    Ending{"SIGINT", kEndless, 128 + SIGINT, kStopped, "cancelled", SIGINT},
    Ending{"SIGTERM", kEndless, 128 + SIGTERM, kStopped, "cancelled", SIGTERM},
    Ending{"SIGHUP", kEndless, 128 + SIGHUP, kStopped, "cancelled", SIGHUP},
    Ending{"SweepSIGTERM", With(BatchArgs(kEndlessCase), {"--sweep", "--sweep-output", "t.csv"}),
           128 + SIGTERM, "計算を中止しました。表は書いていません。", "", SIGTERM}),
    [](const auto& row) { return std::string(row.param.name); });
// clang-format on

// --- Pipes (FIFOs) as files, which have their other end are used as any file (the file
// writer's and the case reader's own tests). Here the program refuses the others at once,
// with its status; and a stop while it waits for a pipe (a series that its reader does not
// take, a case that its writer does not send) ends it with the signal's status, no file left
// half-written. Each run may take 20 seconds at most: a run that waits for the other end of
// a pipe fails the test instead of holding up the suite.
TEST_F(BatchRunner, PipesWithoutTheOtherEndAreRefusedAtOnceAndAStopEndsAWaitForOne) {
  constexpr int kPipeSeconds = 20;
  ASSERT_EQ(mkfifo(folder_.File("p").c_str(), 0600), 0);
  const std::string noReader =
      "「p」に書き込めません（読み出すプログラムのいないパイプか、"
      "つながっていない装置です）。書き込みのできる場所を --";
  const std::tuple<Args, int, std::string> refused[] = {
      {{"--output", "p"}, kExitFileError, "出力ファイル" + noReader + "output で指定"},
      {{"--series", "p"}, kExitFileError, "時系列のCSVファイル" + noReader + "series で指定"},
      {{"--sweep", "section", "--sweep-output", "p"},
       kExitFileError,
       "出力ファイル" + noReader + "sweep-output で指定"},
      {{"--case", "p"},
       kExitBadInput,
       "ケースファイル「p」を開けません。ファイルを読み込めません（書き込むプログラムのいない"
       "パイプです）。"},
  };
  for (const auto& [args, status, said] : refused) {
    const ProcessResult r = Run(KURIMO_BATCH_PATH, args, "", {}, kPipeSeconds);
    EXPECT_EQ(r.status, status) << args[0] << "\n" << r.err;
    EXPECT_NE(r.err.find(said), std::string::npos) << r.err;
  }
  EXPECT_EQ(Names(), (Args{"Kurimo_OUT.txt", "p"})) << "the series run wrote its report";

  // The pipe opened for reading and writing neither waits nor ends the pipe by itself (not
  // inherited: the program would hold its own pipe open).
  const auto openBothEnds = [&] { return ::open(folder_.File("p").c_str(), O_RDWR | O_CLOEXEC); };
  const int pipe = openBothEnds();
  // The series (about 180 KB) fills the pipe and waits; the signal comes once it waits.
  ProcessResult r = Run(
      KURIMO_BATCH_PATH, {"--series", "p"}, "",
      [&](pid_t pid) {
        pollfd filled{pipe, POLLIN, 0};
        EXPECT_EQ(::poll(&filled, 1, 10000), 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_EQ(::kill(pid, SIGTERM), 0);
      },
      kPipeSeconds);
  ::close(pipe);
  EXPECT_EQ(r.status, 128 + SIGTERM) << r.err;
  EXPECT_NE(r.err.find("時系列のCSVファイル「p」は書き換えていません"), std::string::npos) << r.err;
  EXPECT_EQ(Names(), (Args{"Kurimo_OUT.txt", "p"})) << "no temporary file";
  const int silent = openBothEnds();  // the case's writer is there but sends nothing
  r = Run(KURIMO_BATCH_PATH, {"--case", "p"}, "", SignalAfter(SIGINT), kPipeSeconds);
  ::close(silent);
  EXPECT_EQ(r.status, 128 + SIGINT) << r.err;
  EXPECT_NE(r.err.find("ケースファイル「p」を読み終えていないため、計算していません"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(Names(), (Args{"Kurimo_OUT.txt", "p"}));
}

// --- Sweeps.

// The table's lines (the heading first, after the byte-order mark), split into cells.
std::vector<Args> Table(const std::string& bytes) {
  std::vector<Args> rows;
  for (const std::string& line : SplitCrLfLines(bytes)) {
    Args& cells = rows.emplace_back(1);
    for (const char c : line)
      c == ',' ? (void)cells.emplace_back() : cells.back().push_back(c);
  }
  return rows;
}

TEST_F(BatchRunner, SweepHasARowForEveryCombinationWithTheFiguresOfASingleRunOrWhyNot) {
  ProcessResult r = Batch({"--sweep", "--sweep-output", "table.csv"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out + r.err, "");
  EXPECT_EQ(Names(), Args{"table.csv"}) << "no Kurimo_OUT.txt";
  const std::vector<Args> t = Table(Bytes("table.csv"));
  ASSERT_EQ(t.size(), 449u);
  EXPECT_EQ(t[0],
            (Args{"\xEF\xBB\xBF湾口部断面積(×倍)", "流入水水質(×倍)", "流入水水量(×倍)",
                  "(変更)湾口部断面積(km2)", "(変更)流入負荷量(g/秒)", "滞留時間(日)", "閉鎖度",
                  "流入負荷量÷湾容積(g/m3/日)", "タイムステップ(分)", "ステップ数",
                  "湾内平均水質(g/m3)", "ボックス1水質(g/m3)", "ボックス2水質(g/m3)",
                  "ボックス3水質(g/m3)", "ボックス4水質(g/m3)", "ボックス5水質(g/m3)", "状態"}));
  std::set<Args> combinations;
  for (std::size_t i = 1; i < t.size(); ++i) {
    ASSERT_EQ(t[i].size(), 17u);
    EXPECT_EQ(t[i][16], "done");
    combinations.insert({t[i][0], t[i][1], t[i][2]});
  }
  EXPECT_EQ(combinations.size(), 448u);
  // Lists of 7, 8 and 8 entries, the last varying fastest: 0.5 (3rd), 2.0 (7th), 0.2 (2nd).
  const Args& row = t[1 + 2 * 64 + 6 * 8 + 1];
  EXPECT_EQ(row[0] + row[1] + row[2], "0.52.00.2");
  r = Batch(
      {"--section-factor", "0.5", "--quality-factor", "2.0", "--quantity-factor", "0.2", "--json"});
  const json j = json::parse(r.out);
  const json cells[] = {j["indicators"]["residence_time_days"], j["time_step_minutes"], j["steps"],
                        j["bay_average"]};
  for (int c = 0; c < 4; ++c)
    EXPECT_EQ(json::parse(row[std::array{5, 8, 9, 10}[c]]), cells[c]) << c;
  for (int b = 0; b < 5; ++b)
    EXPECT_EQ(json::parse(row[11 + b]), j["concentrations"][b]) << "box " << b + 1;

  // Abandoned cases say why and have no results. A river quality near the end of single
  // precision: the larger factors overflow.
  r = Batch({"--inflow-quality", "1e34", "--sweep", " quality "});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_NE(r.err.find("8 ケースのうち、警告 0 ケース、中止 4 ケース"), std::string::npos) << r.err;
  std::vector<Args> small = Table(r.out);
  ASSERT_EQ(small.size(), 9u);
  EXPECT_EQ(small[1][16], "done");
  EXPECT_EQ(Args(small[8].begin() + 9, small[8].end()),
            (Args{"12623", "", "", "", "", "", "", "abandoned: value_too_large"}));
  r = Batch(With(BatchArgs(kZeroStepCase), {"--sweep", "quality"}));
  small = Table(r.out);
  ASSERT_EQ(small.size(), 9u);
  EXPECT_EQ(Args(small[1].begin() + 8, small[1].end()),
            (Args{"0", "", "", "", "", "", "", "", "abandoned: zero_time_step"}));
}

}  // namespace
