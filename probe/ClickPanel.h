// A panel that shows a line of text and reports clicks.
#pragma once

#include <QLabel>

namespace ravprobe {

class ClickPanel : public QLabel {
    Q_OBJECT
public:
    explicit ClickPanel(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace ravprobe
