// The window's look: one fixed widget style, so that it does not depend on the desktop,
// and its fonts. The panel and the display boxes ask for "ＭＳ Ｐゴシック"; on Linux that
// name is mapped to IPA P Gothic, which is made to the same metrics.
#pragma once

#include <QString>

namespace kurimo {

inline const QString kPanelFontFace = QStringLiteral("ＭＳ Ｐゴシック");
// The window's own face, used by controls without a font of their own and by the legend.
inline const QString kWindowFontFace = QStringLiteral("IPAPGothic");
inline constexpr double kWindowFontPoints = 9.0;

// Sets the Fusion style with its own palette, maps the Japanese Windows face names to
// the IPA fonts and makes the window's face the application's default font. Call once,
// after the application object exists and before the window is made.
void InstallWindowLook();

}  // namespace kurimo
