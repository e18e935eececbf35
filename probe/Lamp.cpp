#include "Lamp.h"

namespace ravprobe {

Lamp::Lamp(QWidget* parent) : QFrame(parent) {
    setAutoFillBackground(true);
}

void Lamp::setLit(bool lit) {
    QPalette shown = palette();
    shown.setColor(QPalette::Window, lit ? litColour_ : window()->palette().color(QPalette::Button));
    setPalette(shown);
}

}  // namespace ravprobe
