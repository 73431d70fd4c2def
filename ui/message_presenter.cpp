#include "message_presenter.h"

#include <QMessageBox>
#include <QString>

namespace kurimo {

void MessageBoxPresenter::Show(QWidget* parent, std::string_view text, std::string_view title) {
  QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  // A carriage return alone starts a new line in the message; Qt's labels break only at
  // line feeds.
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  QMessageBox box(QMessageBox::NoIcon,
                  QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())), shown,
                  QMessageBox::Ok, parent);
  box.exec();
}

}  // namespace kurimo
