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

class QButtonGroup;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QTableWidget;

namespace ravprobe {

class ClickPanel;
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
  void buildLeftHalf();
  void buildRightHalf();
  void InitGlobals();
  void rdgGMViewSizeClick();
  void ClearGmGrid(int size);
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
  void fitRowHeaders();
  void showReceivedMail(const QByteArray& bytes, int sa);
  void setLamp(QFrame* lamp, const QColor& colour);
  void setLampFace(QFrame* lamp);
  bool lampLit(QFrame* lamp) const;
  bool stopThread(QThread* thread);

  LibraryBinding& binding_;
  QString programDir_;
  QPlainTextEdit* memLog_;
  ResultLog log_;
  EntryCaller caller_;
  BoardState state_;
  WindowCopies window_;
  std::unique_ptr<GMMonitor> monitor_;
  std::unique_ptr<StatusThread> statusThread_;
  int boardMode_ = 0;
  bool boardSelected_ = false;
  bool PageChangeAllowed_ = true;
  bool threadsStopped_ = false;

  TDllForm* dllForm_ = nullptr;
  TBViewForm* bViewForm_ = nullptr;
  TBEditForm* bEditForm_ = nullptr;
  TReg43Form* reg43Form_ = nullptr;

  QGroupBox* grbInfo_ = nullptr;
  QSpinBox* updBoard_ = nullptr;
  QSpinBox* updLine_ = nullptr;
  QSpinBox* updSa_ = nullptr;
  QSpinBox* updSaSize_ = nullptr;
  QSpinBox* updMailSa_ = nullptr;
  QLineEdit* edtWrite_ = nullptr;
  QLineEdit* edtMailSendSize_ = nullptr;
  QLineEdit* edtMailRevSize_ = nullptr;
  QLineEdit* edtMailStatus_ = nullptr;
  QLabel* pnlMailRevSA_ = nullptr;
  QFrame* pnlOpen_ = nullptr;
  QFrame* pnlConnect_ = nullptr;
  QFrame* pnlMailOpen_ = nullptr;
  QFrame* pnlGMM_ = nullptr;
  QFrame* pnMailRev_ = nullptr;
  QRadioButton* rdbMailStatus_ = nullptr;
  QTabWidget* pgcComBtn_ = nullptr;
  QWidget* tbsNormal_ = nullptr;
  QPushButton* btnAgeStart_ = nullptr;
  QPushButton* btnAgeStop_ = nullptr;

  QRadioButton* rb8bit_ = nullptr;
  QRadioButton* rb16bit_ = nullptr;
  QRadioButton* rb32bit_ = nullptr;
  QButtonGroup* viewMode_ = nullptr;
  ClickPanel* pnlSendData_ = nullptr;
  ClickPanel* pnlRevData_ = nullptr;
  QTableWidget* sgrGM_ = nullptr;
  GmCellDelegate* gmCells_ = nullptr;
};

}  // namespace ravprobe
