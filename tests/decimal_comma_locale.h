// A decimal-comma locale, German as a desktop session would choose it, made with localedef
// into a fresh folder: the system's locales stay as they are, and a program finds this one
// through LOCPATH. The number texts must not change under it.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "test_helpers.h"

namespace kurimo::test {

class DecimalCommaLocale {
 public:
  static constexpr const char* kName = "de_DE.UTF-8";
  static constexpr const char* kMissing =
      "localedef is not installed (Debian's libc-bin and locales): the decimal-comma locale "
      "cannot be made, so the number texts are not checked under it";

  DecimalCommaLocale() {
    const std::string command = "localedef -i de_DE -f UTF-8 '" + folder_.File(kName) + "'";
    const int status = std::system(command.c_str());
    missing_ = WIFEXITED(status) && WEXITSTATUS(status) == 127;  // the shell found none
    if (!missing_ && status != 0)
      problem_ = command + " failed (status " + std::to_string(status) +
                 "): are the locale sources of Debian's locales package installed?";
  }

  bool Missing() const { return missing_; }
  // Empty when the locale was made.
  const std::string& Problem() const { return problem_; }

  // The variables that choose it for a program, as a German desktop session sets them.
  std::vector<std::pair<std::string, std::string>> Environment() const {
    return {{"LOCPATH", folder_.path().string()}, {"LANG", kName}, {"LC_ALL", kName}};
  }
  void SetInEnvironment() const {
    for (const auto& [name, value] : Environment())
      ::setenv(name.c_str(), value.c_str(), 1);
  }

 private:
  TempFolder folder_;
  bool missing_ = false;
  std::string problem_;
};

}  // namespace kurimo::test
