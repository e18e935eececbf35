// The status thread: every 10 ms it polls the mail state (status word or
// mail event), shows it, and runs the aging test's exchanges. Window changes
// go to the GUI thread as queued signals.
#pragma once

#include <QByteArray>
#include <QString>
#include <QThread>

#include <atomic>
#include <cstdint>

#include "BoardState.h"
#include "EntryCaller.h"
#include "ResultLog.h"

namespace ravprobe {

class StatusThread : public QThread {
    Q_OBJECT
public:
    static constexpr int kAgingLimit = 9999999;
    static constexpr int kMailArrived = 0x0100;

    StatusThread(const EntryCaller& caller, ResultLog& log, const BoardState& state, const WindowCopies& window);

    // 1 while the loop runs, -1 once it has left it.
    std::atomic<int> FinishedMarker{1};
    std::atomic<bool> PollEnabled{false};
    int interval = 10;

    // The number the next aging mail carries; only while polling is off.
    void setAgingCounter(int next) { agingCounter_ = next; }

signals:
    void mailStatusText(const QString& text);
    // true: mail has arrived (yellow lamp); false: button face.
    void mailLamp(bool arrived);
    // An aging mail was received: all 256 bytes and the sender.
    void mailReceived(const QByteArray& bytes, int sa);

protected:
    void run() override;

private:
    void ShowMailStatus();
    void ShowWaitResult();
    void AgingStep(int board, int line);

    const EntryCaller& caller_;
    ResultLog& log_;
    const BoardState& state_;
    const WindowCopies& window_;
    int16_t status_ = 0;
    int lastResult_ = 0;
    std::atomic<int> agingCounter_{0};
};

}  // namespace ravprobe
