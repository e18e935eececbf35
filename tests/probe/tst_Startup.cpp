// Start-up: the board selection at the first idle moment, the library taken
// from the program's directory, refusal without RV_open, the main window shell.
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <dlfcn.h>

#include "MailGrid.h"
#include "ProbeApplication.h"
#include "ProbeTestSupport.h"
#include "TBEditForm.h"
#include "TDllForm.h"
#include "TMainForm.h"

using namespace ravprobe;

namespace {

// Answers the next "Board Select" dialog with the given item, by OK or Exit.
void answerBoardSelect(int item, bool ok, int* shownItem = nullptr) {
    probetest::onNextModal([=](QWidget* modal) {
        if (modal->objectName() != QLatin1String("DllForm"))
            return false;
        auto* combo = modal->findChild<QComboBox*>(QStringLiteral("ComboBoxDllName"));
        if (shownItem != nullptr)
            *shownItem = combo->currentIndex();
        combo->setCurrentIndex(item);
        modal->findChild<QPushButton*>(ok ? QStringLiteral("btnOk") : QStringLiteral("btnExit"))->click();
        return true;
    });
}

struct ErrorBoxSeen {
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
};

void answerErrorBox(ErrorBoxSeen* seen) {
    probetest::onNextModal([seen](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr)
            return false;
        seen->text = box->text();
        seen->icon = box->icon();
        seen->buttons = static_cast<int>(box->buttons().size());
        box->button(QMessageBox::Ok)->click();
        return true;
    });
}

QString dllName(LibraryBinding& binding) {
    char text[64] = {};
    const auto fn = binding.entry<Entry::RV_dllname>();
    return fn != nullptr ? QString::fromLatin1(fn(text)) : QString();
}

QString copyStandin(const QString& dir, const QString& from, const QString& to) {
    const QString target = dir + QLatin1Char('/') + to;
    QFile::remove(target);
    return QFile::copy(probetest::standinPath(from), target) ? target : QString();
}

}  // namespace

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { probetest::stopPolling(); }
    void exitQuitsWithoutLoading();
    void closingTheDialogQuits();
    void withoutOpenShowsErrorAndQuits();
    void thirdItemLoadsFromProgramDirNotSearchPath();
    void everyChoiceSetsTheViewButtons_data();
    void everyChoiceSetsTheViewButtons();
    void dialogStartsAtFirstItemEachTime();
    void selectionRunsOnlyOnce();
    void longProgramDirectory();
    void libraryLackingAnExportRuns();
    void mainWindowShell();
    void sendDataPanelShowsEditorBytes();
    void boardLibraryBindsFromTheProgramDirectory();
    // Last: once the application has quit, no later case could run a dialog.
    void quitEndsTheEventLoop();
};

void StartupTest::exitQuitsWithoutLoading() {
    ProbeApplication probe(probetest::testDir());
    QSignalSpy quit(&probe.mainForm(), &TMainForm::quitRequested);
    probe.mainForm().show();
    answerBoardSelect(0, false);
    QTRY_COMPARE(quit.count(), 1);
    QVERIFY(!probe.binding().loaded());
    QVERIFY(probe.mainForm().findChild<QRadioButton*>(QStringLiteral("rb8bit"))->isEnabled());
}

void StartupTest::closingTheDialogQuits() {
    ProbeApplication probe(probetest::testDir());
    QSignalSpy quit(&probe.mainForm(), &TMainForm::quitRequested);
    probetest::onNextModal([](QWidget* modal) {
        if (modal->objectName() != QLatin1String("DllForm"))
            return false;
        modal->close();
        return true;
    });
    QTRY_COMPARE(quit.count(), 1);
    QVERIFY(!probe.binding().loaded());
}

void StartupTest::withoutOpenShowsErrorAndQuits() {
    ProbeApplication probe(probetest::testDir());
    QSignalSpy quit(&probe.mainForm(), &TMainForm::quitRequested);
    ErrorBoxSeen seen;
    answerBoardSelect(1, true);
    answerErrorBox(&seen);
    QTRY_COMPARE(quit.count(), 1);
    QCOMPARE(seen.text, QStringLiteral("DLLがロードできません。"));
    QCOMPARE(seen.icon, QMessageBox::Critical);
    QCOMPARE(seen.buttons, 1);
    QVERIFY(!probe.binding().has(Entry::RV_open));
}

void StartupTest::thirdItemLoadsFromProgramDirNotSearchPath() {
    // The decoy of the same file name is on the loader's search path.
    QVERIFY(qEnvironmentVariable("LD_LIBRARY_PATH").contains(QStringLiteral("decoy")));
    ProbeApplication probe(QCoreApplication::applicationDirPath());
    QSignalSpy quit(&probe.mainForm(), &TMainForm::quitRequested);
    answerBoardSelect(2, true);
    QTRY_VERIFY(probe.binding().loaded());
    QCOMPARE(dllName(probe.binding()), QStringLiteral("Q5Ravlib64.dll"));
    QCOMPARE(quit.count(), 0);
}

void StartupTest::everyChoiceSetsTheViewButtons_data() {
    QTest::addColumn<int>("item");
    QTest::addColumn<bool>("usable");
    QTest::newRow("PCI Express Ravel") << 0 << true;
    QTest::newRow("Q5 option board") << 1 << false;
    QTest::newRow("Q5 option board 64bit") << 2 << true;
}

void StartupTest::everyChoiceSetsTheViewButtons() {
    QFETCH(int, item);
    QFETCH(bool, usable);
    ProbeApplication probe(probetest::testDir());
    QSignalSpy quit(&probe.mainForm(), &TMainForm::quitRequested);
    ErrorBoxSeen seen;
    answerBoardSelect(item, true);
    if (!usable)
        answerErrorBox(&seen);
    auto* grid = probe.mainForm().findChild<QTableWidget*>(QStringLiteral("sgrGM"));
    QCOMPARE(grid->columnCount(), 8);
    QTRY_COMPARE(probe.mainForm().boardMode(), 2);
    if (!usable)
        QTRY_COMPARE(quit.count(), 1);
    QVERIFY(!probe.mainForm().findChild<QRadioButton*>(QStringLiteral("rb8bit"))->isEnabled());
    QVERIFY(probe.mainForm().findChild<QRadioButton*>(QStringLiteral("rb16bit"))->isChecked());
    QCOMPARE(probe.mainForm().GetViewSize(), 1);
    // The grid is laid out again as the 16-bit view.
    QCOMPARE(grid->columnCount(), 4);
    QCOMPARE(grid->horizontalHeaderItem(3)->text(), QStringLiteral("6"));
    QCOMPARE(grid->item(63, 3)->text(), QStringLiteral("0000"));
    QCOMPARE(grid->columnWidth(0), 68);
    QCOMPARE(grid->verticalHeaderItem(63)->text(), QStringLiteral("          63"));
    QCOMPARE(probe.binding().has(Entry::RV_open), usable);
}

void StartupTest::dialogStartsAtFirstItemEachTime() {
    TDllForm form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Board Select"));
    QCOMPARE(form.size(), QSize(369, 190));
    auto* combo = form.findChild<QComboBox*>(QStringLiteral("ComboBoxDllName"));
    QCOMPARE(combo->count(), 3);
    QCOMPARE(combo->itemText(0), QStringLiteral("PCI Express Ravel"));
    QCOMPARE(combo->itemText(1), QStringLiteral("Q5 オプションボード Ravel"));
    QCOMPARE(combo->itemText(2), QStringLiteral("Q5 オプションボード Ravel (64bit OS)"));
    QVERIFY(!combo->isEditable());
    int first = -1;
    answerBoardSelect(2, false, &first);
    QCOMPARE(form.exec(), int(QDialog::Rejected));
    QCOMPARE(first, 0);
    QCOMPARE(form.selectedItem(), 2);
    int second = -1;
    answerBoardSelect(1, true, &second);
    QCOMPARE(form.exec(), int(QDialog::Accepted));
    QCOMPARE(second, 0);
    QCOMPARE(form.selectedItem(), 1);
}

void StartupTest::selectionRunsOnlyOnce() {
    ProbeApplication probe(probetest::testDir());
    answerBoardSelect(0, true);
    QTRY_VERIFY(probe.binding().loaded());
    int shown = 0;
    probetest::onNextModal([&shown](QWidget* modal) {
        ++shown;
        modal->close();
        return true;
    });
    probe.mainForm().SelectBoard();
    QTest::qWait(100);
    QCOMPARE(shown, 0);
    QVERIFY(probe.binding().loaded());
}

void StartupTest::longProgramDirectory() {
    QTemporaryDir base;
    QVERIFY(base.isValid());
    QString dir = base.path();
    for (int i = 0; i < 12; ++i)
        dir += QLatin1Char('/') + QString(120, QLatin1Char('a' + i));
    QVERIFY(QDir().mkpath(dir));
    QVERIFY(dir.size() > 1400);
    QVERIFY(!copyStandin(dir, QStringLiteral("libRavlib.so"), QStringLiteral("libRavlib.so")).isEmpty());
    ProbeApplication probe(dir);
    QSignalSpy quit(&probe.mainForm(), &TMainForm::quitRequested);
    answerBoardSelect(0, true);
    QTRY_VERIFY(probe.binding().loaded());
    QCOMPARE(quit.count(), 0);
    QVERIFY(probe.binding().has(Entry::RV_open));
    Dl_info info{};
    QVERIFY(dladdr(reinterpret_cast<void*>(probe.binding().entry<Entry::RV_open>()), &info) != 0);
    QCOMPARE(QString::fromLocal8Bit(info.dli_fname), dir + QStringLiteral("/libRavlib.so"));
}

void StartupTest::libraryLackingAnExportRuns() {
    QTemporaryDir dir;
    QVERIFY(!copyStandin(dir.path(), QStringLiteral("libRavlibLacking.so"), QStringLiteral("libRavlib.so")).isEmpty());
    ProbeApplication probe(dir.path());
    QSignalSpy quit(&probe.mainForm(), &TMainForm::quitRequested);
    answerBoardSelect(0, true);
    QTRY_VERIFY(probe.binding().loaded());
    QTest::qWait(50);
    QCOMPARE(quit.count(), 0);
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    int16_t status = 0;
    QVERIFY(!probe.mainForm().caller().call<Entry::RV_MailStatus>(0, 0, &status).has_value());
    auto* memLog = probe.mainForm().findChild<QPlainTextEdit*>(QStringLiteral("memLog"));
    QCOMPARE(memLog->toPlainText(), QStringLiteral("RV_MailStatus: not exported by the loaded library"));
}

void StartupTest::mainWindowShell() {
    ProbeApplication probe(probetest::testDir());
    QSignalSpy quit(&probe.mainForm(), &TMainForm::quitRequested);
    answerBoardSelect(0, false);
    QTRY_COMPARE(quit.count(), 1);
    TMainForm& form = probe.mainForm();
    QCOMPARE(form.windowTitle(), QStringLiteral("Ravel ドライバテスト"));
    QCOMPARE(form.size(), QSize(761, 666));
    QVERIFY(form.findChild<QRadioButton*>(QStringLiteral("rb8bit"))->isChecked());
    QCOMPARE(form.GetViewSize(), 0);
    auto* grid = form.findChild<QTableWidget*>(QStringLiteral("sgrGM"));
    QCOMPARE(grid->rowCount(), 64);
    QCOMPARE(grid->columnCount(), 8);
    QCOMPARE(grid->item(0, 7)->text(), QStringLiteral("00"));
    form.findChild<QRadioButton*>(QStringLiteral("rb32bit"))->setChecked(true);
    QCOMPARE(grid->columnCount(), 2);
    QCOMPARE(grid->horizontalHeaderItem(1)->text(), QStringLiteral("4"));
    QCOMPARE(grid->item(10, 1)->text(), QStringLiteral("00000000"));
    // "Address": the row titles' eight digits fit the header.
    form.findChild<QWidget*>(QStringLiteral("rdgGMviewMode"))->findChildren<QRadioButton*>().at(1)->setChecked(true);
    QHeaderView* rows = grid->verticalHeader();
    const int margins = 2 * rows->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, rows);
    QVERIFY(rows->fontMetrics().horizontalAdvance(grid->verticalHeaderItem(63)->text()) + margins <= rows->width());
    auto* memLog = form.findChild<QPlainTextEdit*>(QStringLiteral("memLog"));
    QVERIFY(memLog->isReadOnly());
    for (const char* name :
         {"grbInfo",   "grbGM",     "grbMail",  "grbStatus", "grbStatusFlag",   "rdgGMviewMode", "rdgGMViewSize",
          "pgcComBtn", "tbsNormal", "tbsAging", "btnOpen",   "btnMailStatus",   "btnAgeStart",   "btnExit",
          "pnlOpen",   "pnMailRev", "edtBoard", "updBoard",  "edtMailSendSize", "pnlSendData",   "pnlRevData"}) {
        QVERIFY2(form.findChild<QWidget*>(QLatin1String(name)) != nullptr, name);
    }
    QVERIFY(!form.findChild<QPushButton*>(QStringLiteral("btnAgeStart"))->isEnabled());
    QCOMPARE(form.findChild<QLineEdit*>(QStringLiteral("edtWrite"))->text(), QStringLiteral("0x0000"));
}

void StartupTest::sendDataPanelShowsEditorBytes() {
    ProbeApplication probe(probetest::testDir());
    answerBoardSelect(0, true);
    QTRY_VERIFY(probe.binding().loaded());
    probe.mainForm().show();
    auto* panel = probe.mainForm().findChild<QLabel*>(QStringLiteral("pnlSendData"));
    QCOMPARE(panel->text(), QStringLiteral("00 00 00 00 00 00 00 00 00 00 "));
    probetest::onNextModal([](QWidget* modal) {
        if (modal->objectName() != QLatin1String("BEditForm"))
            return false;
        auto* grid = modal->findChild<MailGrid*>(QStringLiteral("sgChar"));
        QTest::keyClicks(grid, QStringLiteral("Hello, world"));
        modal->findChild<QPushButton*>(QStringLiteral("btnClose"))->click();
        return true;
    });
    QTest::mouseClick(panel, Qt::LeftButton);
    QCOMPARE(probe.bEditForm().dataCount(), 12);
    QCOMPARE(panel->text(), QStringLiteral("48 65 6C 6C 6F 2C 20 77 6F 72 "));
}

void StartupTest::quitEndsTheEventLoop() {
    ProbeApplication probe(probetest::testDir());
    probe.mainForm().show();
    answerBoardSelect(1, true);
    ErrorBoxSeen seen;
    answerErrorBox(&seen);
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard.start(30000);
    QCOMPARE(QCoreApplication::exec(), 0);
    QCOMPARE(seen.text, QStringLiteral("DLLがロードできません。"));
}

void StartupTest::boardLibraryBindsFromTheProgramDirectory() {
    // The real program's directory, with the board library built beside it.
    const QString programDir = QFileInfo(QStringLiteral(RAVPROBE_EXE)).absolutePath();
    if (!QFile::exists(programDir + QStringLiteral("/libRavlib.so")))
        QSKIP("the board library is not built");
    ProbeApplication probe(programDir);
    answerBoardSelect(0, true);
    QTRY_VERIFY2(probe.binding().loaded(), qPrintable(probe.binding().loadError()));
    for (std::size_t i = 0; i < kEntryCount; ++i)
        QVERIFY2(probe.binding().has(static_cast<Entry>(i)), kEntryNames[i]);
    QCOMPARE(dllName(probe.binding()), QStringLiteral("Ravlib.dll"));
    QCOMPARE(probe.binding().entry<Entry::RV_maxline>()(), 1);
    // A board that is not open answers with its code through the table.
    QCOMPARE(probe.mainForm().caller().call<Entry::RV_close>(3), std::optional<int32_t>(2));
}

QTEST_MAIN(StartupTest)
#include "tst_Startup.moc"
