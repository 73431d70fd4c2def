// Both programs' --version, and kurimo --pdf, run with no display in their environment: the
// report of the default case or of a case file read back with pdftotext, and what fails.
#include <gtest/gtest.h>

#include <fstream>

#include "case_file.h"
#include "process_runner.h"

namespace {

using namespace kurimo::test;

class NoDisplay : public InFolder {
 protected:
  ProcessResult Window(const Args& args, const std::string& stdoutFile = "") const {
    return Run(KURIMO_WINDOW_PATH, args, stdoutFile);
  }
  void ExpectText(const std::string& pdf, const std::vector<std::string>& parts) const {
    const std::string text = Run(KURIMO_PDFTOTEXT_PATH, {pdf, "-"}).out;
    for (const std::string& part : parts)
      EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
  }
};

TEST_F(NoDisplay, VersionIsPrintedAndAWindowIsRefusedInOneLine) {
  EXPECT_EQ(Run(KURIMO_BATCH_PATH, {"--bay-area", "500", "--version", "--json"}).out,
            "kurimo-batch " KURIMO_PROJECT_VERSION "\n");
  ProcessResult r = Window({"--version"});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out, "kurimo " KURIMO_PROJECT_VERSION "\n");
  EXPECT_EQ(Window({"--version"}, "/dev/full").status, kExitFileError);
  r = Window({});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "kurimo: 画面（DISPLAY または WAYLAND_DISPLAY）がないため、ウィンドウを開けません。"
            "画面のない所では kurimo-batch で計算してください。\n");
  EXPECT_TRUE(Names().empty());
}

TEST_F(NoDisplay, PdfReportOfTheDefaultCaseAndOfACaseFile) {
  ProcessResult r = Window({"--pdf", "report.pdf"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out + r.err, "");
  EXPECT_EQ(Names(), Args{"report.pdf"}) << "no Kurimo_OUT.txt";
  ExpectText("report.pdf", {"計算結果報告書", "無題", "1000", "×1.0", "629.4", "3.15", "3.63",
                            "2.66", "718 分（短縮なし）", "湾内ボックスの濃度の時間変化"});

  std::ofstream(folder_.File("half.json"))
      << kurimo::CaseFileText({{"500", "18", "7", "2.4", "10", "331"}, {"0.5", "1.0", "1.0"}});
  r = Window({"--pdf", "half.pdf", "--case", "half.json", "--output", "Kurimo_OUT.txt"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(Names(), (Args{"Kurimo_OUT.txt", "half.json", "half.pdf", "report.pdf"}));
  ExpectText("half.pdf", {"half.json", "500", "×0.5"});
}

TEST_F(NoDisplay, PdfFailuresEndWithTheirStatusAndKeepTheEarlierFile) {
  std::ofstream(folder_.File("bad.json")) << "{not json";
  std::ofstream(folder_.File("huge.json"))
      << kurimo::CaseFileText({{"1000", "18", "7", "2.4", "1e38", "331"}, {"1.0", "1.0", "1.0"}});
  std::ofstream(folder_.File("report.pdf")) << "earlier";
  using Row = std::tuple<Args, int, std::string>;  // the command, its status, what it says
  for (const auto& [args, status, said] : std::vector<Row>{
           {{"--pdf", "report.pdf", "bad.json"}, kExitBadInput, "ケースファイル"},
           {{"--pdf", "report.pdf", "huge.json"}, kExitRunFault, "流入水水質"},
           {{"--pdf", "missing/report.pdf"}, kExitFileError, "missing/report.pdf"},
           {{"--pdf", "report.pdf", "--output", "missing/o.txt"}, kExitFileError, "missing/o.txt"},
           // Files may not grow beyond 8 KiB, so the page cannot be written out; the program
           // itself keeps SIGXFSZ from ending it.
           {{"-c", "ulimit -f 8; exec \"$0\" --pdf report.pdf", KURIMO_WINDOW_PATH},
            kExitFileError,
            "報告書のPDFファイル「report.pdf」に書き込めません（ファイルが、許された大きさの上限を"
            "超えます）。"}}) {
    const ProcessResult r = args[0] == "-c" ? Run("/bin/bash", args) : Window(args);
    EXPECT_EQ(r.status, status) << r.err;
    EXPECT_NE(r.err.find(said), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(folder_.File("report.pdf")).substr(0, 16), "earlier");
    EXPECT_EQ(Names(), (Args{"bad.json", "huge.json", "report.pdf"}));
  }
}

}  // namespace
