#include "ResultLog.h"

#include <QMetaObject>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QThread>

#include "ReturnCodeText.h"

namespace ravprobe {

ResultLog::ResultLog(QPlainTextEdit* memo, QObject* parent) : QObject(parent), memo_(memo) {
    // The range grows after an append as well, when the horizontal bar comes
    // up and takes a line's room: a log on its newest line stays there.
    QScrollBar* bar = memo_->verticalScrollBar();
    connect(bar, &QScrollBar::valueChanged, this, [this, bar](int value) { onNewest_ = value == bar->maximum(); });
    connect(bar, &QScrollBar::rangeChanged, this, [this, bar](int, int maximum) {
        if (onNewest_)
            bar->setValue(maximum);
    });
}

void ResultLog::ShowResult(const QString& prefix, int code) {
    QString line = prefix + ReturnCodeText(code);
    // One report is one line, whatever bytes a received text carries.
    for (QChar& c : line) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::ParagraphSeparator ||
            c == QChar::LineSeparator)
            c = QLatin1Char(' ');
    }
    if (QThread::currentThread() == thread()) {
        appendLine(line);
        return;
    }
    // Trim and append run together as one queued step, so lines never interleave.
    QMetaObject::invokeMethod(
        this, [this, line] { appendLine(line); }, Qt::QueuedConnection);
}

void ResultLog::appendLine(const QString& line) {
    if (lines_ >= kMaxLines) {
        QTextCursor cursor(memo_->document()->firstBlock());
        cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        --lines_;
    }
    if (lines_ == 0)
        memo_->setPlainText(line);
    else
        memo_->appendPlainText(line);
    ++lines_;
    // Every new line is shown, from its start, wherever the user had scrolled.
    onNewest_ = true;
    memo_->verticalScrollBar()->setValue(memo_->verticalScrollBar()->maximum());
    memo_->horizontalScrollBar()->setValue(memo_->horizontalScrollBar()->minimum());
}

}  // namespace ravprobe
