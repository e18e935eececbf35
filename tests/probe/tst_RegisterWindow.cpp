// The register window against the stand-in's chip image, and the program's
// number conversions.
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <climits>

#include "MainWindowFixture.h"
#include "NumberText.h"
#include "TReg43Form.h"
#include "chip/Mky43.h"

using namespace probetest;
using ravprobe::TReg43Form;

namespace {

QString lib() {
    return standinPath(QStringLiteral("libRavlib.so"));
}

QByteArray le16(int value) {
    return QByteArray::fromHex(
        QByteArray::number(((value & 0xFF) << 8) | ((value >> 8) & 0xFF), 16).rightJustified(4, '0'));
}

}  // namespace

class RegisterWindowTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { stopPolling(); }
    void parseNumber_data();
    void parseNumber();
    void strToInt64_data();
    void strToInt64();
    void rowsGroupsAndButtons();
    void writeRows_data();
    void writeRows();
    void readFormatsAndChipCode();
    void failedReadKeepsText();
    void refreshRunsOnAfterClose();
    void registerButtonNeedsOpenBoard();
};

void RegisterWindowTest::parseNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    const struct {
        const char* text;
        int value;
    } rows[] = {
        {"0x1FF", 0x1FF},
        {"0X1ff", 0x1FF},
        {"x10", 16},
        {"X10", 16},
        {"$10", 16},
        {"  42", 42},
        {"+42", 42},
        {"-42", -42},
        {"-0x10", -16},
        {"0xFFFFFFFF", -1},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"2147483648", 77},
        {"0x100000000", 77},
        {"", 77},
        {"abc", 77},
        {"42 ", 77},
        {"0x", 77},
        {"-", 77},
        {"4 2", 77},
        {"\t1", 77},
        {"0x1G", 77},
        {"１２", 77},
    };
    for (const auto& row : rows)
        QTest::addRow("'%s'", row.text) << QString::fromUtf8(row.text) << row.value;
}

void RegisterWindowTest::parseNumber() {
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(ravprobe::ParseNumber(text, 77), value);
}

void RegisterWindowTest::strToInt64_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("value");
    const struct {
        const char* text;
        qint64 value;
    } rows[] = {
        {"0x1234", 0x1234},
        {"0x0123456789ABCDEF", 0x0123456789ABCDEF},
        {"0xFFFFFFFFFFFFFFFF", -1},
        {"$ff", 255},
        {"-1", -1},
        {" +7", 7},
        {"9223372036854775807", LLONG_MAX},
        {"-9223372036854775808", LLONG_MIN},
        {"9223372036854775808", 0},
        {"0x10000000000000000", 0},
        {"x10", 0},
        {"12 ", 0},
        {"", 0},
        {"0x", 0},
    };
    for (const auto& row : rows)
        QTest::addRow("'%s'", row.text) << QString::fromLatin1(row.text) << row.value;
}

void RegisterWindowTest::strToInt64() {
    QFETCH(QString, text);
    QFETCH(qint64, value);
    QCOMPARE(ravprobe::StrToInt64Def(text), value);
}

void RegisterWindowTest::rowsGroupsAndButtons() {
    ProbeUnderTest p(testDir());
    TReg43Form& form = p.app().reg43Form();
    QCOMPARE(form.windowTitle(), QStringLiteral("Register"));
    const QList<QGroupBox*> groups = form.findChildren<QGroupBox*>();
    QStringList captions;
    for (QGroupBox* g : groups)
        captions << g->title();
    QCOMPARE(captions, QStringList({"Communication Control Register", "Mail Control Register", "Int Control Register",
                                    "Read/Write Hazard Register"}));
    QList<QPushButton*> writes;
    for (QPushButton* b : form.findChildren<QPushButton*>()) {
        if (b->text() == QLatin1String("Write"))
            writes << b;
    }
    QCOMPARE(writes.size(), 27);
    QCOMPARE(form.findChildren<QLineEdit*>().size(), 36 + 27);
    // The offset rule at its joints.
    const std::uint32_t offsets[][2] = {{0, mky43::RFR},  {7, mky43::RHCR0},  {8, mky43::RHCR1}, {22, mky43::BCR},
                                        {31, mky43::CCR}, {32, mky43::RHPB0}, {35, mky43::WHPB1}};
    for (const auto& o : offsets)
        QCOMPARE(TReg43Form::offsetOf(int(o[0])), int(o[1]));
    for (const char* readOnly : {"btnRfr", "btnMsrr", "btnFsr", "btnCcr", "btnRhpb0"})
        QVERIFY2(form.findChild<QPushButton*>(QLatin1String(readOnly)) == nullptr, readOnly);
}

void RegisterWindowTest::writeRows_data() {
    QTest::addColumn<QByteArray>("row");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("call");
    QTest::newRow("BCR") << QByteArray("Bcr") << "0x1234"
                         << "RV_SetReg16(0,0,854,4660)";
    QTest::newRow("LGR 16 digits") << QByteArray("Lgr") << "0x0123456789ABCDEF"
                                   << "RV_SetReg64(0,0,800,2309737967,19088743)";
    QTest::newRow("LGR -1") << QByteArray("Lgr") << "-1"
                            << "RV_SetReg64(0,0,800,4294967295,4294967295)";
    QTest::newRow("WHPB1") << QByteArray("Whpb1") << "$10"
                           << "RV_SetReg64(0,0,904,16,0)";
    QTest::newRow("INT0CR") << QByteArray("Int0cr") << "1"
                            << "RV_SetReg16(0,0,856,1)";
    QTest::newRow("INT1CR") << QByteArray("Int1cr") << "2"
                            << "RV_SetReg16(0,0,858,2)";
    QTest::newRow("IT0CR") << QByteArray("It0cr") << "3"
                           << "RV_SetReg16(0,0,860,3)";
    QTest::newRow("IT1CR") << QByteArray("It1cr") << "4"
                           << "RV_SetReg16(0,0,862,4)";
    QTest::newRow("INT0SR") << QByteArray("Int0sr") << "5"
                            << "RV_SetReg16(0,0,864,5)";
    QTest::newRow("INT1SR") << QByteArray("Int1sr") << "6"
                            << "RV_SetReg16(0,0,866,6)";
    QTest::newRow("16 bits of a wide value") << QByteArray("Mslr") << "0x12345"
                                             << "RV_SetReg16(0,0,832,9029)";
    QTest::newRow("trailing blank") << QByteArray("Bcr") << "0x1234 "
                                    << "RV_SetReg16(0,0,854,0)";
}

void RegisterWindowTest::writeRows() {
    QFETCH(QByteArray, row);
    QFETCH(QString, typed);
    QFETCH(QString, call);
    ProbeUnderTest p(testDir());
    Standin s(lib());
    s.reset();
    TReg43Form& form = p.app().reg43Form();
    form.show();
    QLineEdit* field = form.findChild<QLineEdit*>(QStringLiteral("edtW") + QLatin1String(row));
    QVERIFY(field != nullptr);
    QCOMPARE(field->text(), call.startsWith(QLatin1String("RV_SetReg64")) ? QStringLiteral("0x0000000000000000")
                                                                          : QStringLiteral("0x0000"));
    field->setText(typed);
    s.reset();
    form.findChild<QPushButton*>(QStringLiteral("btn") + QLatin1String(row))->click();
    QCOMPARE(s.callsOf(call.section(QLatin1Char('('), 0, 0)), QStringList({call}));
    form.hide();
}

void RegisterWindowTest::readFormatsAndChipCode() {
    ProbeUnderTest p(testDir());
    Standin s(lib());
    s.reset();
    s.poke(mky43::BCR, le16(0xABCD));
    s.poke(0x310, QByteArray::fromHex("0102030405060708"));
    s.poke(mky43::CCR, QByteArray("MKY4\0XYZ", 8));
    TReg43Form& form = p.app().reg43Form();
    form.show();
    QCOMPARE(form.findChild<QLineEdit*>(QStringLiteral("edtBcr"))->text(), QStringLiteral("ABCD"));
    QCOMPARE(form.findChild<QLineEdit*>(QStringLiteral("edtMfr"))->text(), QStringLiteral("0807060504030201"));
    QCOMPARE(form.findChild<QLineEdit*>(QStringLiteral("edtCcr"))->text(), QStringLiteral("MKY4"));
    s.poke(mky43::CCR, QByteArray("MKY43RAV", 8));
    // A written register shows at the next refresh.
    QLineEdit* write = form.findChild<QLineEdit*>(QStringLiteral("edtWBcr"));
    write->setText(QStringLiteral("0x1234"));
    form.findChild<QPushButton*>(QStringLiteral("btnBcr"))->click();
    QTRY_COMPARE_WITH_TIMEOUT(form.findChild<QLineEdit*>(QStringLiteral("edtBcr"))->text(), QStringLiteral("1234"),
                              5000);
    QCOMPARE(form.findChild<QLineEdit*>(QStringLiteral("edtCcr"))->text(), QStringLiteral("MKY43RAV"));
    form.hide();
}

void RegisterWindowTest::failedReadKeepsText() {
    ProbeUnderTest p(testDir());
    Standin s(lib());
    s.reset();
    s.poke(mky43::RHCR1, le16(0x0042));
    TReg43Form& form = p.app().reg43Form();
    form.show();
    auto* field = form.findChild<QLineEdit*>(QStringLiteral("edtRhcr1"));
    QCOMPARE(field->text(), QStringLiteral("0042"));
    s.setResult("RV_GetReg16", 16);
    s.poke(mky43::RHCR1, le16(0x0099));
    QTest::qWait(300);
    QCOMPARE(field->text(), QStringLiteral("0042"));
    form.hide();
}

void RegisterWindowTest::refreshRunsOnAfterClose() {
    ProbeUnderTest p(testDir());
    Standin s(lib());
    TReg43Form& form = p.app().reg43Form();
    QVERIFY(!form.refreshing());
    form.show();
    form.findChild<QPushButton*>(QStringLiteral("btnExit"))->click();
    QVERIFY(!form.isVisible());
    s.reset();
    QTRY_VERIFY_WITH_TIMEOUT(s.callsOf(QStringLiteral("RV_GetReg64")).size() >= 2 * 16, 5000);
    QVERIFY(form.refreshing());
}

void RegisterWindowTest::registerButtonNeedsOpenBoard() {
    ProbeUnderTest p(testDir());
    Standin s(lib());
    s.reset();
    p.click("btnReg");
    QTest::qWait(50);
    QVERIFY(!p.app().reg43Form().isVisible());
    QVERIFY(s.calls().isEmpty());
    QVERIFY(p.logLines().isEmpty());
    p.click("btnOpen");
    bool shown = false;
    onNextModal([&shown](QWidget* modal) {
        if (modal->objectName() != QLatin1String("Reg43Form"))
            return false;
        shown = true;
        modal->findChild<QPushButton*>(QStringLiteral("btnExit"))->click();
        return true;
    });
    p.click("btnReg");
    QVERIFY(shown);
}

QTEST_MAIN(RegisterWindowTest)
#include "tst_RegisterWindow.moc"
