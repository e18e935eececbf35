// A status lamp of the main window: lit in its colour (green unless told
// otherwise), or dark in the button face of its window.
#pragma once

#include <QColor>
#include <QFrame>

namespace ravprobe {

class Lamp : public QFrame {
    Q_OBJECT
public:
    static QColor green() { return {0x00, 0x80, 0x00}; }
    static QColor yellow() { return {0xFF, 0xFF, 0x00}; }

    explicit Lamp(QWidget* parent = nullptr);

    void setLitColour(const QColor& colour) { litColour_ = colour; }

public slots:
    void setLit(bool lit);

private:
    QColor litColour_ = green();
};

}  // namespace ravprobe
