// The program with the recording stand-in chosen in its board selection,
// and the main window's controls by name.
#pragma once

#include <QFrame>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>

#include <memory>

#include "ProbeApplication.h"
#include "ProbeTestSupport.h"
#include "TMainForm.h"

namespace probetest {

class ProbeUnderTest {
public:
    // programDir holds libRavlib.so; the first board item is chosen.
    explicit ProbeUnderTest(const QString& programDir);

    ravprobe::TMainForm& form() { return app_->mainForm(); }
    ravprobe::ProbeApplication& app() { return *app_; }
    bool loaded() { return app_->binding().loaded(); }

    void click(const char* button);
    void setText(const char* edit, const QString& text);
    QString text(const char* edit);
    QStringList logLines();
    QColor lamp(const char* name);
    QTableWidget* grid();
    template <typename T>
    T* control(const char* name) {
        return form().findChild<T*>(QLatin1String(name));
    }

private:
    std::unique_ptr<ravprobe::ProbeApplication> app_;
};

inline const QColor kGreen(0x00, 0x80, 0x00);
inline const QColor kYellow(0xFF, 0xFF, 0x00);

}  // namespace probetest
