// The program on the demo network: the real board library beside it and
// ravkernd serving board 0 with a counter station at 10 (size 2) and an echo
// station at 20. Skips while the library does not yet answer a needed call.
#include <QProcess>
#include <QRadioButton>
#include <QSpinBox>
#include <QtTest>

#include "GmCellDelegate.h"
#include "MainWindowFixture.h"

using namespace probetest;

namespace {

QString programDir() { return QFileInfo(QStringLiteral(RAVPROBE_EXE)).absolutePath(); }

}  // namespace

class EndToEndTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase();
  void cleanupTestCase();
  void cleanup() { stopPolling(); }
  void demoNetwork();

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
  if (host_.state() == QProcess::NotRunning) return;
  host_.terminate();
  if (!host_.waitForFinished(10000)) host_.kill();
}

void EndToEndTest::demoNetwork() {
  ProbeUnderTest p(programDir());
  QVERIFY(p.loaded());
  p.click("btnOpen");
  if (p.form().boardState().opened[0] != 1) QSKIP("RV_open of the demo board does not answer 0 yet");
  p.control<QSpinBox>("updSa")->setValue(1);
  p.control<QSpinBox>("updSaSize")->setValue(2);
  p.click("btnStart");
  if (p.form().boardState().started[0] != 1) QSKIP("RV_start does not answer 0 yet");

  // The counter station's blocks change and the members are coloured.
  QTableWidget* grid = p.grid();
  QTRY_VERIFY_WITH_TIMEOUT(grid->item(10, 0)->text() != QStringLiteral("0000"), 10000);
  const QString seen = grid->item(10, 0)->text() + grid->item(11, 0)->text();
  QTRY_VERIFY_WITH_TIMEOUT(grid->item(10, 0)->text() + grid->item(11, 0)->text() != seen, 10000);
  auto* delegate = static_cast<ravprobe::GmCellDelegate*>(grid->itemDelegate());
  QTRY_COMPARE_WITH_TIMEOUT(delegate->fillOf(1, false), QColor(0x00, 0xFF, 0x00), 10000);
  QTRY_COMPARE_WITH_TIMEOUT(delegate->fillOf(10, false), QColor(0x00, 0x00, 0xFF), 10000);
  QTRY_COMPARE_WITH_TIMEOUT(delegate->fillOf(20, false), QColor(0x00, 0x00, 0xFF), 10000);
  QVERIFY(!delegate->fillOf(40, false).isValid());

  // GM Set into the own block shows in the grid.
  grid->setRangeSelected(QTableWidgetSelectionRange(1, 1, 1, 2), true);
  p.setText("edtWrite", QStringLiteral("0xA55A"));
  p.click("btnGMWrite");
  QTRY_COMPARE_WITH_TIMEOUT(grid->item(1, 2)->text(), QStringLiteral("A55A"), 10000);
  grid->clearSelection();

  p.click("btnMailOpen");
  const bool mailWorks = p.lamp("pnlMailOpen") == kGreen;
  if (mailWorks) {
    p.control<QSpinBox>("updMailSa")->setValue(20);
    const int before = p.logLines().size();
    p.click("btnAgeStart");
    const auto exchanges = [&p, before] {
      int n = 0;
      for (const QString& line : p.logLines().mid(before)) n += line.startsWith(QLatin1String("Mail Receive: Data(")) ? 1 : 0;
      return n;
    };
    QTRY_VERIFY_WITH_TIMEOUT(exchanges() >= 50, 60000);
    p.click("btnAgeStop");
    QTest::qWait(200);
    // Sends carry 0, 1, 2, ... in order; the echo returns each of them.
    int next = 0;
    for (const QString& line : p.logLines().mid(before)) {
      if (!line.startsWith(QLatin1String("Mail Send: Data("))) continue;
      QCOMPARE(line, QStringLiteral("Mail Send: Data(%1) - Sa(20)").arg(next));
      ++next;
    }
    QVERIFY(next >= 50);

    // Wait mode: a mail close seen by the wait stops polling.
    p.control<QRadioButton>("rdbMailWait")->setChecked(true);
    QTest::qWait(100);
    p.click("btnMailClose");
    QTRY_VERIFY_WITH_TIMEOUT(!p.form().statusThread().PollEnabled, 10000);
  }

  p.click("btnStop");
  QCOMPARE(grid->item(10, 0)->text(), QStringLiteral("0000"));
  QTest::qWait(300);
  QCOMPARE(grid->item(10, 0)->text(), QStringLiteral("0000"));
  p.click("btnClose");
  QCOMPARE(p.form().boardState().opened[0].load(), 0);
  p.form().show();
  QVERIFY(p.form().close());
  QCOMPARE(p.form().monitor().FinishedMarker.load(), -1);
  QCOMPARE(p.form().statusThread().FinishedMarker.load(), -1);
  QVERIFY(!p.loaded());
  if (!mailWorks) QSKIP("RV_MailOpen does not answer 0 yet: the aging and wait-mode part did not run");
}

QTEST_MAIN(EndToEndTest)
#include "tst_EndToEnd.moc"
