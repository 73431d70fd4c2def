// kurimo: the desktop window.
#include <QApplication>
#include <cstdio>
#include <string_view>

#include "app_icon.h"
#include "kurimo_version.h"
#include "look.h"
#include "main_window.h"
#include "message_presenter.h"

int main(int argc, char* argv[]) {
  // Answered before anything of Qt starts, so it works without a display.
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--version") {
      // A version that could not be written (a full disk, a closed pipe) is a failure.
      const bool written = std::printf("kurimo %s\n", kurimo::kVersion) > 0;
      return written && std::fflush(stdout) == 0 ? 0 : 1;
    }
  }
  // Without a display Qt would abort with an English message; say it plainly instead.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && !qEnvironmentVariableIsSet("DISPLAY") &&
      !qEnvironmentVariableIsSet("WAYLAND_DISPLAY")) {
    std::fputs(
        "kurimo: 画面（DISPLAY または WAYLAND_DISPLAY）がないため、ウィンドウを開けません。"
        "画面のない所では kurimo-batch で計算してください。\n",
        stderr);
    return 1;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationVersion(QString::fromLatin1(kurimo::kVersion));
  // Ties the window to the installed desktop entry (its name and icon in task bars).
  QApplication::setDesktopFileName(QStringLiteral("kurimo"));
  QApplication::setWindowIcon(kurimo::AppIcon());
  kurimo::InstallWindowLook();
  kurimo::MessageBoxPresenter messages;
  kurimo::MainWindow window(messages);
  window.show();
  return QApplication::exec();
}
