#include "StatusThread.h"

#include <cstring>

#include "NumberText.h"

namespace ravprobe {

namespace {

constexpr int kMailBytes = 256;

}  // namespace

StatusThread::StatusThread(const EntryCaller& caller, ResultLog& log, const BoardState& state,
                           const WindowCopies& window)
    : caller_(caller), log_(log), state_(state), window_(window) {}

void StatusThread::run() {
    while (!isInterruptionRequested()) {
        msleep(static_cast<unsigned long>(interval));
        if (!PollEnabled || isInterruptionRequested())
            continue;
        const int board = state_.board;
        const int line = state_.line;
        int16_t status = status_;
        if (window_.pollMode == 1) {
            lastResult_ = caller_.callQuiet<Entry::RV_MailStatus>(board, line, &status).value_or(-1);
            if (lastResult_ == 0)
                status_ = status;
            ShowMailStatus();
        } else {
            lastResult_ = caller_.callQuiet<Entry::RV_MailWaitObject>(board, line, &status).value_or(-1);
            status_ = status;
            ShowWaitResult();
        }
    }
    FinishedMarker = -1;
}

void StatusThread::ShowMailStatus() {
    if (!state_.currentOpened())
        return;
    emit mailStatusText(Hex16Text(status_));
    // After a failed poll status_ is the last word read, not news of a mail.
    if (lastResult_ == 0 && (status_ & kMailArrived) != 0) {
        emit mailLamp(true);
        if (window_.agingActive)
            AgingStep(state_.board, state_.line);
    } else {
        emit mailLamp(false);
    }
}

void StatusThread::ShowWaitResult() {
    if (!state_.currentOpened())
        return;
    emit mailStatusText(Hex16Text(status_));
    if (lastResult_ == 25)
        PollEnabled = false;
    if (lastResult_ == 24) {
        emit mailLamp(true);
        if (window_.agingActive)
            AgingStep(state_.board, state_.line);
    } else {
        emit mailLamp(false);
    }
}

void StatusThread::AgingStep(int board, int line) {
    int16_t send[kMailBytes / 2] = {};
    int16_t receive[kMailBytes / 2] = {};
    const int number = agingCounter_;
    const QByteArray text = QByteArray::number(number);
    std::memcpy(send, text.constData(), static_cast<std::size_t>(text.size()));
    agingCounter_ = number >= kAgingLimit ? 0 : number + 1;
    const int sa = window_.sendSa;
    int r = caller_.call<Entry::RV_MailSend>(board, line, sa, send, kMailBytes).value_or(-1);
    if (r != 0) {
        log_.ShowResult(QStringLiteral("Mail Send: "), r);
        return;
    }
    log_.ShowResult(QStringLiteral("Mail Send: Data(%1) - Sa(%2)").arg(QLatin1String(text)).arg(sa), kPlainLine);
    int32_t from = 0;
    r = caller_.call<Entry::RV_MailReceive>(board, line, receive, kMailBytes, &from).value_or(-1);
    if (r != 0) {
        log_.ShowResult(QStringLiteral("Mail Receive: "), r);
        return;
    }
    const QByteArray bytes(reinterpret_cast<const char*>(receive), kMailBytes);
    emit mailReceived(bytes, from);
    const qsizetype end = bytes.indexOf('\0');
    const QByteArray received = end < 0 ? bytes : bytes.left(end);
    log_.ShowResult(QStringLiteral("Mail Receive: Data(%1) - Sa(%2)").arg(QString::fromLatin1(received)).arg(from),
                    kPlainLine);
}

}  // namespace ravprobe
