// kurimo --pdf run as a child process without any display: the report of the default case or
// of a case file, its text read back with pdftotext, and the statuses of what fails.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "process_runner.h"
#include "test_helpers.h"

namespace {

namespace fs = std::filesystem;
using kurimo::test::Args;
using kurimo::test::kExitBadInput;
using kurimo::test::kExitFileError;
using kurimo::test::kExitOk;
using kurimo::test::kExitRunFault;
using kurimo::test::ProcessResult;

std::string CaseJson(const char* bayArea, const char* inflowQuality, const char* section) {
  return std::string(R"({"format": "kurimo-case", "version": 1, "conditions": {"bay_area": ")") +
         bayArea +
         R"(", "mean_depth": "18", "mouth_length": "7", "open_sea_quality": "2.4",
         "inflow_quality": ")" +
         inflowQuality + R"(", "inflow_rate": "331"}, "multipliers": {"section": ")" + section +
         R"(", "quality": "1.0", "quantity": "1.0"}})";
}

class ReportPdf : public ::testing::Test {
 protected:
  // The children inherit this environment: no display of any kind.
  static void SetUpTestSuite() {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("QT_QPA_PLATFORM");
  }

  ProcessResult Run(const Args& args) const {
    return kurimo::test::RunProcess(KURIMO_WINDOW_PATH, args, dir_.string(),
                                    std::chrono::seconds(60));
  }
  // The text of a PDF file in the folder, as pdftotext reads it.
  std::string PdfText(const std::string& name) const {
    const ProcessResult r =
        kurimo::test::RunProcess(KURIMO_PDFTOTEXT_PATH, {name, "-"}, dir_.string());
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
  }
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream((dir_ / name).string(), std::ios::binary) << bytes;
  }
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  kurimo::test::TempFolder folder_;
  const fs::path dir_ = folder_.path();
};

TEST_F(ReportPdf, TheDefaultCasesReportHoldsItsFiguresAndLeavesNoOutputFile) {
  const ProcessResult r = Run({"--pdf", "report.pdf"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(Files(), std::vector<std::string>{"report.pdf"}) << "no Kurimo_OUT.txt";
  const std::string text = PdfText("report.pdf");
  for (const char* expected : {"計算結果報告書",
                               "無題",
                               "湾面積(km2)",
                               "1000",
                               "331",
                               "×1.0",
                               "滞留時間(日)",
                               "629.4",
                               "湾内平均水質(g/m3)",
                               "3.15",
                               "淡水の滞留時間(日)",
                               "交換を含むフラッシング時間(日)",
                               "718 分（短縮なし）",
                               "ボックス1（湾奥）",
                               "3.63",
                               "ボックス5（湾口）",
                               "2.66",
                               "(g/m3)",
                               "湾内ボックスの濃度の時間変化",
                               "経過日数（日）"}) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  }
}

TEST_F(ReportPdf, ACaseFileGivesItsOwnReportAndOutputOnlyWhenAsked) {
  Write("half.json", CaseJson("500", "10", "0.5"));
  const ProcessResult r =
      Run({"--pdf", "half.pdf", "--case", "half.json", "--output", "Kurimo_OUT.txt"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(Files(), (std::vector<std::string>{"Kurimo_OUT.txt", "half.json", "half.pdf"}));
  const std::string text = PdfText("half.pdf");
  for (const char* expected : {"half.json", "500", "×0.5"}) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  }
  EXPECT_EQ(text.find("無題"), std::string::npos);
}

TEST_F(ReportPdf, FailuresEndWithTheirStatusAndLeaveEarlierFilesAsTheyWere) {
  Write("bad.json", "{not json");
  Write("huge.json", CaseJson("1000", "1e38", "1.0"));
  Write("report.pdf", "earlier");
  struct Row {
    const char* name;
    std::string program;
    Args args;
    int status;
    const char* said;  // a part of the message on standard error
  };
  const std::vector<Row> rows = {
      {"a refused case file",
       KURIMO_WINDOW_PATH,
       {"--pdf", "report.pdf", "bad.json"},
       kExitBadInput,
       "ケースファイル"},
      {"an abandoned run",
       KURIMO_WINDOW_PATH,
       {"--pdf", "report.pdf", "huge.json"},
       kExitRunFault,
       "流入水水質"},
      {"a missing folder",
       KURIMO_WINDOW_PATH,
       {"--pdf", "missing/report.pdf"},
       kExitFileError,
       "missing/report.pdf"},
      // Files may not grow beyond 8 KiB: the page cannot be written out (root can write
      // anywhere, so the size limit stands for a full disk).
      {"a page that cannot be written",
       "/bin/bash",
       {"-c", std::string("trap '' XFSZ; ulimit -f 8; exec '") + KURIMO_WINDOW_PATH +
                  "' --pdf report.pdf"},
       kExitFileError,
       "報告書のPDFファイル「report.pdf」に書き込めません（ファイルが大きすぎます"},
  };
  for (const Row& row : rows) {
    const ProcessResult r =
        kurimo::test::RunProcess(row.program, row.args, dir_.string(), std::chrono::seconds(60));
    EXPECT_EQ(r.status, row.status) << row.name << ": " << r.err;
    EXPECT_NE(r.err.find(row.said), std::string::npos) << row.name << ": " << r.err;
    // Only the head of whatever replaced it: a PDF file's bytes say nothing more.
    EXPECT_EQ(kurimo::test::ReadBytes((dir_ / "report.pdf").string()).substr(0, 16), "earlier")
        << row.name;
    EXPECT_EQ(Files(), (std::vector<std::string>{"bad.json", "huge.json", "report.pdf"}))
        << row.name;
  }
}

}  // namespace
