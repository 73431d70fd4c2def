// Both programs' --version, and kurimo --pdf, run with no display in their environment: the
// report of the default case or of a case file read back with pdftotext, under a
// decimal-comma locale, and what fails.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "case_file.h"
#include "decimal_comma_locale.h"
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

// Qt sets the C library's locale from the environment as it starts; a German desktop's
// writes 1,5. The default run's file is still the golden one, and its report says the same.
TEST_F(NoDisplay, PdfReportOfTheDefaultCaseAndOfACaseFileUnderADecimalCommaLocale) {
  const DecimalCommaLocale locale;
  SCOPED_TRACE(locale.Missing() ? DecimalCommaLocale::kMissing : "under de_DE.UTF-8");
  if (!locale.Missing()) {  // otherwise in the C locale
    ASSERT_EQ(locale.Problem(), "");
    childEnvironment_ = locale.Environment();
    ASSERT_EQ(Run("locale", {"decimal_point"}).out, ",\n");  // in force for every program
  }
  ProcessResult r = Window({"--pdf", "report.pdf", "--output", "report.txt"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(r.out + r.err, "");
  EXPECT_EQ(ReadBytes(folder_.File("report.txt")),
            ReadBytes(KURIMO_TEST_DATA_DIR "/default-Kurimo_OUT.txt"));
  ExpectText("report.pdf", {"計算結果報告書", "無題", "1000", "×1.0", "629.4", "4.52", "3.15",
                            "3.63", "2.66", "718 分（短縮なし）", "湾内ボックスの濃度の時間変化"});

  std::ofstream(folder_.File("half.json"))
      << kurimo::CaseFileText({{"500", "18", "7", "2.4", "10", "331"}, {"0.5", "1.0", "1.0"}});
  r = Window({"--pdf", "half.pdf", "--case", "half.json"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(Names(), (Args{"half.json", "half.pdf", "report.pdf", "report.txt"}))
      << "no Kurimo_OUT.txt";
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
           // In a terminal's words: the file is given with --output, there is no menu.
           {{"--pdf", "report.pdf", "--output", "missing/o.txt"},
            kExitFileError,
            "kurimo: 出力ファイルのエラー: "
            "出力ファイル「missing/o.txt」に書き込めません（フォルダー"
            "が見つかりません）。書き込みのできる場所を --output で指定してから、もう一度計算して"
            "ください。"},
           // A name in Shift_JIS (湾 is 98 70) is shown with a replacement character.
           {{"-c", "exec \"$0\" --pdf report.pdf --case \"$(printf '\\230\\160')\"",
             KURIMO_WINDOW_PATH},
            kExitBadInput,
            "ケースファイル「\xEF\xBF\xBDp」を開けません。"},
           // Files may not grow beyond 8 KiB, so the page cannot be written out; the program
           // itself keeps SIGXFSZ from ending it.
           {{"-c", "ulimit -f 8; exec \"$0\" --pdf report.pdf", KURIMO_WINDOW_PATH},
            kExitFileError,
            "報告書のPDFファイル「report.pdf」に書き込めません（ファイルが、許された大きさの上限を"
            "超えます）。"}}) {
    const ProcessResult r = args[0] == "-c" ? Run("/bin/bash", args) : Window(args);
    EXPECT_EQ(r.status, status) << r.err;
    EXPECT_NE(r.err.find(said), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("メニュー"), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(folder_.File("report.pdf")).substr(0, 16), "earlier");
    EXPECT_EQ(Names(), (Args{"bad.json", "huge.json", "report.pdf"}));
  }
}

// Stopped by a signal, as kurimo-batch is: during the run, or while a case pipe's writer
// sends nothing; a case pipe without a writer is refused at once. Twenty seconds at most
// each, so that a wait that never ends fails the test.
TEST_F(NoDisplay, PdfStopsOnASignalAndNeverWaitsForACasePipeWithoutAWriter) {
  std::ofstream(folder_.File("report.pdf")) << "earlier";
  std::ofstream(folder_.File("endless.json"))
      << kurimo::CaseFileText({{"1000", "18", "7", "2.4", "10", "0.001"}, {"1.0", "1.0", "1.0"}});
  ASSERT_EQ(mkfifo(folder_.File("p").c_str(), 0600), 0);
  ProcessResult r = Run(KURIMO_WINDOW_PATH, {"--pdf", "report.pdf", "--case", "p"}, "", {}, 20);
  EXPECT_EQ(r.status, kExitBadInput) << r.err;
  EXPECT_NE(r.err.find("書き込むプログラムのいないパイプです"), std::string::npos) << r.err;

  const int silent = ::open(folder_.File("p").c_str(), O_RDWR | O_CLOEXEC);
  for (const char* caseFile : {"endless.json", "p"}) {
    r = Run(KURIMO_WINDOW_PATH, {"--pdf", "report.pdf", "--case", caseFile}, "",
            SignalAfter(SIGTERM, 1000), 20);
    EXPECT_EQ(r.status, 128 + SIGTERM) << caseFile << "\n" << r.err;
    EXPECT_EQ(r.err, "kurimo: 中止しました。報告書は書いていません。\n") << caseFile;
    EXPECT_EQ(ReadBytes(folder_.File("report.pdf")), "earlier");
    EXPECT_EQ(Names(), (Args{"endless.json", "p", "report.pdf"}));
  }
  ::close(silent);
}

}  // namespace
