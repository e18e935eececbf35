// The main window: board and mail settings, lamps, command pages, the result
// log and the GM grid; it runs the board selection once the loop is idle.
#pragma once

#include <QString>
#include <QWidget>

#include <cstdint>

#include "BoardState.h"
#include "EntryCaller.h"
#include "LibraryBinding.h"
#include "ResultLog.h"

class QButtonGroup;
class QPlainTextEdit;
class QRadioButton;
class QTableWidget;

namespace ravprobe {

class ClickPanel;
class TBEditForm;
class TBViewForm;
class TDllForm;

class TMainForm : public QWidget {
  Q_OBJECT
 public:
  // programDir: where the board libraries are looked for.
  TMainForm(LibraryBinding& binding, QString programDir, QWidget* parent = nullptr);

  // The windows created after this one, which it shows on demand.
  void attachWindows(TDllForm* dllForm, TBViewForm* bViewForm, TBEditForm* bEditForm);
  // Creation work: board selection at the first idle moment, state and grid.
  void FormCreate();
  // The one-shot start step: board choice, library binding.
  void SelectBoard();

  void ShowResult(const QString& prefix, int code) { log_.ShowResult(prefix, code); }
  int GetViewSize() const;
  int boardMode() const { return boardMode_; }
  BoardState& boardState() { return state_; }
  const EntryCaller& caller() const { return caller_; }

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

  LibraryBinding& binding_;
  QString programDir_;
  QPlainTextEdit* memLog_;
  ResultLog log_;
  EntryCaller caller_;
  BoardState state_;
  int boardMode_ = 0;
  bool boardSelected_ = false;

  TDllForm* dllForm_ = nullptr;
  TBViewForm* bViewForm_ = nullptr;
  TBEditForm* bEditForm_ = nullptr;

  QRadioButton* rb8bit_ = nullptr;
  QRadioButton* rb16bit_ = nullptr;
  QRadioButton* rb32bit_ = nullptr;
  QButtonGroup* viewMode_ = nullptr;
  ClickPanel* pnlSendData_ = nullptr;
  ClickPanel* pnlRevData_ = nullptr;
  QTableWidget* sgrGM_ = nullptr;
};

// Two upper-case hexadecimal digits and a blank per byte.
QString bytePreview(const uint8_t* bytes, int count);

}  // namespace ravprobe
