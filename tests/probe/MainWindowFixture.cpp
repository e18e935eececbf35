#include "MainWindowFixture.h"

#include <QComboBox>
#include <QtTest>

namespace probetest {

ProbeUnderTest::ProbeUnderTest(const QString& programDir)
    : app_(std::make_unique<ravprobe::ProbeApplication>(programDir)) {
    onNextModal([](QWidget* modal) {
        if (modal->objectName() != QLatin1String("DllForm"))
            return false;
        modal->findChild<QComboBox*>(QStringLiteral("ComboBoxDllName"))->setCurrentIndex(0);
        modal->findChild<QPushButton*>(QStringLiteral("btnOk"))->click();
        return true;
    });
    if (!QTest::qWaitFor([this] { return app_->binding().loaded(); }, 10000))
        qWarning("the board library did not load");
}

void ProbeUnderTest::click(const char* button) {
    QPushButton* b = control<QPushButton>(button);
    if (b != nullptr)
        b->click();
}

void ProbeUnderTest::setText(const char* edit, const QString& text) {
    control<QLineEdit>(edit)->setText(text);
}

QString ProbeUnderTest::text(const char* edit) {
    return control<QLineEdit>(edit)->text();
}

QStringList ProbeUnderTest::logLines() {
    QCoreApplication::processEvents();
    const QString all = control<QPlainTextEdit>("memLog")->toPlainText();
    return all.isEmpty() ? QStringList() : all.split(QLatin1Char('\n'));
}

QColor ProbeUnderTest::lamp(const char* name) {
    return control<QFrame>(name)->palette().color(QPalette::Window);
}

QTableWidget* ProbeUnderTest::grid() {
    return control<QTableWidget>("sgrGM");
}

}  // namespace probetest
