#include "look.h"

#include <QApplication>
#include <QFont>
#include <QStringList>
#include <QStyle>
#include <QStyleFactory>

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

  QFont font(kWindowFontFace);
  font.setPointSizeF(kWindowFontPoints);
  QApplication::setFont(font);
}

}  // namespace kurimo
