#include "look.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QStringList>
#include <QStyle>
#include <QStyleFactory>
#include <QTranslator>

namespace kurimo {

void InstallWindowLook() {
  if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
    QApplication::setStyle(fusion);
    QApplication::setPalette(fusion->standardPalette());
  }

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
