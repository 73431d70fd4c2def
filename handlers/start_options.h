// What the window program is asked to do at start, from its command line:
//   kurimo [CASE] [--output PATH]     open the window (with the case, reports at PATH)
//   kurimo --pdf OUT.pdf [CASE] [--output PATH]   the case's report as a PDF, no window
//   kurimo --version | --help
#pragma once

#include <optional>
#include <string>

namespace kurimo {

struct StartOptions {
  std::optional<std::string> caseFile;    // a case file to open (positional or --case)
  std::optional<std::string> outputPath;  // where runs write their report
  std::optional<std::string> pdfPath;     // write the report there instead of opening a window
};

// Either the options, or the end of the program: its exit status and what to print
// (to standard output for --help and --version, to standard error otherwise).
struct StartParse {
  std::optional<StartOptions> options;
  int exitStatus = 0;
  std::string text;
  bool textIsError = false;
};

StartParse ParseStartOptions(int argc, const char* const* argv);

}  // namespace kurimo
