// The main window's log: one line per reported result, at most 1000 lines,
// written on the GUI thread whichever thread reports.
#pragma once

#include <QObject>
#include <QString>

class QPlainTextEdit;

namespace ravprobe {

class ResultLog : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxLines = 1000;

    // memo must live on this object's thread and outlive it.
    explicit ResultLog(QPlainTextEdit* memo, QObject* parent = nullptr);

    // Appends prefix + ReturnCodeText(code). Safe from any thread; lines from
    // one thread arrive in the order they were reported.
    void ShowResult(const QString& prefix, int code);

    int lineCount() const { return lines_; }

private:
    void appendLine(const QString& line);

    QPlainTextEdit* memo_;
    int lines_ = 0;
    // The memo shows its newest line; kept so while the scroll range changes.
    bool onNewest_ = true;
};

}  // namespace ravprobe
