#include "start_options.h"

#include <CLI/CLI.hpp>
#include <sstream>

#include "exit_status.h"
#include "kurimo_version.h"
#include "option_messages.h"

namespace kurimo {

StartParse ParseStartOptions(int argc, const char* const* argv) {
  CLI::App app{"閉鎖性海域水質計算 Kurimo のウィンドウを開きます。", "kurimo"};
  StartOptions options;
  std::string positional;
  std::string named;
  std::string output;
  CLI::Option* positionalOption =
      app.add_option("CASE", positional, "開くケースファイル（.kurimo または .json）");
  CLI::Option* caseOption =
      app.add_option("--case", named, "開くケースファイル（CASE と同じ）")->option_text("FILE");
  CLI::Option* outputOption =
      app.add_option("--output", output, "計算結果を書くファイル（既定: Kurimo_OUT.txt）")
          ->option_text("PATH");
  std::string pdf;
  CLI::Option* pdfOption =
      app.add_option("--pdf", pdf,
                     "ウィンドウを開かずに計算し、報告書をPDFで書く（--output がなければ"
                     "計算結果のファイルは書かない）")
          ->option_text("OUT.pdf");
  positionalOption->excludes(caseOption);
  app.set_version_flag("--version", std::string("kurimo ") + kVersion, "版を表示して終わる");
  app.set_help_flag("-h,--help", "使い方を表示して終わる");

  StartParse result;
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    std::ostringstream out;
    std::ostringstream err;
    result.exitStatus = app.exit(e, out, err);
    result.text = out.str() + err.str();
    return result;
  } catch (const CLI::ParseError& e) {
    result.exitStatus = batch::kExitBadInput;
    result.text = OptionErrorText(e) + "\n";
    result.textIsError = true;
    return result;
  }
  for (const auto& [option, value, name] :
       {std::tuple{positionalOption, &positional, "CASE"}, std::tuple{caseOption, &named, "--case"},
        std::tuple{outputOption, &output, "--output"}, std::tuple{pdfOption, &pdf, "--pdf"}}) {
    if (option->count() > 0 && value->empty()) {
      result.exitStatus = batch::kExitBadInput;
      result.text = std::string(name) + " のファイル名が空です。\n";
      result.textIsError = true;
      return result;
    }
  }
  if (positionalOption->count() > 0) options.caseFile = positional;
  if (caseOption->count() > 0) options.caseFile = named;
  if (outputOption->count() > 0) options.outputPath = output;
  if (pdfOption->count() > 0) options.pdfPath = pdf;
  result.options = options;
  return result;
}

}  // namespace kurimo
