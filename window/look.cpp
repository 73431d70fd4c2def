#include "look.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QProxyStyle>
#include <QStringList>
#include <QStyle>
#include <QStyleFactory>
#include <QTranslator>

namespace kurimo {
namespace {

// Fusion, with the menu bar reachable by pressing and releasing Alt alone.
class WindowStyle final : public QProxyStyle {
 public:
  explicit WindowStyle(QStyle* base) : QProxyStyle(base) {}
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returned) const override {
    if (hint == QStyle::SH_MenuBar_AltKeyNavigation) return 1;
    return QProxyStyle::styleHint(hint, option, widget, returned);
  }
};

}  // namespace

void InstallWindowLook() {
  if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
    auto* style = new WindowStyle(fusion);
    QApplication::setStyle(style);
    QApplication::setPalette(style->standardPalette());
  }

  // Japanese whatever the environment's language: dates and sizes in Qt's dialogs, and
  // the file types they name.
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));

  const QStringList proportional = {QStringLiteral("IPAPGothic"), QStringLiteral("IPA Pゴシック")};
  const QStringList fixed = {QStringLiteral("IPAGothic"), QStringLiteral("IPAゴシック")};
  QFont::insertSubstitutions(kPanelFontFace, proportional);
  QFont::insertSubstitutions(QStringLiteral("MS PGothic"), proportional);
  QFont::insertSubstitutions(QStringLiteral("MS UI Gothic"), proportional);
  QFont::insertSubstitutions(QStringLiteral("ＭＳ ゴシック"), fixed);
  QFont::insertSubstitutions(QStringLiteral("MS Gothic"), fixed);

  // Qt's own dialogs (file dialogs, the buttons of message boxes) in Japanese as well.
  auto* translator = new QTranslator(qApp);
  if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                       QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(translator);
  } else {
    delete translator;
  }

  QFont font(kWindowFontFace);
  font.setPointSizeF(kWindowFontPoints);
  QApplication::setFont(font);
}

}  // namespace kurimo
