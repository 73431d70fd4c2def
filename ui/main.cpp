// kurimo: the desktop window.
#include <QApplication>

#include "look.h"
#include "main_window.h"
#include "message_presenter.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  kurimo::InstallWindowLook();
  kurimo::MessageBoxPresenter messages;
  kurimo::MainWindow window(messages);
  window.show();
  return QApplication::exec();
}
