#include "ClickPanel.h"

#include <QMouseEvent>

namespace ravprobe {

ClickPanel::ClickPanel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setCursor(Qt::PointingHandCursor);
}

void ClickPanel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
  QLabel::mouseReleaseEvent(event);
}

}  // namespace ravprobe
