// A framed group of the schematic: a coloured area with a thin edge and, if it has one, its
// caption in the top left corner.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

namespace kurimo {

class GroupFrame final : public QWidget {
 public:
  GroupFrame(QWidget* parent, const QString& caption, bool showCaption);
  void SetColour(const QColor& colour);
  QColor Colour() const { return colour_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString caption_;
  bool showCaption_;
  QColor colour_;
};

}  // namespace kurimo
