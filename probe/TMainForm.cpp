#include "TMainForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "BoardList.h"
#include "GmCellDelegate.h"
#include "NumberText.h"
#include "TBEditForm.h"
#include "TBViewForm.h"
#include "TDllForm.h"
#include "TReg43Form.h"
#include "ui_TMainForm.h"

namespace ravprobe {

namespace {

constexpr int kPreviewBytes = 10;
constexpr int kMailBytes = 256;

std::unique_ptr<Ui::TMainForm> setUpUi(QWidget* form) {
    auto ui = std::make_unique<Ui::TMainForm>();
    ui->setupUi(form);
    return ui;
}

}  // namespace

TMainForm::TMainForm(LibraryBinding& binding, QString programDir, QWidget* parent)
    : QWidget(parent), ui(setUpUi(this)), binding_(binding), programDir_(std::move(programDir)), log_(ui->memLog),
      caller_(binding_, log_), monitor_(std::make_unique<GMMonitor>(caller_, state_, window_)),
      statusThread_(std::make_unique<StatusThread>(caller_, log_, state_, window_)) {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    // A spinner's text field is the number's edit, read-only: only the arrows change it.
    const std::pair<QSpinBox*, const char*> spinners[] = {{ui->updBoard, "edtBoard"},
                                                          {ui->updLine, "edtLine"},
                                                          {ui->updSa, "edtSa"},
                                                          {ui->updSaSize, "edtSaSize"},
                                                          {ui->updMailSa, "edtMailSendSa"}};
    for (const auto& [spin, editName] : spinners) {
        if (auto* edit = spin->findChild<QLineEdit*>()) {
            edit->setObjectName(QLatin1String(editName));
            edit->setReadOnly(true);
        }
    }
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    ui->pnlSendData->setFont(fixed);
    ui->pnlRevData->setFont(fixed);
    for (Lamp* lamp : {ui->pnlOpen, ui->pnlConnect, ui->pnlGMM, ui->pnlMailOpen, ui->pnMailRev})
        lamp->setLit(false);
    ui->pnMailRev->setLitColour(Lamp::yellow());
    gmCells_ = new GmCellDelegate(*monitor_, state_, ui->sgrGM);
    ui->sgrGM->setItemDelegate(gmCells_);
    connectHandlers();
}

TMainForm::~TMainForm() {
    if (!FormClose()) {
        // A thread still inside the library: it keeps its object and the library.
        (void)monitor_.release();
        (void)statusThread_.release();
    }
}

void TMainForm::attachWindows(TDllForm* dllForm, TBViewForm* bViewForm, TBEditForm* bEditForm, TReg43Form* reg43Form) {
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
    ui->edtWrite->setText(QStringLiteral("0x0000"));
    ui->updSa->setValue(0);
    ui->edtMailSendSize->setText(QStringLiteral("256"));
    ui->edtMailRevSize->setText(QStringLiteral("256"));
    if (!monitor_->isRunning() && monitor_->FinishedMarker == 1)
        monitor_->start();
    if (!statusThread_->isRunning() && statusThread_->FinishedMarker == 1)
        statusThread_->start();
}

void TMainForm::InitGlobals() {
    state_.reset();
    window_.agingActive = false;
}

void TMainForm::connectHandlers() {
    const std::pair<QPushButton*, void (TMainForm::*)()> buttons[] = {
        {ui->btnOpen, &TMainForm::btnOpenClick},
        {ui->btnClose, &TMainForm::btnCloseClick},
        {ui->btnStart, &TMainForm::btnStartClick},
        {ui->btnStop, &TMainForm::btnStopClick},
        {ui->btnGmm, &TMainForm::btnGmmClick},
        {ui->btnGMWrite, &TMainForm::btnGMWriteClick},
        {ui->btnReg, &TMainForm::btnRegClick},
        {ui->btnMailOpen, &TMainForm::btnMailOpenClick},
        {ui->btnMailClose, &TMainForm::btnMailCloseClick},
        {ui->btnMailSend, &TMainForm::btnMailSendClick},
        {ui->btnMailReceive, &TMainForm::btnMailReceiveClick},
        {ui->btnMailStatus, &TMainForm::btnMailStatusClick},
        {ui->btnAgeStart, &TMainForm::btnAgeStartClick},
        {ui->btnAgeStop, &TMainForm::btnAgeStopClick},
    };
    for (const auto& [button, handler] : buttons)
        connect(button, &QPushButton::clicked, this, handler);
    connect(ui->btnExit, &QPushButton::clicked, this, &QWidget::close);
    connect(ui->pnlSendData, &ClickPanel::clicked, this, &TMainForm::pnlSendDataClick);
    connect(ui->pnlRevData, &ClickPanel::clicked, this, &TMainForm::pnlRevDataClick);
    // One handler for both view groups: a newly checked button lays the grid out again.
    for (QRadioButton* item : {ui->rbSA, ui->rbAddress, ui->rb8bit, ui->rb16bit, ui->rb32bit}) {
        connect(item, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked)
                rdgGMViewSizeClick();
        });
    }
    connect(ui->pgcComBtn, &QTabWidget::currentChanged, this, &TMainForm::pgcComBtnChanging);
    connect(ui->rdbMailStatus, &QRadioButton::toggled, this,
            [this](bool checked) { window_.pollMode = checked ? 1 : 0; });
    connect(ui->updMailSa, &QSpinBox::valueChanged, this, [this](int value) { window_.sendSa = value; });
    connect(monitor_.get(), &GMMonitor::cellsChanged, this, &TMainForm::applyGmCells, Qt::QueuedConnection);
    connect(statusThread_.get(), &StatusThread::mailStatusText, ui->edtMailStatus, &QLineEdit::setText,
            Qt::QueuedConnection);
    connect(statusThread_.get(), &StatusThread::mailLamp, ui->pnMailRev, &Lamp::setLit, Qt::QueuedConnection);
    connect(statusThread_.get(), &StatusThread::mailReceived, this, &TMainForm::showReceivedMail, Qt::QueuedConnection);
}

void TMainForm::btnOpenClick() {
    state_.board = ui->updBoard->value();
    const int board = state_.board;
    const auto r = caller_.call<Entry::RV_open>(board);
    if (!r)
        return;
    ShowResult(QStringLiteral("Open: "), *r);
    if (*r != 0 || board < 0 || board >= BoardState::kBoards)
        return;
    state_.opened[static_cast<std::size_t>(board)] = 1;
    ui->pnlOpen->setLit(true);
}

void TMainForm::btnCloseClick() {
    const int board = state_.board;
    if (!state_.currentOpened()) {
        if (const auto r = caller_.call<Entry::RV_close>(board))
            ShowResult(QStringLiteral("Close: "), *r);
        return;
    }
    btnMailCloseClick();
    btnStopClick();
    const auto r = caller_.call<Entry::RV_close>(board);
    if (!r)
        return;
    ShowResult(QStringLiteral("Close: "), *r);
    if (*r != 0)
        return;
    state_.opened[static_cast<std::size_t>(board)] = 0;
    state_.gmmStarted[static_cast<std::size_t>(board)] = 0;
    ui->pnlOpen->setLit(false);
    // A Stop that failed left the monitor on; a closed board has no members.
    dropMemberColours();
}

void TMainForm::btnStartClick() {
    state_.line = ui->updLine->value();
    state_.stationAddress = ui->updSa->value();
    state_.stationSize = ui->updSaSize->value();
    const int board = state_.board;
    const auto r = caller_.call<Entry::RV_start>(board, state_.line.load(), state_.stationAddress.load(),
                                                 state_.stationSize.load(), boardMode_);
    if (!r)
        return;
    ShowResult(QStringLiteral("Start: "), *r);
    if (*r != 0)
        return;
    ui->grbInfo->setEnabled(false);
    ui->pnlConnect->setLit(true);
    ui->pnlGMM->setLit(false);
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
    if (!r)
        return;
    ShowResult(QStringLiteral("Stop: "), *r);
    if (*r != 0)
        return;
    ui->grbInfo->setEnabled(true);
    ui->pnlConnect->setLit(false);
    ui->pnlGMM->setLit(false);
    QCoreApplication::processEvents();
    monitor_->MonitorEnabled = false;
    dropMemberColours();
    QCoreApplication::processEvents();
    statusThread_->PollEnabled = false;
    ui->sgrGM->clearCells(GetViewSize());
    if (board >= 0 && board < BoardState::kBoards) {
        state_.started[static_cast<std::size_t>(board)] = 0;
        state_.gmmStarted[static_cast<std::size_t>(board)] = 0;
    }
}

void TMainForm::btnGmmClick() {
    state_.line = ui->updLine->value();
    const int board = state_.board;
    if (!state_.currentOpened()) {
        if (const auto r = caller_.call<Entry::RV_start_gmm>(board, state_.line.load(), boardMode_))
            ShowResult(QStringLiteral("GMM: "), *r);
        return;
    }
    btnStopClick();
    const auto r = caller_.call<Entry::RV_start_gmm>(board, state_.line.load(), boardMode_);
    if (!r)
        return;
    ShowResult(QStringLiteral("GMM: "), *r);
    if (*r != 0)
        return;
    ui->pnlGMM->setLit(true);
    monitor_->MonitorEnabled = true;
    state_.gmmStarted[static_cast<std::size_t>(board)] = 1;
}

void TMainForm::btnRegClick() {
    if (!state_.currentOpened() || reg43Form_ == nullptr)
        return;
    reg43Form_->exec();
}

void TMainForm::btnGMWriteClick() {
    if (!monitor_->MonitorEnabled || !statusThread_->PollEnabled)
        return;
    const QList<QTableWidgetSelectionRange> ranges = ui->sgrGM->selectedRanges();
    if (ranges.isEmpty())
        return;
    // Rows and columns here count from the first value cell; the grid's fixed
    // header row and column are Qt's headers.
    const QTableWidgetSelectionRange& range = ranges.first();
    const int first = range.topRow();
    const int last = range.bottomRow();
    const int element = range.leftColumn();
    const int count = range.rightColumn() - range.leftColumn() + 1;
    const int32_t value = ParseNumber(ui->edtWrite->text(), 0);
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
        for (int s = first; s <= last; ++s)
            caller_.call<Entry::RV_SetMemShort>(board, line, buffer.data(), s, element, count);
        break;
    }
    default: {
        const std::vector<int32_t> buffer(static_cast<std::size_t>(count), value);
        for (int s = first; s <= last; ++s)
            caller_.call<Entry::RV_SetMemLong>(board, line, buffer.data(), s, element, count);
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
    if (!r)
        return;
    ShowResult(QStringLiteral("Mail Open: "), *r);
    if (*r != 0)
        return;
    ui->pnlMailOpen->setLit(true);
    ui->btnAgeStart->setEnabled(true);
    ui->btnAgeStop->setEnabled(true);
}

void TMainForm::btnMailCloseClick() {
    const auto r = caller_.call<Entry::RV_MailClose>(state_.board.load(), state_.line.load());
    if (!r)
        return;
    ShowResult(QStringLiteral("Mail Close: "), *r);
    if (*r != 0)
        return;
    ui->pnlMailOpen->setLit(false);
    ui->pnMailRev->setLit(false);
    ui->btnAgeStart->setEnabled(false);
    ui->btnAgeStop->setEnabled(false);
}

void TMainForm::btnMailSendClick() {
    std::array<int16_t, kMailBytes / 2> buffer{};
    if (bEditForm_ != nullptr)
        bEditForm_->getData(reinterpret_cast<uint8_t*>(buffer.data()), kMailBytes);
    const int32_t size = ParseNumber(ui->edtMailSendSize->text(), kMailBytes);
    const auto r = caller_.call<Entry::RV_MailSend>(state_.board.load(), state_.line.load(), ui->updMailSa->value(),
                                                    static_cast<const int16_t*>(buffer.data()), size);
    if (r)
        ShowResult(QStringLiteral("Mail Send: "), *r);
}

void TMainForm::btnMailReceiveClick() {
    std::array<int16_t, kMailBytes / 2> buffer{};
    const int32_t size = ParseNumber(ui->edtMailRevSize->text(), kMailBytes);
    int32_t sa = 0;
    const auto r =
        caller_.call<Entry::RV_MailReceive>(state_.board.load(), state_.line.load(), buffer.data(), size, &sa);
    if (!r)
        return;
    ShowResult(QStringLiteral("Mail Receive: "), *r);
    if (*r != 0)
        return;
    // The buffer holds 256 bytes whatever size the library was told.
    const int shown = std::clamp(size, 0, kMailBytes);
    const auto* bytes = reinterpret_cast<const uint8_t*>(buffer.data());
    if (bViewForm_ != nullptr)
        bViewForm_->showData(bytes, shown);
    ui->pnlRevData->setText(bytePreview(bytes, std::min(shown, kPreviewBytes)));
    ui->pnlMailRevSA->setText(QString::number(sa));
    ui->pnMailRev->setLit(false);
}

void TMainForm::btnMailStatusClick() {
    int16_t status = 0;
    const auto r = caller_.call<Entry::RV_MailStatus>(state_.board.load(), state_.line.load(), &status);
    if (!r)
        return;
    ShowResult(QStringLiteral("Mail Status: "), *r);
    if (*r == 0)
        ui->edtMailStatus->setText(Hex16Text(status));
}

void TMainForm::btnAgeStartClick() {
    if (!monitor_->MonitorEnabled || !statusThread_->PollEnabled) {
        ShowResult(QStringLiteral("Mail Status: "), -1);
        return;
    }
    btnMailSendClick();
    window_.agingActive = true;
    ui->pgcComBtn->setTabEnabled(ui->pgcComBtn->indexOf(ui->tbsNormal), false);
    PageChangeAllowed_ = false;
}

void TMainForm::btnAgeStopClick() {
    window_.agingActive = false;
    ui->pgcComBtn->setTabEnabled(ui->pgcComBtn->indexOf(ui->tbsNormal), true);
    PageChangeAllowed_ = true;
}

void TMainForm::pgcComBtnChanging(int index) {
    // The page may not change while the aging test runs: go back to it.
    if (!PageChangeAllowed_ && index != 1)
        ui->pgcComBtn->setCurrentIndex(1);
}

void TMainForm::showReceivedMail(const QByteArray& bytes, int sa) {
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
    if (bViewForm_ != nullptr)
        bViewForm_->showData(data, static_cast<int>(bytes.size()));
    ui->pnlRevData->setText(bytePreview(data, std::min(static_cast<int>(bytes.size()), kPreviewBytes)));
    ui->pnlMailRevSA->setText(QString::number(sa));
    ui->pnMailRev->setLit(false);
}

void TMainForm::applyGmCells(const ravprobe::GmBatch& batch) {
    // A cycle that was under way when Stop or Close cleared the grid arrives late.
    if (batch.generation != monitor_->generation())
        return;
    gmCells_->setMembers(batch.members);
    ui->sgrGM->setCellTexts(batch.cells);
    // A member flag can change with the text unchanged: repaint the colours.
    ui->sgrGM->viewport()->update();
}

void TMainForm::dropMemberColours() {
    monitor_->startNewGeneration();
    gmCells_->setMembers(0);
    // Cells whose text stays the same are not repainted on their own.
    ui->sgrGM->viewport()->update();
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
    if (boardSelected_ || dllForm_ == nullptr)
        return;
    boardSelected_ = true;
    if (dllForm_->exec() != QDialog::Accepted) {
        emit quitRequested();
        return;
    }
    const QString file = libraryFileFor(dllForm_->selectedItem());
    boardMode_ = 2;
    ui->rb8bit->setEnabled(false);
    ui->rb16bit->setChecked(true);
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
    if (ui->rb8bit->isChecked())
        return 0;
    if (ui->rb16bit->isChecked())
        return 1;
    if (ui->rb32bit->isChecked())
        return 2;
    return 0;
}

void TMainForm::rdgGMViewSizeClick() {
    const int size = GetViewSize();
    window_.viewSize = size;
    ui->sgrGM->layOut(size, ui->rbAddress->isChecked());
    if (!state_.currentGmmStarted() && !state_.currentStarted())
        ui->sgrGM->clearCells(size);
}

void TMainForm::pnlSendDataClick() {
    if (bEditForm_ == nullptr)
        return;
    bEditForm_->exec();
    std::array<uint8_t, kPreviewBytes> bytes{};
    const int n = bEditForm_->getData(bytes.data(), std::min(bEditForm_->dataCount(), kPreviewBytes));
    ui->pnlSendData->setText(bytePreview(bytes.data(), n));
}

void TMainForm::pnlRevDataClick() {
    if (bViewForm_ != nullptr)
        bViewForm_->exec();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // The close goes ahead whatever the calls answer.
    if (binding_.loaded())
        btnCloseClick();
    FormClose();
    QWidget::closeEvent(event);
}

}  // namespace ravprobe
