// Texts cross from the handlers (UTF-8) to Qt here.
#pragma once

#include <QString>
#include <string_view>

namespace kurimo {

inline QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace kurimo
