// The main window: board and mail settings, lamps, command pages, the result
// log and the GM grid; it runs the board selection once the loop is idle.
#pragma once

#include <QString>
#include <QWidget>

#include <cstdint>

#include <memory>

#include "BoardState.h"
#include "EntryCaller.h"
#include "GMMonitor.h"
#include "LibraryBinding.h"
#include "ResultLog.h"
#include "StatusThread.h"

class QFrame;

namespace ravprobe {

namespace Ui {
class TMainForm;
}

class GmCellDelegate;
class TBEditForm;
class TBViewForm;
class TDllForm;
class TReg43Form;

class TMainForm : public QWidget {
    Q_OBJECT
public:
    // programDir: where the board libraries are looked for.
    TMainForm(LibraryBinding& binding, QString programDir, QWidget* parent = nullptr);
    // Stops both threads if the window was never closed.
    ~TMainForm() override;

    // The windows created after this one, which it shows on demand.
    void attachWindows(TDllForm* dllForm, TBViewForm* bViewForm, TBEditForm* bEditForm, TReg43Form* reg43Form);
    // Creation work: board selection at the first idle moment, state and grid.
    void FormCreate();
    // The one-shot start step: board choice, library binding.
    void SelectBoard();

    void ShowResult(const QString& prefix, int code) { log_.ShowResult(prefix, code); }
    int GetViewSize() const;
    int boardMode() const { return boardMode_; }
    BoardState& boardState() { return state_; }
    const EntryCaller& caller() const { return caller_; }
    GMMonitor& monitor() { return *monitor_; }
    StatusThread& statusThread() { return *statusThread_; }
    bool agingActive() const { return window_.agingActive; }
    // Both threads stop (each waited for at most kThreadStopMs); the library is
    // released only when both have finished. Returns whether they did.
    bool FormClose();
    static constexpr int kThreadStopMs = 3000;

signals:
    // The program should end (board selection left, or no usable library).
    void quitRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void InitGlobals();
    void rdgGMViewSizeClick();
    void pnlSendDataClick();
    void pnlRevDataClick();
    void connectHandlers();
    void btnOpenClick();
    void btnCloseClick();
    void btnStartClick();
    void btnStopClick();
    void btnGmmClick();
    void btnGMWriteClick();
    void btnRegClick();
    void btnMailOpenClick();
    void btnMailCloseClick();
    void btnMailSendClick();
    void btnMailReceiveClick();
    void btnMailStatusClick();
    void btnAgeStartClick();
    void btnAgeStopClick();
    void pgcComBtnChanging(int index);
    void applyGmCells(const ravprobe::GmBatch& batch);
    void dropMemberColours();
    void showReceivedMail(const QByteArray& bytes, int sa);
    bool stopThread(QThread* thread);

    std::unique_ptr<Ui::TMainForm> ui;
    LibraryBinding& binding_;
    QString programDir_;
    ResultLog log_;
    EntryCaller caller_;
    BoardState state_;
    WindowCopies window_;
    std::unique_ptr<GMMonitor> monitor_;
    std::unique_ptr<StatusThread> statusThread_;
    GmCellDelegate* gmCells_ = nullptr;
    int boardMode_ = 0;
    bool boardSelected_ = false;
    bool PageChangeAllowed_ = true;
    bool threadsStopped_ = false;

    TDllForm* dllForm_ = nullptr;
    TBViewForm* bViewForm_ = nullptr;
    TBEditForm* bEditForm_ = nullptr;
    TReg43Form* reg43Form_ = nullptr;
};

}  // namespace ravprobe
