// The main window's handlers and its two threads against the recording
// stand-in: calls, log lines, lamps, the grid and the aging test.
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>

#include "GmCellDelegate.h"
#include "MainWindowFixture.h"
#include "TBViewForm.h"
#include "chip/Mky43.h"

using namespace probetest;
using ravprobe::ReturnCodeText;

namespace {

const QString kOk = ReturnCodeText(0);

QString lib() {
    return standinPath(QStringLiteral("libRavlib.so"));
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { stopPolling(); }
    void closeOnBoardNeverOpened();
    void mailOpenPreconditions();
    void agingStartWhileStopped();
    void gmmWithoutOpenCallsAnyway();
    void gmmOnStartedBoardStopsFirst();
    void sizesReachTheLibrary_data();
    void sizesReachTheLibrary();
    void receivePreview();
    void gmWriteFromSelection_data();
    void gmWriteFromSelection();
    void gmWriteNeedsBothThreads();
    void mailStatusWord_data();
    void mailStatusWord();
    void failedCallChangesNothing();
    void threadsIdleBeforeStart();
    void monitorShowsBlocksAndMembers();
    void stopClearsAndStartRedraws();
    void afterGmmOnlyTheMonitorRuns();
    void arrivedMailLightsTheLamp();
    void agingExchangesInOrder();
    void agingCounterWraps();
    void agingReceiveWithoutZeroByte();
    void waitModeMailCloseStopsPolling();
    void agingLocksThePage();
    void closingTheWindowClosesInOrder();
};

void MainWindowTest::closeOnBoardNeverOpened() {
    ProbeUnderTest p(testDir());
    Standin s(lib());
    s.reset();
    s.setResult("RV_close", 2);
    const QColor before = p.lamp("pnlOpen");
    p.click("btnClose");
    QCOMPARE(s.calls(), QStringList({QStringLiteral("RV_close(0,0)")}));
    QCOMPARE(p.logLines(), QStringList({QStringLiteral("Close: ") + ReturnCodeText(2)}));
    QCOMPARE(p.lamp("pnlOpen"), before);
}

void MainWindowTest::mailOpenPreconditions() {
    ProbeUnderTest p(testDir());
    Standin s(lib());
    s.reset();
    p.click("btnMailOpen");
    p.click("btnOpen");
    p.click("btnMailOpen");
    QCOMPARE(p.logLines(),
             QStringList({QStringLiteral("Mail Open: MKY43_ER_NOTOPEN\t\t"), QStringLiteral("Open: ") + kOk,
                          QStringLiteral("Mail Open: MKY43_ER_NOTSTART\t\t")}));
    QCOMPARE(s.calls(), QStringList({QStringLiteral("RV_open(0,0)")}));
    QCOMPARE(p.lamp("pnlOpen"), kGreen);
    QVERIFY(!p.control<QPushButton>("btnAgeStart")->isEnabled());
    p.click("btnStart");
    p.click("btnMailOpen");
    QCOMPARE(s.callsOf(QStringLiteral("RV_MailOpen")), QStringList({QStringLiteral("RV_MailOpen(0,0)")}));
    QCOMPARE(p.lamp("pnlMailOpen"), kGreen);
    QVERIFY(p.control<QPushButton>("btnAgeStart")->isEnabled());
    QVERIFY(p.control<QPushButton>("btnAgeStop")->isEnabled());
}

void MainWindowTest::agingStartWhileStopped() {
    ProbeUnderTest p(testDir());
    Standin s(lib());
    s.reset();
    p.control<QPushButton>("btnAgeStart")->setEnabled(true);
    p.click("btnAgeStart");
    QCOMPARE(p.logLines(), QStringList({QStringLiteral("Mail Status: MKY43_ER_OTHER\t\t\t")}));
    QVERIFY(s.calls().isEmpty());
    QVERIFY(!p.form().agingActive());
}

void MainWindowTest::gmmWithoutOpenCallsAnyway() {
    ProbeUnderTest p(testDir());
    Standin s(lib());
    s.reset();
    s.setResult("RV_start_gmm", 2);
    p.click("btnGmm");
    QCOMPARE(s.calls(), QStringList({QStringLiteral("RV_start_gmm(0,0,2)")}));
    QCOMPARE(p.logLines(), QStringList({QStringLiteral("GMM: ") + ReturnCodeText(2)}));
    QVERIFY(!p.form().monitor().MonitorEnabled);
}

void MainWindowTest::gmmOnStartedBoardStopsFirst() {
    ProbeUnderTest p(testDir());
    Standin s(lib());
    s.reset();
    p.control<QSpinBox>("updSa")->setValue(5);
    p.control<QSpinBox>("updSaSize")->setValue(3);
    p.click("btnOpen");
    p.click("btnStart");
    QVERIFY(!p.control<QWidget>("grbInfo")->isEnabled());
    QCOMPARE(p.lamp("pnlConnect"), kGreen);
    p.click("btnGmm");
    QCOMPARE(p.logLines(), QStringList({QStringLiteral("Open: ") + kOk, QStringLiteral("Start: ") + kOk,
                                        QStringLiteral("Stop: ") + kOk, QStringLiteral("GMM: ") + kOk}));
    QStringList commands;
    for (const QString& call : s.calls()) {
        if (!call.startsWith(QStringLiteral("RV_Get")) && !call.startsWith(QStringLiteral("RV_Mail")))
            commands << call;
    }
    QCOMPARE(commands, QStringList({QStringLiteral("RV_open(0,0)"), QStringLiteral("RV_start(0,0,5,3,2)"),
                                    QStringLiteral("RV_stop(0,0)"), QStringLiteral("RV_start_gmm(0,0,2)")}));
    QCOMPARE(p.lamp("pnlGMM"), kGreen);
    QCOMPARE(p.lamp("pnlConnect") == kGreen, false);
    QVERIFY(p.control<QWidget>("grbInfo")->isEnabled());
    QVERIFY(p.form().monitor().MonitorEnabled);
    QVERIFY(!p.form().statusThread().PollEnabled);
    QCOMPARE(p.form().boardState().gmmStarted[0].load(), 1);
    QCOMPARE(p.form().boardState().started[0].load(), 0);
    // Start again turns the GMM lamp off.
    p.click("btnStart");
    QVERIFY(p.lamp("pnlGMM") != kGreen);
}

void MainWindowTest::sizesReachTheLibrary_data() {
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<QByteArray>("edit");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("call");
    QTest::newRow("send 300") << QByteArray("btnMailSend") << QByteArray("edtMailSendSize") << "300"
                              << "RV_MailSend(0,0,7,300,";
    QTest::newRow("send hex") << QByteArray("btnMailSend") << QByteArray("edtMailSendSize") << " $10"
                              << "RV_MailSend(0,0,7,16,";
    QTest::newRow("send text") << QByteArray("btnMailSend") << QByteArray("edtMailSendSize") << "abc"
                               << "RV_MailSend(0,0,7,256,";
    QTest::newRow("receive 0") << QByteArray("btnMailReceive") << QByteArray("edtMailRevSize") << "0"
                               << "RV_MailReceive(0,0,0)";
    QTest::newRow("receive empty") << QByteArray("btnMailReceive") << QByteArray("edtMailRevSize") << ""
                                   << "RV_MailReceive(0,0,256)";
    QTest::newRow("receive trailing") << QByteArray("btnMailReceive") << QByteArray("edtMailRevSize") << "4 "
                                      << "RV_MailReceive(0,0,256)";
}

void MainWindowTest::sizesReachTheLibrary() {
    QFETCH(QByteArray, button);
    QFETCH(QByteArray, edit);
    QFETCH(QString, typed);
    QFETCH(QString, call);
    ProbeUnderTest p(testDir());
    Standin s(lib());
    s.reset();
    p.control<QSpinBox>("updMailSa")->setValue(7);
    p.setText(edit.constData(), typed);
    p.click(button.constData());
    QCOMPARE(s.calls().size(), 1);
    QVERIFY2(s.calls().first().startsWith(call), qPrintable(s.calls().first()));
}

void MainWindowTest::receivePreview() {
    ProbeUnderTest p(testDir());
    Standin s(lib());
    s.reset();
    s.poke(mky43::kMailReceiveBuffer0, QByteArray::fromHex("80414243FF"));
    s.setMail(0, 23);
    p.setText("edtMailRevSize", QStringLiteral("4"));
    p.click("btnMailReceive");
    QCOMPARE(p.control<QLabel>("pnlRevData")->text(), QStringLiteral("80 41 42 43 "));
    QCOMPARE(p.control<QLabel>("pnlMailRevSA")->text(), QStringLiteral("23"));
    QCOMPARE(p.app().bViewForm().dataCount(), 4);
    QCOMPARE(p.logLines(), QStringList({QStringLiteral("Mail Receive: ") + kOk}));
    // A refused size changes nothing.
    s.setResult("RV_MailReceive", 20);
    p.setText("edtMailRevSize", QStringLiteral("2"));
    p.click("btnMailReceive");
    QCOMPARE(p.control<QLabel>("pnlRevData")->text(), QStringLiteral("80 41 42 43 "));
    QCOMPARE(p.logLines().last(), QStringLiteral("Mail Receive: MKY43_ER_MAILSIZE  \t"));
}

void MainWindowTest::gmWriteFromSelection_data() {
    QTest::addColumn<QString>("view");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("calls");
    QTest::newRow("16bit 0x1FF") << "rb16bit"
                                 << "0x1FF"
                                 << QStringList({"RV_SetMemShort(0,0,2,1,2,01FF 01FF)",
                                                 "RV_SetMemShort(0,0,3,1,2,01FF 01FF)",
                                                 "RV_SetMemShort(0,0,4,1,2,01FF 01FF)"});
    QTest::newRow("16bit abc") << "rb16bit"
                               << "abc"
                               << QStringList({"RV_SetMemShort(0,0,2,1,2,0000 0000)",
                                               "RV_SetMemShort(0,0,3,1,2,0000 0000)",
                                               "RV_SetMemShort(0,0,4,1,2,0000 0000)"});
    QTest::newRow("16bit cut") << "rb16bit"
                               << "x12345"
                               << QStringList({"RV_SetMemShort(0,0,2,1,2,2345 2345)",
                                               "RV_SetMemShort(0,0,3,1,2,2345 2345)",
                                               "RV_SetMemShort(0,0,4,1,2,2345 2345)"});
    QTest::newRow("32bit -2") << "rb32bit"
                              << "-2"
                              << QStringList({"RV_SetMemLong(0,0,2,1,1,FFFE FFFF)",
                                              "RV_SetMemLong(0,0,3,1,1,FFFE FFFF)",
                                              "RV_SetMemLong(0,0,4,1,1,FFFE FFFF)"});
}

void MainWindowTest::gmWriteFromSelection() {
    QFETCH(QString, view);
    QFETCH(QString, typed);
    QFETCH(QStringList, calls);
    ProbeUnderTest p(testDir());
    Standin s(lib());
    p.click("btnOpen");
    p.click("btnStart");
    p.control<QRadioButton>(view.toLatin1().constData())->setChecked(true);
    // Stations 2..4, value columns 1 up to 2 (only 1 in the 32-bit view).
    p.grid()->setRangeSelected(QTableWidgetSelectionRange(2, 1, 4, std::min(2, p.grid()->columnCount() - 1)), true);
    p.setText("edtWrite", typed);
    s.reset();
    p.click("btnGMWrite");
    const QString name = calls.first().section(QLatin1Char('('), 0, 0);
    QCOMPARE(s.callsOf(name), calls);
}

void MainWindowTest::gmWriteNeedsBothThreads() {
    ProbeUnderTest p(testDir());
    Standin s(lib());
    p.click("btnOpen");
    p.click("btnGmm");
    p.grid()->setRangeSelected(QTableWidgetSelectionRange(0, 0, 1, 1), true);
    s.reset();
    p.click("btnGMWrite");
    QVERIFY(s.callsOf(QStringLiteral("RV_SetMemShort")).isEmpty());
    QVERIFY(s.callsOf(QStringLiteral("RV_SetMemByte")).isEmpty());
}

void MainWindowTest::mailStatusWord_data() {
    QTest::addColumn<int>("word");
    QTest::addColumn<QString>("shown");
    QTest::newRow("0x8000") << 0x8000 << "FFFF8000";
    QTest::newRow("0x1234") << 0x1234 << "1234";
    QTest::newRow("0x0001") << 0x0001 << "0001";
    QTest::newRow("0xFFFF") << 0xFFFF << "FFFFFFFF";
}

void MainWindowTest::mailStatusWord() {
    QFETCH(int, word);
    QFETCH(QString, shown);
    ProbeUnderTest p(testDir());
    Standin s(lib());
    s.reset();
    s.setMail(static_cast<int16_t>(word), 0);
    p.click("btnMailStatus");
    QCOMPARE(p.text("edtMailStatus"), shown);
    QCOMPARE(p.logLines(), QStringList({QStringLiteral("Mail Status: ") + kOk}));
}

void MainWindowTest::failedCallChangesNothing() {
    ProbeUnderTest p(testDir());
    Standin s(lib());
    s.reset();
    s.setResult("RV_open", 4);
    p.click("btnOpen");
    QVERIFY(p.lamp("pnlOpen") != kGreen);
    QCOMPARE(p.form().boardState().opened[0].load(), 0);
    s.setResult("RV_open", 0);
    p.click("btnOpen");
    s.setResult("RV_start", 15);
    p.click("btnStart");
    QVERIFY(p.control<QWidget>("grbInfo")->isEnabled());
    QVERIFY(!p.form().monitor().MonitorEnabled);
    QVERIFY(!p.form().statusThread().PollEnabled);
    QCOMPARE(p.logLines().last(), QStringLiteral("Start: MKY43_ER_CONNECT\t\t"));
    // The status word keeps its text when the call fails.
    s.setMail(0x1234, 0);
    p.click("btnMailStatus");
    s.setResult("RV_MailStatus", 19);
    s.setMail(0x0100, 0);
    p.click("btnMailStatus");
    QCOMPARE(p.text("edtMailStatus"), QStringLiteral("1234"));
}

void MainWindowTest::threadsIdleBeforeStart() {
    ProbeUnderTest p(testDir());
    Standin s(lib());
    s.reset();
    p.click("btnOpen");
    QTest::qWait(400);
    QCOMPARE(s.calls(), QStringList({QStringLiteral("RV_open(0,0)")}));
    QVERIFY(p.form().monitor().isRunning());
    QVERIFY(p.form().statusThread().isRunning());
}

void MainWindowTest::monitorShowsBlocksAndMembers() {
    ProbeUnderTest p(testDir());
    Standin s(lib());
    s.reset();
    // Station 10: bytes 01..08; members 1, 2 (own, address 1 size 2) and 10.
    s.poke(10 * 8, QByteArray::fromHex("0102030405060708"));
    s.poke(mky43::MFR, QByteArray::fromHex("0604000000000000"));
    p.control<QSpinBox>("updSa")->setValue(1);
    p.control<QSpinBox>("updSaSize")->setValue(2);
    p.click("btnOpen");
    p.click("btnStart");
    QTRY_COMPARE_WITH_TIMEOUT(p.grid()->item(10, 0)->text(), QStringLiteral("0201"), 10000);
    QCOMPARE(p.grid()->item(10, 3)->text(), QStringLiteral("0807"));
    auto* delegate = static_cast<ravprobe::GmCellDelegate*>(p.grid()->itemDelegate());
    QCOMPARE(delegate->fillOf(1, false), QColor(0x00, 0xFF, 0x00));
    QCOMPARE(delegate->fillOf(2, false), QColor(0x00, 0xFF, 0x00));
    QCOMPARE(delegate->fillOf(10, false), QColor(0x00, 0x00, 0xFF));
    QVERIFY(!delegate->fillOf(3, false).isValid());
    QCOMPARE(delegate->fillOf(3, true), QColor(0x00, 0x00, 0x80));
    // The 32-bit view is redrawn whole on the next cycle; the 8-bit one is disabled.
    p.control<QRadioButton>("rb32bit")->setChecked(true);
    QTRY_COMPARE_WITH_TIMEOUT(p.grid()->item(10, 1)->text(), QStringLiteral("08070605"), 10000);
    QCOMPARE(p.grid()->item(10, 0)->text(), QStringLiteral("04030201"));
    QCOMPARE(p.grid()->item(0, 0)->text(), QStringLiteral("00000000"));
    // A change shows on a later cycle.
    s.poke(63 * 8 + 6, QByteArray::fromHex("BEEF"));
    QTRY_COMPARE_WITH_TIMEOUT(p.grid()->item(63, 1)->text(), QStringLiteral("EFBE0000"), 10000);
}

void MainWindowTest::stopClearsAndStartRedraws() {
    ProbeUnderTest p(testDir());
    Standin s(lib());
    s.reset();
    s.poke(5 * 8, QByteArray::fromHex("3412"));
    s.poke(mky43::MFR, QByteArray::fromHex("0100000000000000"));
    p.click("btnOpen");
    p.click("btnStart");
    p.form().show();
    // What the screen holds of own station 0, not what a fresh paint would draw.
    const QPoint at = p.grid()->viewport()->mapToGlobal(p.grid()->visualItemRect(p.grid()->item(0, 2)).center());
    const auto onScreen = [&] { return p.form().screen()->grabWindow(0, at.x(), at.y(), 1, 1).toImage().pixel(0, 0); };
    QTRY_COMPARE_WITH_TIMEOUT(p.grid()->item(5, 0)->text(), QStringLiteral("1234"), 10000);
    QTRY_COMPARE(onScreen(), qRgb(0x00, 0xFF, 0x00));
    const int beforeStop = p.form().monitor().generation();
    p.click("btnStop");
    QCOMPARE(p.grid()->item(5, 0)->text(), QStringLiteral("0000"));
    QTRY_VERIFY(onScreen() != qRgb(0x00, 0xFF, 0x00));
    QTest::qWait(300);
    QCOMPARE(p.grid()->item(5, 0)->text(), QStringLiteral("0000"));
    // A batch of a cycle that ran into the stop, landing once GMM has enabled the monitor again.
    s.poke(mky43::MFR, QByteArray(8, '\0'));
    p.click("btnGmm");
    emit p.form().monitor().cellsChanged({beforeStop, 1, {}});
    QCoreApplication::processEvents();
    QVERIFY(!static_cast<ravprobe::GmCellDelegate*>(p.grid()->itemDelegate())->fillOf(0, false).isValid());
    // Same contents as before the stop: the cell is written again all the same.
    p.click("btnStart");
    QTRY_COMPARE_WITH_TIMEOUT(p.grid()->item(5, 0)->text(), QStringLiteral("1234"), 10000);
}

void MainWindowTest::afterGmmOnlyTheMonitorRuns() {
    ProbeUnderTest p(testDir());
    Standin s(lib());
    s.reset();
    s.setMail(0x0100, 0);
    p.click("btnOpen");
    p.click("btnGmm");
    QTRY_VERIFY_WITH_TIMEOUT(s.callsOf(QStringLiteral("RV_GetMemShort")).size() >= 128, 10000);
    QVERIFY(s.callsOf(QStringLiteral("RV_MailStatus")).isEmpty());
    QVERIFY(p.lamp("pnMailRev") != kYellow);
    QVERIFY(p.text("edtMailStatus").isEmpty());
}

void MainWindowTest::arrivedMailLightsTheLamp() {
    ProbeUnderTest p(testDir());
    Standin s(lib());
    s.reset();
    p.click("btnOpen");
    p.click("btnStart");
    s.setMail(0x0100, 0);
    QTRY_COMPARE_WITH_TIMEOUT(p.lamp("pnMailRev"), kYellow, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(p.text("edtMailStatus"), QStringLiteral("0100"), 10000);
    // A failed poll (mail closed) does not light the lamp from the last word it read.
    s.setResult("RV_MailStatus", 16);
    QTRY_VERIFY_WITH_TIMEOUT(p.lamp("pnMailRev") != kYellow, 10000);
    s.setResult("RV_MailStatus", 0);
    s.setMail(0x0000, 0);
    QTRY_VERIFY_WITH_TIMEOUT(p.lamp("pnMailRev") != kYellow, 10000);
    // The poll mode switches on a later cycle.
    p.control<QRadioButton>("rdbMailWait")->setChecked(true);
    s.reset();
    QTRY_VERIFY_WITH_TIMEOUT(!s.callsOf(QStringLiteral("RV_MailWaitObject")).isEmpty(), 10000);
    s.setResult("RV_MailWaitObject", 24);
    QTRY_COMPARE_WITH_TIMEOUT(p.lamp("pnMailRev"), kYellow, 10000);
}

void MainWindowTest::agingExchangesInOrder() {
    ProbeUnderTest p(testDir());
    Standin s(lib());
    s.reset();
    s.poke(mky43::kMailReceiveBuffer0, QByteArray("pong"));
    p.control<QSpinBox>("updMailSa")->setValue(20);
    p.click("btnOpen");
    p.click("btnStart");
    p.click("btnMailOpen");
    p.click("btnAgeStart");
    QVERIFY(p.form().agingActive());
    s.setMail(0x0100, 21);
    QTRY_VERIFY_WITH_TIMEOUT(p.logLines().size() >= 5 + 2 * 20, 20000);
    p.click("btnAgeStop");
    QVERIFY(!p.form().agingActive());
    QTest::qWait(100);
    const QStringList lines = p.logLines();
    QCOMPARE(lines.mid(0, 5), QStringList({QStringLiteral("Open: ") + kOk, QStringLiteral("Start: ") + kOk,
                                           QStringLiteral("Mail Open: ") + kOk, QStringLiteral("Mail Send: ") + kOk,
                                           QStringLiteral("Mail Send: Data(0) - Sa(20)")}));
    // After the first four lines: one send and one receive line per exchange.
    for (int i = 0; i * 2 + 4 < lines.size(); ++i) {
        QCOMPARE(lines[4 + 2 * i], QStringLiteral("Mail Send: Data(%1) - Sa(20)").arg(i));
        if (4 + 2 * i + 1 < lines.size())
            QCOMPARE(lines[4 + 2 * i + 1], QStringLiteral("Mail Receive: Data(pong) - Sa(21)"));
    }
    QCOMPARE(p.control<QLabel>("pnlRevData")->text(), QStringLiteral("70 6F 6E 67 00 00 00 00 00 00 "));
    QCOMPARE(p.control<QLabel>("pnlMailRevSA")->text(), QStringLiteral("21"));
    QCOMPARE(p.app().bViewForm().dataCount(), 256);
    QVERIFY(s.callsOf(QStringLiteral("RV_MailSend")).contains(QStringLiteral("RV_MailSend(0,0,20,256,3)")));
}

void MainWindowTest::agingCounterWraps() {
    ProbeUnderTest p(testDir());
    Standin s(lib());
    s.reset();
    s.poke(mky43::kMailReceiveBuffer0, QByteArray("x"));
    p.form().statusThread().setAgingCounter(9999999);
    p.click("btnOpen");
    p.click("btnStart");
    p.click("btnMailOpen");
    s.setResult("RV_MailReceive", 22);
    p.click("btnAgeStart");
    s.setMail(0x0100, 1);
    QTRY_VERIFY_WITH_TIMEOUT(p.logLines().size() >= 9, 20000);
    p.click("btnAgeStop");
    const QStringList lines = p.logLines();
    QCOMPARE(lines.mid(4, 4), QStringList({QStringLiteral("Mail Send: Data(9999999) - Sa(0)"),
                                           QStringLiteral("Mail Receive: MKY43_ER_MAILNOTRECEIVE"),
                                           QStringLiteral("Mail Send: Data(0) - Sa(0)"),
                                           QStringLiteral("Mail Receive: MKY43_ER_MAILNOTRECEIVE")}));
}

void MainWindowTest::agingReceiveWithoutZeroByte() {
    ProbeUnderTest p(testDir());
    Standin s(lib());
    s.reset();
    s.poke(mky43::kMailReceiveBuffer0, QByteArray(256, 'Z'));
    p.click("btnOpen");
    p.click("btnStart");
    p.click("btnMailOpen");
    p.click("btnAgeStart");
    s.setMail(0x0100, 3);
    QTRY_VERIFY_WITH_TIMEOUT(p.logLines().size() >= 7, 20000);
    p.click("btnAgeStop");
    QCOMPARE(p.logLines().at(5), QStringLiteral("Mail Receive: Data(%1) - Sa(3)").arg(QString(256, QLatin1Char('Z'))));
}

void MainWindowTest::waitModeMailCloseStopsPolling() {
    ProbeUnderTest p(testDir());
    Standin s(lib());
    s.reset();
    p.control<QRadioButton>("rdbMailWait")->setChecked(true);
    s.setResult("RV_MailWaitObject", 25);
    p.click("btnOpen");
    p.click("btnStart");
    QTRY_VERIFY_WITH_TIMEOUT(!p.form().statusThread().PollEnabled, 10000);
    const int polls = s.callsOf(QStringLiteral("RV_MailWaitObject")).size();
    QTest::qWait(200);
    QCOMPARE(s.callsOf(QStringLiteral("RV_MailWaitObject")).size(), polls);
    QVERIFY(p.form().monitor().MonitorEnabled);
    p.click("btnStop");
    s.setResult("RV_MailWaitObject", 0);
    p.click("btnStart");
    QTRY_VERIFY_WITH_TIMEOUT(s.callsOf(QStringLiteral("RV_MailWaitObject")).size() > polls + 2, 10000);
}

void MainWindowTest::agingLocksThePage() {
    ProbeUnderTest p(testDir());
    Standin s(lib());
    auto* pages = p.control<QTabWidget>("pgcComBtn");
    p.click("btnOpen");
    p.click("btnStart");
    p.click("btnMailOpen");
    pages->setCurrentIndex(1);
    p.click("btnAgeStart");
    QVERIFY(!p.control<QWidget>("tbsNormal")->isEnabled() && !pages->isTabEnabled(0));
    pages->setCurrentIndex(0);
    QCOMPARE(pages->currentIndex(), 1);
    p.click("btnAgeStop");
    pages->setCurrentIndex(0);
    QCOMPARE(pages->currentIndex(), 0);
    QVERIFY(p.control<QWidget>("tbsNormal")->isEnabled() && pages->isTabEnabled(0));
    // M Close turns the aging buttons off again.
    p.click("btnMailClose");
    QVERIFY(!p.control<QPushButton>("btnAgeStart")->isEnabled());
}

void MainWindowTest::closingTheWindowClosesInOrder() {
    ProbeUnderTest p(testDir());
    Standin s(lib());
    s.reset();
    p.click("btnOpen");
    p.click("btnStart");
    p.form().show();
    QVERIFY(p.form().close());
    const QStringList lines = p.logLines();
    QCOMPARE(lines.mid(2), QStringList({QStringLiteral("Mail Close: ") + kOk, QStringLiteral("Stop: ") + kOk,
                                        QStringLiteral("Close: ") + kOk}));
    QCOMPARE(p.form().monitor().FinishedMarker.load(), -1);
    QCOMPARE(p.form().statusThread().FinishedMarker.load(), -1);
    QVERIFY(!p.loaded());
    QCOMPARE(s.calls().last(), QStringLiteral("RV_close(0,0)"));
}

QTEST_MAIN(MainWindowTest)
#include "tst_MainWindow.moc"
