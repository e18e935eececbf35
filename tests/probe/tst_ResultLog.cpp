// Return-code texts and the bounded result log.
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QtTest>

#include <climits>
#include <thread>
#include <vector>

#include "ResultLog.h"
#include "ReturnCodeText.h"

using ravprobe::ResultLog;
using ravprobe::ReturnCodeText;

class ResultLogTest : public QObject {
    Q_OBJECT
private slots:
    void textOfEveryCode_data();
    void textOfEveryCode();
    void lineIsPrefixAndText();
    void thousandFirstLineDropsTheFirst();
    void lineBreaksStayInOneLine();
    void linesFromThreadsArriveWholeAndInOrder();

private:
    static QStringList lines(const QPlainTextEdit& memo) { return memo.toPlainText().split(QLatin1Char('\n')); }
};

void ResultLogTest::textOfEveryCode_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    const struct {
        int code;
        const char* text;
    } table[] = {
        {-1, "MKY43_ER_OTHER\t\t\t"},
        {0, "MKY43_ER_OK\t\t\t"},
        {1, "MKY43_ER_ALREADYOPEN\t"},
        {2, "MKY43_ER_NOTOPEN\t\t"},
        {3, "MKY43_ER_INVALIDPARAM\t"},
        {4, "MKY43_ER_OPENDEVICE\t"},
        {5, "MKY43_ER_CREATETHREAD\t"},
        {6, "MKY43_ER_CREATESEMAPH\t"},
        {7, "MKY43_ER_CREATEMAP\t\t"},
        {8, "MKY43_ER_CREATEMAIL\t"},
        {9, "MKY43_ER_CREATEEVENT\t"},
        {10, "MKY43_ER_INICONFIG\t\t"},
        {11, "MKY43_ER_ALREADYSTART\t"},
        {12, "MKY43_ER_NOTSTART\t\t"},
        {13, ""},
        {14, "MKY43_ER_ALREADYCONNECT"},
        {15, "MKY43_ER_CONNECT\t\t"},
        {16, "MKY43_ER_UNCONNECT\t\t"},
        {17, "MKY43_ER_NOTGMACCSES  \t"},
        {18, "MKY43_ER_ALREADYMAILOPEN"},
        {19, "MKY43_ER_MAILNOTOPEN\t"},
        {20, "MKY43_ER_MAILSIZE  \t"},
        {21, "MKY43_ER_MAILSENDING  \t"},
        {22, "MKY43_ER_MAILNOTRECEIVE"},
        {23, "MKY43_ER_MAILSENDRESULT"},
        {24, "MKY43_ER_MAILRECEIVE  \t"},
        {25, "MKY43_ER_MAILCLOSE  \t"},
        {26, "MKY43_ER_DATASIZE      "},
        {27, ""},
        {80, ""},
        {-2, ""},
        {INT_MIN, ""},
        {INT_MAX, ""},
    };
    for (const auto& row : table) {
        QTest::addRow("code %d", row.code) << row.code << QString::fromLatin1(row.text);
    }
}

void ResultLogTest::textOfEveryCode() {
    QFETCH(int, code);
    QFETCH(QString, text);
    QCOMPARE(ReturnCodeText(code), text);
}

void ResultLogTest::lineIsPrefixAndText() {
    QPlainTextEdit memo;
    ResultLog log(&memo);
    log.ShowResult(QStringLiteral("Open: "), 0);
    log.ShowResult(QStringLiteral("Close: "), 13);
    log.ShowResult(QStringLiteral("Mail Send: Data(0001) - Sa(2)"), ravprobe::kPlainLine);
    QCOMPARE(lines(memo), QStringList({QStringLiteral("Open: MKY43_ER_OK\t\t\t"), QStringLiteral("Close: "),
                                       QStringLiteral("Mail Send: Data(0001) - Sa(2)")}));
    QCOMPARE(log.lineCount(), 3);
}

void ResultLogTest::thousandFirstLineDropsTheFirst() {
    QPlainTextEdit memo;
    // Lines wider than the memo: the horizontal scroll bar comes up at once.
    memo.setLineWrapMode(QPlainTextEdit::NoWrap);
    memo.show();
    ResultLog log(&memo);
    for (int i = 1; i <= 1000; ++i)
        log.ShowResult(QStringLiteral("line %1: ").arg(i), 2);
    QCOMPARE(lines(memo).size(), 1000);
    QCOMPARE(lines(memo).first(), QStringLiteral("line 1: MKY43_ER_NOTOPEN\t\t"));
    log.ShowResult(QStringLiteral("line 1001: "), 26);
    const QStringList held = lines(memo);
    QCOMPARE(held.size(), 1000);
    QCOMPARE(log.lineCount(), 1000);
    QCOMPARE(held.first(), QStringLiteral("line 2: MKY43_ER_NOTOPEN\t\t"));
    QCOMPARE(held.last(), QStringLiteral("line 1001: MKY43_ER_DATASIZE      "));
    for (int i = 1002; i <= 1500; ++i)
        log.ShowResult(QStringLiteral("line %1: ").arg(i), 0);
    QCOMPARE(lines(memo).size(), 1000);
    QCOMPARE(lines(memo).first(), QStringLiteral("line 501: MKY43_ER_NOTOPEN\t\t"));
    // The newest line is in sight, from its start, also once the horizontal bar has taken its room.
    QCoreApplication::processEvents();
    QCOMPARE(memo.verticalScrollBar()->value(), memo.verticalScrollBar()->maximum());
    QCOMPARE(memo.horizontalScrollBar()->value(), 0);
}

void ResultLogTest::lineBreaksStayInOneLine() {
    QPlainTextEdit memo;
    ResultLog log(&memo);
    log.ShowResult(QStringLiteral("Mail Receive: Data(ab\r\ncd) - Sa(1)"), ravprobe::kPlainLine);
    log.ShowResult(QStringLiteral("next"), ravprobe::kPlainLine);
    QCOMPARE(lines(memo), QStringList({QStringLiteral("Mail Receive: Data(ab  cd) - Sa(1)"), QStringLiteral("next")}));
    QCOMPARE(log.lineCount(), 2);
}

void ResultLogTest::linesFromThreadsArriveWholeAndInOrder() {
    QPlainTextEdit memo;
    ResultLog log(&memo);
    // 1000 lines in all: every line stays, whichever thread ran first.
    constexpr int kThreads = 4;
    constexpr int kLines = 250;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&log, t] {
            for (int i = 0; i < kLines; ++i)
                log.ShowResult(QStringLiteral("T%1 #%2: ").arg(t).arg(i), i % 2 == 0 ? 0 : 17);
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    // The lines reach the memo when the GUI thread applies them.
    const auto allArrived = [&memo] {
        const QString text = memo.toPlainText();
        for (int t = 0; t < kThreads; ++t) {
            if (!text.contains(QStringLiteral("T%1 #%2: ").arg(t).arg(kLines - 1)))
                return false;
        }
        return true;
    };
    QTRY_VERIFY_WITH_TIMEOUT(allArrived(), 30000);
    const QStringList held = lines(memo);
    QCOMPARE(held.size(), 1000);
    const QRegularExpression shape(QStringLiteral("^T(\\d) #(\\d+): (MKY43_ER_OK\t\t\t|MKY43_ER_NOTGMACCSES  \t)$"));
    std::vector<int> last(kThreads, -1);
    for (const QString& line : held) {
        const QRegularExpressionMatch match = shape.match(line);
        QVERIFY2(match.hasMatch(), qPrintable(line));
        const int t = match.captured(1).toInt();
        const int i = match.captured(2).toInt();
        QVERIFY2(i > last[static_cast<std::size_t>(t)], qPrintable(line));
        QCOMPARE(match.captured(3).startsWith(QStringLiteral("MKY43_ER_OK")), i % 2 == 0);
        last[static_cast<std::size_t>(t)] = i;
    }
    for (int t = 0; t < kThreads; ++t)
        QCOMPARE(last[static_cast<std::size_t>(t)], kLines - 1);
}

QTEST_MAIN(ResultLogTest)
#include "tst_ResultLog.moc"
