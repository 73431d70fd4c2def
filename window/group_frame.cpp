#include "group_frame.h"

#include <QPainter>

namespace kurimo {

GroupFrame::GroupFrame(QWidget* parent, const QString& caption, bool showCaption)
    : QWidget(parent), caption_(caption), showCaption_(showCaption) {
  setAccessibleName(caption);
}

void GroupFrame::SetColour(const QColor& colour) {
  colour_ = colour;
  update();
}

void GroupFrame::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), colour_);
  painter.setPen(QColor(96, 96, 96));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  if (showCaption_) {
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setFont(font());
    painter.drawText(rect().adjusted(3, 1, -2, -2), Qt::AlignLeft | Qt::AlignTop, caption_);
  }
}

}  // namespace kurimo
