// kurimo: the desktop window.
#include <QApplication>
#include <cstdio>

#include "look.h"
#include "main_window.h"
#include "message_presenter.h"

int main(int argc, char* argv[]) {
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
  kurimo::InstallWindowLook();
  kurimo::MessageBoxPresenter messages;
  kurimo::MainWindow window(messages);
  window.show();
  return QApplication::exec();
}
