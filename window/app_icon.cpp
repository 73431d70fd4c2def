#include "app_icon.h"

#include <QDir>
#include <QRegularExpression>
#include <QSize>

namespace kurimo {

QIcon AppIcon() {
  static const QRegularExpression kName(QStringLiteral("^kurimo-(\\d+)\\.png$"));
  QIcon icon;
  const QDir folder(QStringLiteral(":/icons"));
  for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
    const QRegularExpressionMatch match = kName.match(name);
    if (!match.hasMatch()) continue;
    const int size = match.captured(1).toInt();
    icon.addFile(folder.filePath(name), QSize(size, size));
  }
  return icon;
}

}  // namespace kurimo
