// The program itself starts and stays up on the offscreen platform, waiting in
// its board selection.
#include <QProcess>
#include <QtTest>

class SmokeTest : public QObject {
    Q_OBJECT
private slots:
    void startsAndWaitsForTheBoardChoice();
};

void SmokeTest::startsAndWaitsForTheBoardChoice() {
    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    probe.setProcessEnvironment(env);
    probe.start(QStringLiteral(RAVPROBE_EXE), {});
    QVERIFY(probe.waitForStarted(10000));
    // Still running after a while: it did not crash and did not quit on its own.
    QVERIFY(!probe.waitForFinished(2000));
    QCOMPARE(probe.state(), QProcess::Running);
    probe.kill();
    QVERIFY(probe.waitForFinished(10000));
    const QByteArray errors = probe.readAllStandardError();
    QVERIFY2(!errors.contains("QWidget") && !errors.contains("Cannot") && !errors.contains("error"),
             errors.constData());
}

QTEST_MAIN(SmokeTest)
#include "tst_Smoke.moc"
