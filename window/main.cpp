// kurimo: the desktop window.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>

#include "app_icon.h"
#include "echo_text.h"
#include "exit_status.h"
#include "kurimo_version.h"
#include "look.h"
#include "main_window.h"
#include "message_presenter.h"
#include "report_command.h"
#include "start_options.h"
#include "stop_signals.h"

int main(int argc, char* argv[]) {
  // A file that reaches the file-size limit fails as that file, told in a message, instead of
  // ending the program with an unfinished temporary file.
  kurimo::IgnoreFileSizeSignal();
  // Read before anything of Qt starts, so that --help, --version and mistakes are answered
  // without a display.
  const kurimo::StartParse parse = kurimo::ParseStartOptions(argc, argv);
  if (!parse.options) {
    std::FILE* stream = parse.textIsError ? stderr : stdout;
    // A mistake may quote an option given in another encoding than UTF-8.
    const std::string text = parse.textIsError ? kurimo::ValidUtf8(parse.text) : parse.text;
    // A text that could not be written (a full disk, a closed pipe) is a failure.
    const bool written = std::fputs(text.c_str(), stream) >= 0 && std::fflush(stream) == 0;
    return written || parse.exitStatus != 0 ? parse.exitStatus : kurimo::batch::kExitFileError;
  }
  const kurimo::StartOptions& options = *parse.options;
  if (options.pdfPath) {
    // Like kurimo-batch, a script's Ctrl-C, SIGTERM or SIGHUP stops the report at its next
    // look, also while it waits for a case pipe or a slow reader, and leaves the earlier
    // files as they were.
    kurimo::InstallStopHandlers();
    // The report alone needs no display: Qt draws it offscreen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's own notes (in English, about the session's folders and fonts) are not for the
    // script reading standard error; only its errors are kept.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
      if (type == QtCriticalMsg || type == QtFatalMsg) std::cerr << text.toStdString() << '\n';
    });
    QApplication app(argc, argv);
    kurimo::InstallWindowLook();
    return kurimo::WriteReportWithoutWindow(options, std::cerr);
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
  kurimo::MainWindow window(
      messages, options.outputPath.value_or(std::string(kurimo::kDefaultOutputFileName)));
  window.show();
  // The case is opened once the window stands on the screen (the window manager has placed
  // it), so that a message about the file appears over it; two seconds at most.
  if (options.caseFile) {
    auto* waiting = new QTimer(&window);
    QElapsedTimer since;
    since.start();
    QObject::connect(waiting, &QTimer::timeout, &window, [&window, &options, waiting, since] {
      const QWindow* handle = window.windowHandle();
      if (handle != nullptr && !handle->isExposed() && since.elapsed() < 2000) return;
      waiting->stop();
      waiting->deleteLater();
      window.Form().OpenCase(*options.caseFile);
    });
    waiting->start(20);
  }
  return QApplication::exec();
}
