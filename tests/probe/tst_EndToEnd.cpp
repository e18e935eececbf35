// The program on the demo network: the real board library beside it and
// ravkernd serving board 0 with a counter station at 10 (size 2) and an echo
// station at 20; the program itself takes stations 1 and 2.
#include <QProcess>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>

#include "GmCellDelegate.h"
#include "MainWindowFixture.h"
#include "TReg43Form.h"

using namespace probetest;
using ravprobe::ReturnCodeText;

namespace {

const QString kOk = ReturnCodeText(0);
const QColor kLime(0x00, 0xFF, 0x00);
const QColor kBlue(0x00, 0x00, 0xFF);

QString programDir() {
    return QFileInfo(QStringLiteral(RAVPROBE_EXE)).absolutePath();
}

// The program on the real library; a test that ends early still closes the
// window, so its threads stop before the library is released.
class LiveProbe : public ProbeUnderTest {
public:
    LiveProbe() : ProbeUnderTest(programDir()) {}
    ~LiveProbe() {
        if (loaded())
            form().close();
    }
};

// Open, Start at station 1 (size 2) and, with openMail, M Open; the log
// lines of these calls.
QStringList startOnDemoBoard(ProbeUnderTest& p, bool openMail) {
    p.control<QSpinBox>("updSa")->setValue(1);
    p.control<QSpinBox>("updSaSize")->setValue(2);
    p.control<QSpinBox>("updMailSa")->setValue(20);
    const int before = p.logLines().size();
    p.click("btnOpen");
    p.click("btnStart");
    if (openMail)
        p.click("btnMailOpen");
    return p.logLines().mid(before);
}

QStringList expectedStartLines(bool openMail) {
    QStringList lines{QStringLiteral("Open: ") + kOk, QStringLiteral("Start: ") + kOk};
    if (openMail)
        lines << QStringLiteral("Mail Open: ") + kOk;
    return lines;
}

int countStarting(const QStringList& lines, const QString& prefix) {
    return static_cast<int>(
        std::count_if(lines.begin(), lines.end(), [&prefix](const QString& line) { return line.startsWith(prefix); }));
}

const QString kAgingReceive = QStringLiteral("Mail Receive: Data(");

// Runs the aging test until `exchanges` mails came back, stops it and waits
// for the step in progress to end; the log lines it wrote.
QStringList runAging(ProbeUnderTest& p, int exchanges) {
    const int before = p.logLines().size();
    p.click("btnAgeStart");
    const bool enough = QTest::qWaitFor(
        [&p, before, exchanges] { return countStarting(p.logLines().mid(before), kAgingReceive) >= exchanges; }, 60000);
    if (!enough)
        qWarning("fewer aging exchanges than %d", exchanges);
    p.click("btnAgeStop");
    // Lets a step already under way finish.
    QTest::qWait(300);
    return p.logLines().mid(before);
}

// Every line an aging run wrote, checked in order: the button's first mail,
// then sends numbered from 0 each followed by the receipt of the mail before
// it, which the echo station returned unchanged (the first carried zeros).
void checkAgingLog(const QStringList& lines, int atLeast) {
    QVERIFY(!lines.isEmpty());
    QCOMPARE(lines.first(), QStringLiteral("Mail Send: ") + kOk);
    int sent = 0;
    for (int i = 1; i < lines.size(); ++i) {
        const QString expected = (i % 2 == 1) ? QStringLiteral("Mail Send: Data(%1) - Sa(20)").arg(sent)
                                              : QStringLiteral("Mail Receive: Data(%1) - Sa(20)")
                                                    .arg(sent == 1 ? QString() : QString::number(sent - 2));
        QCOMPARE(lines.at(i), expected);
        if (i % 2 == 1)
            ++sent;
    }
    QVERIFY2(lines.size() % 2 == 1, "the last aging step did not finish");
    QVERIFY2(sent >= atLeast, qPrintable(QStringLiteral("only %1 exchanges").arg(sent)));
}

// Closing the window closes the board, stops both threads and only then
// releases the library.
void closeWindow(ProbeUnderTest& p) {
    p.form().show();
    QVERIFY(p.form().close());
    QCOMPARE(p.form().monitor().FinishedMarker.load(), -1);
    QCOMPARE(p.form().statusThread().FinishedMarker.load(), -1);
    QVERIFY(!p.loaded());
}

}  // namespace

class EndToEndTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup() { stopPolling(); }
    void liveGrid();
    void agingExchangesInOrder();
    void agingInWaitMode();
    void boardCloseSeenByWaitStopsPolling();
    void closeWhileWaiting();
    // Draws the documentation's pictures when RAVPROBE_SCREENSHOT_DIR names a directory.
    void renderScreenshots();

private:
    QProcess host_;
};

void EndToEndTest::initTestCase() {
    const QString host = programDir() + QStringLiteral("/ravkernd");
    if (!QFile::exists(host) || !QFile::exists(programDir() + QStringLiteral("/libRavlib.so")))
        QSKIP("ravkernd or the board library is not built");
    const QString runtime = qEnvironmentVariable("RAVEL_RUNTIME_DIR");
    QVERIFY2(!runtime.isEmpty(), "RAVEL_RUNTIME_DIR is not set");
    host_.start(host, {QStringLiteral("--runtime-dir"), runtime, QStringLiteral("--board"), QStringLiteral("0"),
                       QStringLiteral("--station"), QStringLiteral("10:2:counter"), QStringLiteral("--station"),
                       QStringLiteral("20:1:echo")});
    QVERIFY(host_.waitForStarted(10000));
    QByteArray out;
    const auto ready = [this, &out] {
        out += host_.readAllStandardOutput();
        return out.contains("ready") || host_.state() != QProcess::Running;
    };
    QTRY_VERIFY2_WITH_TIMEOUT(ready(), host_.readAllStandardError().constData(), 10000);
    QVERIFY2(host_.state() == QProcess::Running, host_.readAllStandardError().constData());
}

void EndToEndTest::cleanupTestCase() {
    if (host_.state() == QProcess::NotRunning)
        return;
    host_.terminate();
    if (!host_.waitForFinished(10000))
        host_.kill();
}

void EndToEndTest::liveGrid() {
    LiveProbe p;
    QVERIFY(p.loaded());
    QCOMPARE(startOnDemoBoard(p, false), expectedStartLines(false));

    // The counter station's blocks change and the members are coloured.
    QTableWidget* grid = p.grid();
    QTRY_VERIFY_WITH_TIMEOUT(grid->item(10, 0)->text() != QStringLiteral("0000"), 10000);
    const QString seen = grid->item(10, 0)->text() + grid->item(11, 0)->text();
    QTRY_VERIFY_WITH_TIMEOUT(grid->item(10, 0)->text() + grid->item(11, 0)->text() != seen, 10000);
    auto* delegate = static_cast<ravprobe::GmCellDelegate*>(grid->itemDelegate());
    QTRY_COMPARE_WITH_TIMEOUT(delegate->fillOf(1, false), kLime, 10000);
    QCOMPARE(delegate->fillOf(2, false), kLime);
    QCOMPARE(delegate->fillOf(10, false), kBlue);
    QCOMPARE(delegate->fillOf(11, false), kBlue);
    QCOMPARE(delegate->fillOf(20, false), kBlue);
    QVERIFY(!delegate->fillOf(40, false).isValid());

    // GM Set into the own block shows in the grid.
    grid->setRangeSelected(QTableWidgetSelectionRange(1, 1, 1, 2), true);
    p.setText("edtWrite", QStringLiteral("0xA55A"));
    p.click("btnGMWrite");
    QTRY_COMPARE_WITH_TIMEOUT(grid->item(1, 2)->text(), QStringLiteral("A55A"), 10000);
    QCOMPARE(grid->item(1, 1)->text(), QStringLiteral("A55A"));
    grid->clearSelection();

    // Stop clears the grid, and the stopped monitor leaves it cleared.
    p.click("btnStop");
    QCOMPARE(p.logLines().constLast(), QStringLiteral("Stop: ") + kOk);
    QCOMPARE(grid->item(10, 0)->text(), QStringLiteral("0000"));
    QCOMPARE(grid->item(1, 1)->text(), QStringLiteral("0000"));
    QTest::qWait(300);
    QCOMPARE(grid->item(10, 0)->text(), QStringLiteral("0000"));
    p.click("btnClose");
    QCOMPARE(p.logLines().constLast(), QStringLiteral("Close: ") + kOk);
    QCOMPARE(p.form().boardState().opened[0].load(), 0);
    closeWindow(p);
}

void EndToEndTest::agingExchangesInOrder() {
    LiveProbe p;
    QVERIFY(p.loaded());
    QCOMPARE(startOnDemoBoard(p, true), expectedStartLines(true));
    QCOMPARE(p.lamp("pnlMailOpen"), kGreen);
    const QStringList lines = runAging(p, 50);
    checkAgingLog(lines, 50);
    if (QTest::currentTestFailed())
        return;
    // Stopped: the answer to the last aging mail waits unread.
    QTRY_COMPARE_WITH_TIMEOUT(p.lamp("pnMailRev"), kYellow, 10000);
    const int total = p.logLines().size();
    QTest::qWait(300);
    QCOMPARE(p.logLines().size(), total);
    closeWindow(p);
}

void EndToEndTest::agingInWaitMode() {
    LiveProbe p;
    QVERIFY(p.loaded());
    p.control<QRadioButton>("rdbMailWait")->setChecked(true);
    QCOMPARE(startOnDemoBoard(p, true), expectedStartLines(true));
    checkAgingLog(runAging(p, 20), 20);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(p.form().statusThread().PollEnabled);
    closeWindow(p);
}

void EndToEndTest::boardCloseSeenByWaitStopsPolling() {
    const QString peer = QCoreApplication::applicationDirPath() + QStringLiteral("/probe_board_peer");
    QVERIFY2(QFile::exists(peer), qPrintable(peer));
    LiveProbe p;
    QVERIFY(p.loaded());
    p.control<QRadioButton>("rdbMailWait")->setChecked(true);
    QCOMPARE(startOnDemoBoard(p, true), expectedStartLines(true));
    QTest::qWait(200);
    QVERIFY(p.form().statusThread().PollEnabled);
    const int lines = p.logLines().size();

    // Another process closing the board ends the wait with a mail close.
    QProcess other;
    other.start(peer, {programDir() + QStringLiteral("/libRavlib.so"), QStringLiteral("0")});
    QVERIFY(other.waitForFinished(30000));
    QCOMPARE(other.exitCode(), 0);
    QCOMPARE(other.readAllStandardOutput().trimmed(), QByteArray("0 0"));
    QTRY_VERIFY_WITH_TIMEOUT(!p.form().statusThread().PollEnabled, 10000);
    QCOMPARE(p.logLines().size(), lines);
    QVERIFY(p.form().monitor().MonitorEnabled);
    QCOMPARE(p.form().boardState().opened[0].load(), 1);

    // Stop and Start poll again, and the mail still works. The polling goes
    // back to the status word: the other process's close may have left the
    // close event signalled once more after this wait took it.
    p.control<QRadioButton>("rdbMailStatus")->setChecked(true);
    p.click("btnStop");
    p.click("btnStart");
    QCOMPARE(p.logLines().mid(lines), QStringList({QStringLiteral("Stop: ") + kOk, QStringLiteral("Start: ") + kOk}));
    QVERIFY(p.form().statusThread().PollEnabled);
    checkAgingLog(runAging(p, 5), 5);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(p.form().statusThread().PollEnabled);
    closeWindow(p);
}

void EndToEndTest::closeWhileWaiting() {
    LiveProbe p;
    QVERIFY(p.loaded());
    p.control<QRadioButton>("rdbMailWait")->setChecked(true);
    QCOMPARE(startOnDemoBoard(p, true), expectedStartLines(true));
    QTest::qWait(200);
    // M Close sets no event: the status thread goes on waiting, and only the
    // board's close ends that wait.
    p.click("btnMailClose");
    QTest::qWait(200);
    QVERIFY(p.form().statusThread().PollEnabled);
    const int lines = p.logLines().size();
    closeWindow(p);
    QCOMPARE(p.logLines().mid(lines), QStringList({QStringLiteral("Mail Close: ") + ReturnCodeText(19),
                                                   QStringLiteral("Stop: ") + kOk, QStringLiteral("Close: ") + kOk}));
}

void EndToEndTest::renderScreenshots() {
    const QString dir = qEnvironmentVariable("RAVPROBE_SCREENSHOT_DIR");
    if (dir.isEmpty())
        QSKIP("RAVPROBE_SCREENSHOT_DIR is not set");
    LiveProbe p;
    QVERIFY(p.loaded());
    p.form().move(0, 0);
    p.form().show();
    QCOMPARE(startOnDemoBoard(p, true), expectedStartLines(true));
    QTableWidget* grid = p.grid();
    grid->setRangeSelected(QTableWidgetSelectionRange(1, 0, 2, 3), true);
    p.setText("edtWrite", QStringLiteral("0x5AA5"));
    p.click("btnGMWrite");
    grid->clearSelection();
    p.control<QTabWidget>("pgcComBtn")->setCurrentIndex(1);
    const int before = p.logLines().size();
    p.click("btnAgeStart");
    QTRY_VERIFY_WITH_TIMEOUT(countStarting(p.logLines().mid(before), kAgingReceive) >= 30, 60000);
    QTRY_COMPARE_WITH_TIMEOUT(grid->item(1, 0)->text(), QStringLiteral("5AA5"), 10000);
    QVERIFY(p.form().agingActive());
    QVERIFY(p.form().grab().save(dir + QStringLiteral("/main-window.png")));
    p.click("btnAgeStop");
    ravprobe::TReg43Form& reg = p.app().reg43Form();
    reg.show();
    QTRY_VERIFY_WITH_TIMEOUT(reg.refreshing(), 10000);
    QTest::qWait(300);
    QVERIFY(reg.grab().save(dir + QStringLiteral("/register-window.png")));
    reg.hide();
    closeWindow(p);
}

QTEST_MAIN(EndToEndTest)
#include "tst_EndToEnd.moc"
