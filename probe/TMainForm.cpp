#include "TMainForm.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>

#include <algorithm>
#include <array>

#include "BoardList.h"
#include "ClickPanel.h"
#include "GmCellDelegate.h"
#include "NumberText.h"
#include "TBEditForm.h"
#include "TBViewForm.h"
#include "TDllForm.h"
#include "TReg43Form.h"

namespace ravprobe {

namespace {

constexpr int kStations = 64;
constexpr int kPreviewBytes = 10;
constexpr int kMailBytes = 256;
constexpr int kRowHeaderWidth = 60;
const QColor kLampGreen(0x00, 0x80, 0x00);
const QColor kLampYellow(0xFF, 0xFF, 0x00);

QLabel* addLabel(QWidget* parent, const QString& text, int x, int y) {
  auto* label = new QLabel(text, parent);
  label->move(x, y);
  return label;
}

// A read-only number with up-down arrows: the spin box is the up-down, its
// text field the edit.
QSpinBox* addSpinner(QWidget* parent, const char* edtName, const char* updName, int min, int max, int x, int y) {
  auto* spin = new QSpinBox(parent);
  spin->setObjectName(QLatin1String(updName));
  spin->setRange(min, max);
  spin->setValue(min);
  spin->setWrapping(false);
  spin->setGeometry(x, y, 60, 22);
  if (auto* edit = spin->findChild<QLineEdit*>()) {
    edit->setObjectName(QLatin1String(edtName));
    edit->setReadOnly(true);
  }
  return spin;
}

QLineEdit* addEdit(QWidget* parent, const char* name, const QString& text, int x, int y, int width) {
  auto* edit = new QLineEdit(text, parent);
  edit->setObjectName(QLatin1String(name));
  edit->setGeometry(x, y, width, 22);
  return edit;
}

QFrame* addLamp(QWidget* parent, const char* name, int x, int y) {
  auto* lamp = new QFrame(parent);
  lamp->setObjectName(QLatin1String(name));
  lamp->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  lamp->setAutoFillBackground(true);
  QPalette palette = lamp->palette();
  palette.setColor(QPalette::Window, palette.color(QPalette::Button));
  lamp->setPalette(palette);
  lamp->setGeometry(x, y, 16, 16);
  return lamp;
}

QPushButton* addButton(QWidget* parent, const char* name, const QString& text, int x, int y) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QLatin1String(name));
  button->setGeometry(x, y, 80, 24);
  return button;
}

QGroupBox* addGroup(QWidget* parent, const char* name, const QString& caption, int x, int y, int w, int h) {
  auto* group = new QGroupBox(caption, parent);
  group->setObjectName(QLatin1String(name));
  group->setGeometry(x, y, w, h);
  return group;
}

}  // namespace

TMainForm::TMainForm(LibraryBinding& binding, QString programDir, QWidget* parent)
    : QWidget(parent),
      binding_(binding),
      programDir_(std::move(programDir)),
      memLog_(new QPlainTextEdit(this)),
      log_(memLog_),
      caller_(binding_, log_),
      monitor_(std::make_unique<GMMonitor>(caller_, state_, window_)),
      statusThread_(std::make_unique<StatusThread>(caller_, log_, state_, window_)) {
  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(QStringLiteral("Ravel ドライバテスト"));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(761, 666);
  buildLeftHalf();
  buildRightHalf();
  connectHandlers();
}

TMainForm::~TMainForm() {
  if (!FormClose()) {
    // A thread still inside the library: it keeps its object and the library.
    (void)monitor_.release();
    (void)statusThread_.release();
  }
}

void TMainForm::buildLeftHalf() {
  auto* grbInfo = grbInfo_ = addGroup(this, "grbInfo", QStringLiteral("Ravel Infomation"), 8, 4, 200, 124);
  addLabel(grbInfo, QStringLiteral("Board No:"), 10, 24);
  updBoard_ = addSpinner(grbInfo, "edtBoard", "updBoard", 0, 3, 128, 20);
  addLabel(grbInfo, QStringLiteral("Line No:"), 10, 48);
  updLine_ = addSpinner(grbInfo, "edtLine", "updLine", 0, 2, 128, 44);
  addLabel(grbInfo, QStringLiteral("Station Address:"), 10, 72);
  updSa_ = addSpinner(grbInfo, "edtSa", "updSa", 0, 63, 128, 68);
  addLabel(grbInfo, QStringLiteral("Station Size:"), 10, 96);
  updSaSize_ = addSpinner(grbInfo, "edtSaSize", "updSaSize", 1, 63, 128, 92);

  auto* grbGM = addGroup(this, "grbGM", QStringLiteral("GM Write"), 214, 4, 152, 56);
  addLabel(grbGM, QStringLiteral("Write Data"), 8, 26);
  edtWrite_ = addEdit(grbGM, "edtWrite", QStringLiteral("0x0000"), 80, 22, 64);

  auto* grbStatusFlag = addGroup(this, "grbStatusFlag", QStringLiteral("Mail Status Flag"), 214, 64, 152, 64);
  auto* rdbMailStatus = rdbMailStatus_ = new QRadioButton(QStringLiteral("Mail Status"), grbStatusFlag);
  rdbMailStatus->setObjectName(QStringLiteral("rdbMailStatus"));
  rdbMailStatus->setGeometry(10, 20, 136, 20);
  rdbMailStatus->setChecked(true);
  auto* rdbMailWait = new QRadioButton(QStringLiteral("Mail Wait Object"), grbStatusFlag);
  rdbMailWait->setObjectName(QStringLiteral("rdbMailWait"));
  rdbMailWait->setGeometry(10, 40, 136, 20);

  auto* grbMail = addGroup(this, "grbMail", QStringLiteral("Mail Send/Receive"), 8, 132, 358, 168);
  addLabel(grbMail, QStringLiteral("Send SA:"), 10, 24);
  updMailSa_ = addSpinner(grbMail, "edtMailSendSa", "updMailSa", 0, 63, 130, 20);
  addLabel(grbMail, QStringLiteral("Send Data Size:"), 10, 48);
  edtMailSendSize_ = addEdit(grbMail, "edtMailSendSize", QStringLiteral("256"), 130, 44, 60);
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  addLabel(grbMail, QStringLiteral("Send Data:"), 10, 72);
  pnlSendData_ = new ClickPanel(QStringLiteral("00 00 00 00 00 00 00 00 00 00 "), grbMail);
  pnlSendData_->setObjectName(QStringLiteral("pnlSendData"));
  pnlSendData_->setFont(fixed);
  pnlSendData_->setGeometry(130, 68, 220, 22);
  addLabel(grbMail, QStringLiteral("Receive SA:"), 10, 96);
  auto* pnlMailRevSA = pnlMailRevSA_ = new QLabel(QStringLiteral("0"), grbMail);
  pnlMailRevSA->setObjectName(QStringLiteral("pnlMailRevSA"));
  pnlMailRevSA->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  pnlMailRevSA->setGeometry(130, 92, 60, 22);
  addLabel(grbMail, QStringLiteral("Receive Data Size:"), 10, 120);
  edtMailRevSize_ = addEdit(grbMail, "edtMailRevSize", QStringLiteral("256"), 130, 116, 60);
  addLabel(grbMail, QStringLiteral("Receive Data:"), 10, 144);
  pnlRevData_ = new ClickPanel(QStringLiteral("00 00 00 00 00 00 00 00 00 00 "), grbMail);
  pnlRevData_->setObjectName(QStringLiteral("pnlRevData"));
  pnlRevData_->setFont(fixed);
  pnlRevData_->setGeometry(130, 140, 220, 22);
  connect(pnlSendData_, &ClickPanel::clicked, this, &TMainForm::pnlSendDataClick);
  connect(pnlRevData_, &ClickPanel::clicked, this, &TMainForm::pnlRevDataClick);

  auto* grbStatus = addGroup(this, "grbStatus", QStringLiteral("Status"), 8, 304, 358, 92);
  addLabel(grbStatus, QStringLiteral("Open/Close:"), 10, 22);
  pnlOpen_ = addLamp(grbStatus, "pnlOpen", 112, 22);
  addLabel(grbStatus, QStringLiteral("Connect"), 150, 22);
  pnlConnect_ = addLamp(grbStatus, "pnlConnect", 236, 22);
  addLabel(grbStatus, QStringLiteral("GMM"), 270, 22);
  pnlGMM_ = addLamp(grbStatus, "pnlGMM", 310, 22);
  addLabel(grbStatus, QStringLiteral("Mail Open/Close"), 10, 46);
  pnlMailOpen_ = addLamp(grbStatus, "pnlMailOpen", 112, 46);
  addLabel(grbStatus, QStringLiteral("Mail Receive"), 150, 46);
  pnMailRev_ = addLamp(grbStatus, "pnMailRev", 236, 46);
  addLabel(grbStatus, QStringLiteral("SendStatus:"), 10, 70);
  auto* edtMailStatus = edtMailStatus_ = addEdit(grbStatus, "edtMailStatus", QString(), 112, 66, 80);
  edtMailStatus->setReadOnly(true);

  auto* rdgGMviewMode = addGroup(this, "rdgGMviewMode", QStringLiteral("GM View Mode"), 8, 400, 150, 46);
  viewMode_ = new QButtonGroup(rdgGMviewMode);
  const std::array<QString, 2> modes = {QStringLiteral("SA"), QStringLiteral("Address")};
  for (int i = 0; i < 2; ++i) {
    auto* item = new QRadioButton(modes[static_cast<std::size_t>(i)], rdgGMviewMode);
    item->setGeometry(10 + 70 * i, 20, 68, 20);
    item->setChecked(i == 0);
    viewMode_->addButton(item, i);
  }

  auto* rdgGMViewSize = addGroup(this, "rdgGMViewSize", QStringLiteral("GM View Size"), 164, 400, 202, 46);
  rb8bit_ = new QRadioButton(QStringLiteral("8bit"), rdgGMViewSize);
  rb8bit_->setObjectName(QStringLiteral("rb8bit"));
  rb8bit_->setGeometry(10, 20, 60, 20);
  rb8bit_->setChecked(true);
  rb16bit_ = new QRadioButton(QStringLiteral("16bit"), rdgGMViewSize);
  rb16bit_->setObjectName(QStringLiteral("rb16bit"));
  rb16bit_->setGeometry(72, 20, 60, 20);
  rb32bit_ = new QRadioButton(QStringLiteral("32bit"), rdgGMViewSize);
  rb32bit_->setObjectName(QStringLiteral("rb32bit"));
  rb32bit_->setGeometry(134, 20, 60, 20);
  for (QRadioButton* item : {rb8bit_, rb16bit_, rb32bit_}) {
    connect(item, &QRadioButton::toggled, this, [this](bool checked) {
      if (checked) rdgGMViewSizeClick();
    });
  }
  connect(viewMode_, &QButtonGroup::idToggled, this, [this](int, bool checked) {
    if (checked) rdgGMViewSizeClick();
  });

  auto* pgcComBtn = pgcComBtn_ = new QTabWidget(this);
  pgcComBtn->setObjectName(QStringLiteral("pgcComBtn"));
  pgcComBtn->setTabPosition(QTabWidget::South);
  pgcComBtn->setGeometry(8, 450, 358, 116);
  auto* tbsNormal = tbsNormal_ = new QWidget;
  tbsNormal->setObjectName(QStringLiteral("tbsNormal"));
  const struct {
    const char* name;
    const char* text;
  } normalButtons[] = {
      {"btnOpen", "Open"},           {"btnClose", "Close"},         {"btnStart", "Start"},
      {"btnStop", "Stop"},           {"btnGmm", "GMM"},             {"btnGMWrite", "GM Set"},
      {"btnReg", "Register"},        {"btnMailOpen", "M Open"},     {"btnMailClose", "M Close"},
      {"btnMailSend", "M Send"},     {"btnMailReceive", "M Receive"}, {"btnMailStatus", "M Status"},
  };
  for (int i = 0; i < 12; ++i) {
    addButton(tbsNormal, normalButtons[i].name, QLatin1String(normalButtons[i].text), 6 + 86 * (i % 4),
              4 + 28 * (i / 4));
  }
  pgcComBtn->addTab(tbsNormal, QStringLiteral("Normal"));
  auto* tbsAging = new QWidget;
  tbsAging->setObjectName(QStringLiteral("tbsAging"));
  btnAgeStart_ = addButton(tbsAging, "btnAgeStart", QStringLiteral("Start"), 6, 4);
  btnAgeStart_->setEnabled(false);
  btnAgeStop_ = addButton(tbsAging, "btnAgeStop", QStringLiteral("Stop"), 92, 4);
  btnAgeStop_->setEnabled(false);
  pgcComBtn->addTab(tbsAging, QStringLiteral("Aging"));
  pgcComBtn->setCurrentIndex(0);

  memLog_->setObjectName(QStringLiteral("memLog"));
  memLog_->setReadOnly(true);
  memLog_->setLineWrapMode(QPlainTextEdit::NoWrap);
  memLog_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memLog_->setGeometry(8, 570, 358, 88);
}

void TMainForm::buildRightHalf() {
  addLabel(this, QStringLiteral("GM View:"), 376, 10);
  auto* btnExit = addButton(this, "btnExit", QStringLiteral("Exit"), 673, 4);
  connect(btnExit, &QPushButton::clicked, this, &QWidget::close);

  sgrGM_ = new QTableWidget(kStations, 8, this);
  sgrGM_->setObjectName(QStringLiteral("sgrGM"));
  sgrGM_->setGeometry(376, 34, 377, 624);
  sgrGM_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  sgrGM_->setSelectionMode(QAbstractItemView::ContiguousSelection);
  sgrGM_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  sgrGM_->verticalHeader()->setFixedWidth(kRowHeaderWidth);
  // The station titles are 12 characters wide, blanks first: show their right end.
  sgrGM_->verticalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
  sgrGM_->verticalHeader()->setTextElideMode(Qt::ElideNone);
  sgrGM_->verticalHeader()->setMinimumSectionSize(18);
  sgrGM_->verticalHeader()->setDefaultSectionSize(18);
  sgrGM_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  sgrGM_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  sgrGM_->horizontalHeader()->setFixedHeight(18);
  gmCells_ = new GmCellDelegate(*monitor_, state_, sgrGM_);
  sgrGM_->setItemDelegate(gmCells_);
}

void TMainForm::attachWindows(TDllForm* dllForm, TBViewForm* bViewForm, TBEditForm* bEditForm,
                              TReg43Form* reg43Form) {
  dllForm_ = dllForm;
  bViewForm_ = bViewForm;
  bEditForm_ = bEditForm;
  reg43Form_ = reg43Form;
}

void TMainForm::FormCreate() {
  QTimer::singleShot(0, this, &TMainForm::SelectBoard);
  PageChangeAllowed_ = true;
  InitGlobals();
  rdgGMViewSizeClick();
  edtWrite_->setText(QStringLiteral("0x0000"));
  updSa_->setValue(0);
  edtMailSendSize_->setText(QStringLiteral("256"));
  edtMailRevSize_->setText(QStringLiteral("256"));
  if (!monitor_->isRunning() && monitor_->FinishedMarker == 1) monitor_->start();
  if (!statusThread_->isRunning() && statusThread_->FinishedMarker == 1) statusThread_->start();
}

void TMainForm::InitGlobals() {
  state_.reset();
  window_.agingActive = false;
}

void TMainForm::connectHandlers() {
  const struct {
    const char* name;
    void (TMainForm::*handler)();
  } buttons[] = {
      {"btnOpen", &TMainForm::btnOpenClick},
      {"btnClose", &TMainForm::btnCloseClick},
      {"btnStart", &TMainForm::btnStartClick},
      {"btnStop", &TMainForm::btnStopClick},
      {"btnGmm", &TMainForm::btnGmmClick},
      {"btnGMWrite", &TMainForm::btnGMWriteClick},
      {"btnReg", &TMainForm::btnRegClick},
      {"btnMailOpen", &TMainForm::btnMailOpenClick},
      {"btnMailClose", &TMainForm::btnMailCloseClick},
      {"btnMailSend", &TMainForm::btnMailSendClick},
      {"btnMailReceive", &TMainForm::btnMailReceiveClick},
      {"btnMailStatus", &TMainForm::btnMailStatusClick},
      {"btnAgeStart", &TMainForm::btnAgeStartClick},
      {"btnAgeStop", &TMainForm::btnAgeStopClick},
  };
  for (const auto& b : buttons) {
    connect(findChild<QPushButton*>(QLatin1String(b.name)), &QPushButton::clicked, this, b.handler);
  }
  connect(pgcComBtn_, &QTabWidget::currentChanged, this, &TMainForm::pgcComBtnChanging);
  connect(rdbMailStatus_, &QRadioButton::toggled, this, [this](bool checked) { window_.pollMode = checked ? 1 : 0; });
  connect(updMailSa_, &QSpinBox::valueChanged, this, [this](int value) { window_.sendSa = value; });
  connect(monitor_.get(), &GMMonitor::cellsChanged, this, &TMainForm::applyGmCells, Qt::QueuedConnection);
  connect(statusThread_.get(), &StatusThread::mailStatusText, edtMailStatus_, &QLineEdit::setText,
          Qt::QueuedConnection);
  connect(
      statusThread_.get(), &StatusThread::mailLamp, this,
      [this](bool arrived) {
        if (arrived)
          setLamp(pnMailRev_, kLampYellow);
        else
          setLampFace(pnMailRev_);
      },
      Qt::QueuedConnection);
  connect(statusThread_.get(), &StatusThread::mailReceived, this, &TMainForm::showReceivedMail, Qt::QueuedConnection);
}

void TMainForm::setLamp(QFrame* lamp, const QColor& colour) {
  QPalette palette = lamp->palette();
  palette.setColor(QPalette::Window, colour);
  lamp->setPalette(palette);
}

void TMainForm::setLampFace(QFrame* lamp) { setLamp(lamp, palette().color(QPalette::Button)); }

bool TMainForm::lampLit(QFrame* lamp) const { return lamp->palette().color(QPalette::Window) == kLampGreen; }

void TMainForm::btnOpenClick() {
  state_.board = updBoard_->value();
  const int board = state_.board;
  const auto r = caller_.call<Entry::RV_open>(board);
  if (!r) return;
  ShowResult(QStringLiteral("Open: "), *r);
  if (*r != 0 || board < 0 || board >= BoardState::kBoards) return;
  state_.opened[static_cast<std::size_t>(board)] = 1;
  setLamp(pnlOpen_, kLampGreen);
}

void TMainForm::btnCloseClick() {
  const int board = state_.board;
  if (!state_.currentOpened()) {
    if (const auto r = caller_.call<Entry::RV_close>(board)) ShowResult(QStringLiteral("Close: "), *r);
    return;
  }
  btnMailCloseClick();
  btnStopClick();
  const auto r = caller_.call<Entry::RV_close>(board);
  if (!r) return;
  ShowResult(QStringLiteral("Close: "), *r);
  if (*r != 0) return;
  state_.opened[static_cast<std::size_t>(board)] = 0;
  state_.gmmStarted[static_cast<std::size_t>(board)] = 0;
  setLampFace(pnlOpen_);
  // A Stop that failed left the monitor on; a closed board has no members.
  dropMemberColours();
}

void TMainForm::btnStartClick() {
  state_.line = updLine_->value();
  state_.stationAddress = updSa_->value();
  state_.stationSize = updSaSize_->value();
  const int board = state_.board;
  const auto r = caller_.call<Entry::RV_start>(board, state_.line.load(), state_.stationAddress.load(),
                                              state_.stationSize.load(), boardMode_);
  if (!r) return;
  ShowResult(QStringLiteral("Start: "), *r);
  if (*r != 0) return;
  grbInfo_->setEnabled(false);
  setLamp(pnlConnect_, kLampGreen);
  if (lampLit(pnlGMM_)) setLampFace(pnlGMM_);
  monitor_->MonitorEnabled = true;
  statusThread_->PollEnabled = true;
  if (board >= 0 && board < BoardState::kBoards) {
    state_.started[static_cast<std::size_t>(board)] = 1;
    state_.gmmStarted[static_cast<std::size_t>(board)] = 0;
  }
}

void TMainForm::btnStopClick() {
  const int board = state_.board;
  const auto r = caller_.call<Entry::RV_stop>(board, state_.line.load());
  if (!r) return;
  ShowResult(QStringLiteral("Stop: "), *r);
  if (*r != 0) return;
  grbInfo_->setEnabled(true);
  setLampFace(pnlConnect_);
  if (lampLit(pnlGMM_)) setLampFace(pnlGMM_);
  QCoreApplication::processEvents();
  monitor_->MonitorEnabled = false;
  dropMemberColours();
  QCoreApplication::processEvents();
  statusThread_->PollEnabled = false;
  ClearGmGrid(GetViewSize());
  if (board >= 0 && board < BoardState::kBoards) {
    state_.started[static_cast<std::size_t>(board)] = 0;
    state_.gmmStarted[static_cast<std::size_t>(board)] = 0;
  }
}

void TMainForm::btnGmmClick() {
  state_.line = updLine_->value();
  const int board = state_.board;
  if (!state_.currentOpened()) {
    if (const auto r = caller_.call<Entry::RV_start_gmm>(board, state_.line.load(), boardMode_))
      ShowResult(QStringLiteral("GMM: "), *r);
    return;
  }
  btnStopClick();
  const auto r = caller_.call<Entry::RV_start_gmm>(board, state_.line.load(), boardMode_);
  if (!r) return;
  ShowResult(QStringLiteral("GMM: "), *r);
  if (*r != 0) return;
  setLamp(pnlGMM_, kLampGreen);
  monitor_->MonitorEnabled = true;
  state_.gmmStarted[static_cast<std::size_t>(board)] = 1;
}

void TMainForm::btnRegClick() {
  if (!state_.currentOpened() || reg43Form_ == nullptr) return;
  reg43Form_->exec();
}

void TMainForm::btnGMWriteClick() {
  if (!monitor_->MonitorEnabled || !statusThread_->PollEnabled) return;
  const QList<QTableWidgetSelectionRange> ranges = sgrGM_->selectedRanges();
  if (ranges.isEmpty()) return;
  // Rows and columns here count from the first value cell; the grid's fixed
  // header row and column are Qt's headers.
  const QTableWidgetSelectionRange& range = ranges.first();
  const int first = range.topRow();
  const int last = range.bottomRow();
  const int element = range.leftColumn();
  const int count = range.rightColumn() - range.leftColumn() + 1;
  const int32_t value = ParseNumber(edtWrite_->text(), 0);
  const int board = state_.board;
  const int line = state_.line;
  switch (GetViewSize()) {
    case 0: {
      std::vector<uint8_t> buffer(static_cast<std::size_t>(count), static_cast<uint8_t>(value & 0xFF));
      for (int s = first; s <= last; ++s)
        caller_.call<Entry::RV_SetMemByte>(board, line, static_cast<void*>(buffer.data()), s, element, count);
      break;
    }
    case 1: {
      const std::vector<int16_t> buffer(static_cast<std::size_t>(count), static_cast<int16_t>(value & 0xFFFF));
      for (int s = first; s <= last; ++s) caller_.call<Entry::RV_SetMemShort>(board, line, buffer.data(), s, element, count);
      break;
    }
    default: {
      const std::vector<int32_t> buffer(static_cast<std::size_t>(count), value);
      for (int s = first; s <= last; ++s) caller_.call<Entry::RV_SetMemLong>(board, line, buffer.data(), s, element, count);
      break;
    }
  }
}

void TMainForm::btnMailOpenClick() {
  if (!state_.currentOpened()) {
    ShowResult(QStringLiteral("Mail Open: "), 2);
    return;
  }
  if (!state_.currentStarted()) {
    ShowResult(QStringLiteral("Mail Open: "), 12);
    return;
  }
  const auto r = caller_.call<Entry::RV_MailOpen>(state_.board.load(), state_.line.load());
  if (!r) return;
  ShowResult(QStringLiteral("Mail Open: "), *r);
  if (*r != 0) return;
  setLamp(pnlMailOpen_, kLampGreen);
  btnAgeStart_->setEnabled(true);
  btnAgeStop_->setEnabled(true);
}

void TMainForm::btnMailCloseClick() {
  const auto r = caller_.call<Entry::RV_MailClose>(state_.board.load(), state_.line.load());
  if (!r) return;
  ShowResult(QStringLiteral("Mail Close: "), *r);
  if (*r != 0) return;
  setLampFace(pnlMailOpen_);
  setLampFace(pnMailRev_);
  btnAgeStart_->setEnabled(false);
  btnAgeStop_->setEnabled(false);
}

void TMainForm::btnMailSendClick() {
  std::array<int16_t, kMailBytes / 2> buffer{};
  if (bEditForm_ != nullptr) bEditForm_->getData(reinterpret_cast<uint8_t*>(buffer.data()), kMailBytes);
  const int32_t size = ParseNumber(edtMailSendSize_->text(), kMailBytes);
  const auto r = caller_.call<Entry::RV_MailSend>(state_.board.load(), state_.line.load(), updMailSa_->value(),
                                                  static_cast<const int16_t*>(buffer.data()), size);
  if (r) ShowResult(QStringLiteral("Mail Send: "), *r);
}

void TMainForm::btnMailReceiveClick() {
  std::array<int16_t, kMailBytes / 2> buffer{};
  const int32_t size = ParseNumber(edtMailRevSize_->text(), kMailBytes);
  int32_t sa = 0;
  const auto r = caller_.call<Entry::RV_MailReceive>(state_.board.load(), state_.line.load(), buffer.data(), size, &sa);
  if (!r) return;
  ShowResult(QStringLiteral("Mail Receive: "), *r);
  if (*r != 0) return;
  // The buffer holds 256 bytes whatever size the library was told.
  const int shown = std::clamp(size, 0, kMailBytes);
  const auto* bytes = reinterpret_cast<const uint8_t*>(buffer.data());
  if (bViewForm_ != nullptr) bViewForm_->showData(bytes, shown);
  pnlRevData_->setText(bytePreview(bytes, std::min(shown, kPreviewBytes)));
  pnlMailRevSA_->setText(QString::number(sa));
  setLampFace(pnMailRev_);
}

void TMainForm::btnMailStatusClick() {
  int16_t status = 0;
  const auto r = caller_.call<Entry::RV_MailStatus>(state_.board.load(), state_.line.load(), &status);
  if (!r) return;
  ShowResult(QStringLiteral("Mail Status: "), *r);
  if (*r == 0) edtMailStatus_->setText(Hex16Text(status));
}

void TMainForm::btnAgeStartClick() {
  if (!monitor_->MonitorEnabled || !statusThread_->PollEnabled) {
    ShowResult(QStringLiteral("Mail Status: "), -1);
    return;
  }
  btnMailSendClick();
  window_.agingActive = true;
  pgcComBtn_->setTabEnabled(pgcComBtn_->indexOf(tbsNormal_), false);
  PageChangeAllowed_ = false;
}

void TMainForm::btnAgeStopClick() {
  window_.agingActive = false;
  pgcComBtn_->setTabEnabled(pgcComBtn_->indexOf(tbsNormal_), true);
  PageChangeAllowed_ = true;
}

void TMainForm::pgcComBtnChanging(int index) {
  // The page may not change while the aging test runs: go back to it.
  if (!PageChangeAllowed_ && index != 1) pgcComBtn_->setCurrentIndex(1);
}

void TMainForm::showReceivedMail(const QByteArray& bytes, int sa) {
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
  if (bViewForm_ != nullptr) bViewForm_->showData(data, static_cast<int>(bytes.size()));
  pnlRevData_->setText(bytePreview(data, std::min(static_cast<int>(bytes.size()), kPreviewBytes)));
  pnlMailRevSA_->setText(QString::number(sa));
  setLampFace(pnMailRev_);
}

void TMainForm::applyGmCells(const ravprobe::GmBatch& batch) {
  // A cycle that was under way when Stop or Close cleared the grid arrives late.
  if (batch.generation != monitor_->generation()) return;
  gmCells_->setMembers(batch.members);
  const int columns = sgrGM_->columnCount();
  for (const GmCell& cell : batch.cells) {
    // A batch made for the view before a size change: the next one redraws.
    if (cell.column >= columns) continue;
    if (QTableWidgetItem* item = sgrGM_->item(cell.row, cell.column))
      item->setText(cell.text);
    else
      sgrGM_->setItem(cell.row, cell.column, new QTableWidgetItem(cell.text));
  }
  // A member flag can change with the text unchanged: repaint the colours.
  sgrGM_->viewport()->update();
}

void TMainForm::dropMemberColours() {
  monitor_->startNewGeneration();
  gmCells_->setMembers(0);
  // Cells whose text stays the same are not repainted on their own.
  sgrGM_->viewport()->update();
}

bool TMainForm::stopThread(QThread* thread) {
  thread->requestInterruption();
  return thread->wait(kThreadStopMs);
}

bool TMainForm::FormClose() {
  if (!threadsStopped_) {
    const bool monitorDone = stopThread(monitor_.get());
    const bool statusDone = stopThread(statusThread_.get());
    if (!monitorDone || !statusDone) {
      ShowResult(QStringLiteral("A monitor thread did not stop: the library stays loaded"), kPlainLine);
      return false;
    }
    threadsStopped_ = true;
  }
  binding_.UnbindLibrary();
  return true;
}

void TMainForm::SelectBoard() {
  if (boardSelected_ || dllForm_ == nullptr) return;
  boardSelected_ = true;
  if (dllForm_->exec() != QDialog::Accepted) {
    emit quitRequested();
    return;
  }
  const QString file = libraryFileFor(dllForm_->selectedItem());
  boardMode_ = 2;
  rb8bit_->setEnabled(false);
  rb16bit_->setChecked(true);
  binding_.BindLibrary(libraryPath(programDir_, file));
  if (!binding_.has(Entry::RV_open)) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), QStringLiteral("DLLがロードできません。"),
                    QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("ErrorBox"));
    box.exec();
    emit quitRequested();
  }
}

int TMainForm::GetViewSize() const {
  if (rb8bit_->isChecked()) return 0;
  if (rb16bit_->isChecked()) return 1;
  if (rb32bit_->isChecked()) return 2;
  return 0;
}

void TMainForm::rdgGMViewSizeClick() {
  const int size = GetViewSize();
  const bool addressMode = viewMode_->checkedId() == 1;
  for (int s = 0; s < kStations; ++s) {
    const QString title =
        addressMode ? QStringLiteral("%1").arg(s * 8, 8, 16, QLatin1Char('0')).toUpper() : QString::asprintf("%12d", s);
    sgrGM_->setVerticalHeaderItem(s, new QTableWidgetItem(title));
  }
  fitRowHeaders();
  const int columns = 8 >> size;
  const int width = 34 << size;
  window_.viewSize = size;
  sgrGM_->setColumnCount(columns);
  for (int c = 0; c < columns; ++c) {
    const int offset = c << size;
    sgrGM_->setHorizontalHeaderItem(
        c, new QTableWidgetItem(QStringLiteral("%1").arg(offset, addressMode ? 2 : 1, 16, QLatin1Char('0')).toUpper()));
    sgrGM_->setColumnWidth(c, width);
  }
  if (!state_.currentGmmStarted() && !state_.currentStarted()) ClearGmGrid(size);
}

void TMainForm::fitRowHeaders() {
  // The station titles' leading blanks may stay out of sight; their digits
  // may not, also in bold, as the rows holding the selection show them.
  QHeaderView* rows = sgrGM_->verticalHeader();
  QFont bold = rows->font();
  bold.setBold(true);
  const QFontMetrics metrics(bold);
  int widest = 0;
  for (int s = 0; s < kStations; ++s)
    widest = std::max(widest, metrics.horizontalAdvance(sgrGM_->verticalHeaderItem(s)->text().trimmed()));
  const int margins = 2 * rows->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, rows);
  rows->setFixedWidth(std::max(kRowHeaderWidth, widest + margins));
}

void TMainForm::ClearGmGrid(int size) {
  const QString zero(2 << size, QLatin1Char('0'));
  const int columns = 8 >> size;
  for (int s = 0; s < kStations; ++s) {
    for (int c = 0; c < columns; ++c) {
      if (QTableWidgetItem* it = sgrGM_->item(s, c)) {
        it->setText(zero);
      } else {
        sgrGM_->setItem(s, c, new QTableWidgetItem(zero));
      }
    }
  }
}

void TMainForm::pnlSendDataClick() {
  if (bEditForm_ == nullptr) return;
  bEditForm_->exec();
  std::array<uint8_t, kPreviewBytes> bytes{};
  const int n = bEditForm_->getData(bytes.data(), std::min(bEditForm_->dataCount(), kPreviewBytes));
  pnlSendData_->setText(bytePreview(bytes.data(), n));
}

void TMainForm::pnlRevDataClick() {
  if (bViewForm_ != nullptr) bViewForm_->exec();
}

void TMainForm::closeEvent(QCloseEvent* event) {
  // The close goes ahead whatever the calls answer.
  if (binding_.loaded()) btnCloseClick();
  FormClose();
  QWidget::closeEvent(event);
}

}  // namespace ravprobe
