#include "message_presenter.h"

#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>
#include <QString>

#include "qt_text.h"

namespace kurimo {

void MessageBoxPresenter::Show(QWidget* parent, std::string_view text, std::string_view title) {
  QString shown = ToQString(text);
  // A carriage return alone starts a new line in the message; Qt's labels break only at
  // line feeds.
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  QMessageBox box(QMessageBox::NoIcon, ToQString(title), shown, QMessageBox::Ok, parent);
  // A message box sizes itself to its text; make room for the whole title as well, as
  // the title says what the message is about.
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    const int titleWidth = box.fontMetrics().horizontalAdvance(box.windowTitle()) + 120;
    grid->addItem(new QSpacerItem(titleWidth, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
  box.exec();
}

}  // namespace kurimo
