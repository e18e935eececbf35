// The mail data editor: hexadecimal and character typing, cursor rules,
// deleting, loading files and handing the bytes out.
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <array>
#include <memory>
#include <vector>

#include "MailGrid.h"
#include "ProbeTestSupport.h"
#include "TBEditForm.h"

using namespace ravprobe;

namespace {

int indexOf(const MailGrid* grid) {
    return grid->col() - grid->fixedCols() + 16 * (grid->row() - 1);
}

QString writeFile(const QString& dir, const QString& name, const QByteArray& bytes) {
    QFile file(dir + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return file.fileName();
}

}  // namespace

class MailEditorTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void layoutAndHeaders();
    void twoDigitsMakeOneByte();
    void upCompletesAPendingDigit();
    void closingDropsAPendingDigit();
    void digitsKeepTheirCase();
    void onlyHexDigitsCount();
    void leftWithPendingDigitAtStart();
    void fullEditorRefusesMore();
    void charactersBecomeBytes();
    void backspaceAtStartAndDeleteAtEndDoNothing();
    void deletingFromSixteenDropsRowTwo_data();
    void deletingFromSixteenDropsRowTwo();
    void deleteInTheMiddleShifts();
    void arrowKeysAtTheEdges_data();
    void arrowKeysAtTheEdges();
    void selectionBeyondEndIsRefused();
    void gridsScrollTogether();
    void loadTakesAtMost256Bytes_data();
    void loadTakesAtMost256Bytes();
    void loadFailuresShowTheMessage_data();
    void loadFailuresShowTheMessage();
    void loadCancelledKeepsData();
    void getDataBounds();
    void dataClearEmptiesEverything();

private:
    void type(MailGrid* grid, const QString& text) { QTest::keyClicks(grid, text); }
    void key(MailGrid* grid, Qt::Key k) { QTest::keyClick(grid, k); }
    QByteArray held() const {
        QByteArray bytes(form_->dataCount(), '\0');
        form_->getData(reinterpret_cast<uint8_t*>(bytes.data()), static_cast<int>(bytes.size()));
        return bytes;
    }
    void fill(int count) {
        for (int i = 0; i < count; ++i)
            type(bin_, QStringLiteral("%1").arg(i & 0xFF, 2, 16, QLatin1Char('0')));
    }

    MailGrid* otherGridOf(const MailGrid* grid) const { return grid == bin_ ? chr_ : bin_; }

    std::unique_ptr<TBEditForm> form_;
    MailGrid* bin_ = nullptr;
    MailGrid* chr_ = nullptr;
};

void MailEditorTest::init() {
    form_ = std::make_unique<TBEditForm>();
    form_->show();
    bin_ = form_->findChild<MailGrid*>(QStringLiteral("sgBinary"));
    chr_ = form_->findChild<MailGrid*>(QStringLiteral("sgChar"));
    QVERIFY(bin_ != nullptr && chr_ != nullptr);
}

void MailEditorTest::cleanup() {
    probetest::stopPolling();
    form_.reset();
}

void MailEditorTest::layoutAndHeaders() {
    QCOMPARE(form_->windowTitle(), QStringLiteral("Mail Data Editer"));
    QCOMPARE(form_->size(), QSize(629, 290));
    QCOMPARE(bin_->geometry(), QRect(7, 20, 401, 225));
    QCOMPARE(chr_->geometry(), QRect(408, 20, 213, 225));
    QCOMPARE(bin_->colCount(), 17);
    QCOMPARE(chr_->colCount(), 16);
    QCOMPARE(bin_->rowCountAll(), 2);
    QCOMPARE(bin_->horizontalHeaderItem(0)->text(), QStringLiteral("+0"));
    QCOMPARE(bin_->horizontalHeaderItem(15)->text(), QStringLiteral("+F"));
    QCOMPARE(chr_->horizontalHeaderItem(10)->text(), QStringLiteral("A"));
    QCOMPARE(bin_->verticalHeaderItem(0)->text(), QStringLiteral("0000"));
    QCOMPARE(form_->findChild<QPushButton*>(QStringLiteral("btnRead"))->text(), QStringLiteral("Load File"));
    QCOMPARE(form_->findChild<QPushButton*>(QStringLiteral("btnClear"))->text(), QStringLiteral("Data Clear"));
    QCOMPARE(form_->findChild<QPushButton*>(QStringLiteral("btnClose"))->text(), QStringLiteral("Close"));
    QCOMPARE(form_->findChild<QPushButton*>(QStringLiteral("btnRead"))->geometry(), QRect(65, 255, 133, 25));
}

void MailEditorTest::twoDigitsMakeOneByte() {
    type(bin_, QStringLiteral("4"));
    QCOMPARE(bin_->cell(1, 1), QStringLiteral("04"));
    QCOMPARE(form_->dataCount(), 0);
    QCOMPARE(form_->nibblePending(), 1);
    type(bin_, QStringLiteral("1"));
    QCOMPARE(bin_->cell(1, 1), QStringLiteral("41"));
    QCOMPARE(chr_->cell(0, 1), QStringLiteral("A"));
    QCOMPARE(form_->dataCount(), 1);
    QCOMPARE(indexOf(bin_), 1);
    QCOMPARE(indexOf(chr_), 1);
    QCOMPARE(form_->nibblePending(), 0);
}

void MailEditorTest::upCompletesAPendingDigit() {
    type(bin_, QStringLiteral("4"));
    key(bin_, Qt::Key_Up);
    QCOMPARE(form_->dataCount(), 1);
    QCOMPARE(bin_->cell(1, 1), QStringLiteral("04"));
    QCOMPARE(held(), QByteArray("\x04", 1));
    // The completed byte is not reopened by the next digit.
    type(bin_, QStringLiteral("7"));
    QCOMPARE(bin_->cell(1, 1), QStringLiteral("07"));
    QCOMPARE(form_->dataCount(), 1);
}

void MailEditorTest::closingDropsAPendingDigit() {
    type(bin_, QStringLiteral("4"));
    form_->findChild<QPushButton*>(QStringLiteral("btnClose"))->click();
    QVERIFY(!form_->isVisible());
    QCOMPARE(form_->dataCount(), 0);
    std::array<uint8_t, 4> buffer{};
    QCOMPARE(form_->getData(buffer.data(), 4), 0);
}

void MailEditorTest::digitsKeepTheirCase() {
    type(bin_, QStringLiteral("fF"));
    QCOMPARE(bin_->cell(1, 1), QStringLiteral("fF"));
    QCOMPARE(held(), QByteArray("\xFF", 1));
    type(bin_, QStringLiteral("aB"));
    QCOMPARE(bin_->cell(2, 1), QStringLiteral("aB"));
    QCOMPARE(held(), QByteArray("\xFF\xAB", 2));
}

void MailEditorTest::onlyHexDigitsCount() {
    type(bin_, QStringLiteral("g x-1 ?2"));
    QCOMPARE(form_->dataCount(), 1);
    QCOMPARE(held(), QByteArray("\x12", 1));
}

void MailEditorTest::leftWithPendingDigitAtStart() {
    type(bin_, QStringLiteral("9"));
    key(bin_, Qt::Key_Left);
    QCOMPARE(form_->dataCount(), 1);
    QCOMPARE(indexOf(bin_), 0);
    QCOMPARE(held(), QByteArray("\x09", 1));
}

void MailEditorTest::fullEditorRefusesMore() {
    fill(256);
    QCOMPARE(form_->dataCount(), 256);
    QCOMPARE(bin_->rowCountAll(), 18);
    QCOMPARE(bin_->row(), 17);
    QCOMPARE(bin_->col(), 1);
    QCOMPARE(bin_->verticalHeaderItem(16)->text(), QStringLiteral("0100"));
    QCOMPARE(bin_->verticalHeaderItem(15)->text(), QStringLiteral("00F0"));
    type(bin_, QStringLiteral("12"));
    type(chr_, QStringLiteral("xy"));
    QCOMPARE(form_->dataCount(), 256);
    QCOMPARE(bin_->rowCountAll(), 18);
    QCOMPARE(bin_->cell(1, 17), QString());
    const QByteArray bytes = held();
    for (int i = 0; i < 256; ++i)
        QCOMPARE(static_cast<uint8_t>(bytes[i]), static_cast<uint8_t>(i));
}

void MailEditorTest::charactersBecomeBytes() {
    type(chr_, QStringLiteral("A"));
    QCOMPARE(bin_->cell(1, 1), QStringLiteral("41"));
    QTest::keyClick(chr_, Qt::Key_Return);
    QCOMPARE(bin_->cell(2, 1), QStringLiteral("0D"));
    QTest::sendKeyEvent(QTest::Press, chr_, Qt::Key_unknown, QStringLiteral("\b"), Qt::NoModifier);
    QTest::sendKeyEvent(QTest::Press, chr_, Qt::Key_unknown, QString(QChar(0x3042)), Qt::NoModifier);
    QTest::sendKeyEvent(QTest::Press, chr_, Qt::Key_unknown, QString(QChar(0xE9)), Qt::NoModifier);
    QCOMPARE(held(), QByteArray("A\r\xE9", 3));
    QCOMPARE(chr_->cell(2, 1), QString(QChar(0xE9)));
    QCOMPARE(indexOf(chr_), 3);
    QCOMPARE(indexOf(bin_), 3);
}

void MailEditorTest::backspaceAtStartAndDeleteAtEndDoNothing() {
    key(bin_, Qt::Key_Backspace);
    key(chr_, Qt::Key_Delete);
    QCOMPARE(form_->dataCount(), 0);
    type(chr_, QStringLiteral("abc"));
    key(chr_, Qt::Key_Delete);
    key(bin_, Qt::Key_Delete);
    QCOMPARE(held(), QByteArray("abc"));
    for (int i = 0; i < 3; ++i)
        key(chr_, Qt::Key_Left);
    QCOMPARE(indexOf(chr_), 0);
    key(chr_, Qt::Key_Backspace);
    key(bin_, Qt::Key_Backspace);
    QCOMPARE(held(), QByteArray("abc"));
    QCOMPARE(indexOf(bin_), 0);
}

void MailEditorTest::deletingFromSixteenDropsRowTwo_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<bool>("backspace");
    QTest::addColumn<bool>("inChar");
    for (int p : {0, 7, 15})
        QTest::addRow("Delete at %d", p) << p << false << (p == 7);
    for (int p : {1, 8, 16})
        QTest::addRow("Backspace at %d", p) << p << true << (p == 8);
}

void MailEditorTest::deletingFromSixteenDropsRowTwo() {
    QFETCH(int, position);
    QFETCH(bool, backspace);
    QFETCH(bool, inChar);
    fill(16);
    QCOMPARE(bin_->rowCountAll(), 3);
    MailGrid* grid = inChar ? chr_ : bin_;
    while (indexOf(grid) > position)
        key(grid, Qt::Key_Left);
    QCOMPARE(indexOf(grid), position);
    key(grid, backspace ? Qt::Key_Backspace : Qt::Key_Delete);
    QCOMPARE(form_->dataCount(), 15);
    QCOMPARE(bin_->rowCountAll(), 2);
    QCOMPARE(chr_->rowCountAll(), 2);
    const int removed = backspace ? position - 1 : position;
    QByteArray expected;
    for (int i = 0; i < 16; ++i) {
        if (i != removed)
            expected.append(static_cast<char>(i));
    }
    QCOMPARE(held(), expected);
    QCOMPARE(bin_->cell(16, 1), QString());
    // The end cell is now column 16 of row 1.
    key(bin_, Qt::Key_Down);
    for (int i = 0; i < 20; ++i)
        key(bin_, Qt::Key_Right);
    QCOMPARE(bin_->col(), 16);
    QCOMPARE(bin_->row(), 1);
}

void MailEditorTest::deleteInTheMiddleShifts() {
    type(chr_, QStringLiteral("abcdef"));
    for (int i = 0; i < 3; ++i)
        key(chr_, Qt::Key_Left);
    key(chr_, Qt::Key_Backspace);
    QCOMPARE(held(), QByteArray("abdef"));
    QCOMPARE(indexOf(chr_), 2);
    QCOMPARE(indexOf(bin_), 2);
    key(bin_, Qt::Key_Delete);
    QCOMPARE(held(), QByteArray("abef"));
    QCOMPARE(indexOf(bin_), 2);
    QCOMPARE(chr_->cell(3, 1), QStringLiteral("f"));
    QCOMPARE(chr_->cell(4, 1), QString());
    QCOMPARE(bin_->cell(5, 1), QString());
}

void MailEditorTest::arrowKeysAtTheEdges_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("expected");
    QTest::newRow("Up in row 1") << 20 << 15 << int(Qt::Key_Up) << 15;
    QTest::newRow("Up from row 2") << 20 << 16 << int(Qt::Key_Up) << 0;
    QTest::newRow("Up from the end cell") << 20 << 20 << int(Qt::Key_Up) << 4;
    QTest::newRow("Down with 16 to go") << 20 << 4 << int(Qt::Key_Down) << 20;
    QTest::newRow("Down with 15 to go") << 20 << 5 << int(Qt::Key_Down) << 5;
    QTest::newRow("Right at the end cell") << 20 << 20 << int(Qt::Key_Right) << 20;
    QTest::newRow("Right across the row end") << 20 << 15 << int(Qt::Key_Right) << 16;
    QTest::newRow("Left at 0") << 20 << 0 << int(Qt::Key_Left) << 0;
    QTest::newRow("Left across the row start") << 20 << 16 << int(Qt::Key_Left) << 15;
    QTest::newRow("Left from a lone end cell") << 16 << 16 << int(Qt::Key_Left) << 15;
    QTest::newRow("F2 does nothing") << 20 << 3 << int(Qt::Key_F2) << 3;
    QTest::newRow("Home does nothing") << 20 << 18 << int(Qt::Key_Home) << 18;
    QTest::newRow("Page Up does nothing") << 40 << 35 << int(Qt::Key_PageUp) << 35;
}

void MailEditorTest::arrowKeysAtTheEdges() {
    QFETCH(int, count);
    QFETCH(int, start);
    QFETCH(int, key);
    QFETCH(int, expected);
    fill(count);
    for (MailGrid* grid : {bin_, chr_}) {
        while (indexOf(grid) > start)
            QTest::keyClick(grid, Qt::Key_Left);
        QCOMPARE(indexOf(grid), start);
        QTest::keyClick(grid, static_cast<Qt::Key>(key));
        QCOMPARE(indexOf(grid), expected);
        QCOMPARE(indexOf(otherGridOf(grid)), expected);
        while (indexOf(grid) < count)
            QTest::keyClick(grid, Qt::Key_Right);
    }
    QCOMPARE(form_->dataCount(), count);
}

void MailEditorTest::selectionBeyondEndIsRefused() {
    fill(18);
    const auto clickCell = [](MailGrid* grid, int col, int row) {
        const QRect rect = grid->visualRect(grid->model()->index(row - 1, col - grid->fixedCols()));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    };
    clickCell(bin_, 5, 1);
    QCOMPARE(indexOf(bin_), 4);
    clickCell(bin_, 4, 2);  // index 19: beyond the end cell (18)
    QCOMPARE(indexOf(bin_), 4);
    clickCell(bin_, 3, 2);  // the end cell
    QCOMPARE(indexOf(bin_), 18);
    clickCell(chr_, 3, 2);
    QCOMPARE(indexOf(chr_), 18);
    clickCell(chr_, 1, 1);
    QCOMPARE(indexOf(chr_), 1);
    // A click finishes a pending digit's selection: the next digit starts a byte.
    type(bin_, QStringLiteral("5"));
    QCOMPARE(form_->nibblePending(), 1);
    clickCell(bin_, 1, 1);
    QCOMPARE(form_->nibblePending(), 0);
}

void MailEditorTest::gridsScrollTogether() {
    fill(256);
    QVERIFY(bin_->topRow() > 1);
    QCOMPARE(chr_->topRow(), bin_->topRow());
    chr_->setTopRow(3);
    QCOMPARE(bin_->topRow(), 3);
}

void MailEditorTest::loadTakesAtMost256Bytes_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("loaded");
    QTest::newRow("300 bytes") << 300 << 256;
    QTest::newRow("256 bytes") << 256 << 256;
    QTest::newRow("17 bytes") << 17 << 17;
    QTest::newRow("empty") << 0 << 0;
}

void MailEditorTest::loadTakesAtMost256Bytes() {
    QFETCH(int, size);
    QFETCH(int, loaded);
    QTemporaryDir dir;
    QByteArray bytes;
    for (int i = 0; i < size; ++i)
        bytes.append(static_cast<char>((i * 7 + 3) & 0xFF));
    const QString path = writeFile(dir.path(), QStringLiteral("mail.bin"), bytes);
    QVERIFY(!path.isEmpty());
    type(chr_, QStringLiteral("old"));
    form_->setFileChooser([path] { return path; });
    form_->findChild<QPushButton*>(QStringLiteral("btnRead"))->click();
    QCOMPARE(form_->dataCount(), loaded);
    QCOMPARE(held(), bytes.left(loaded));
    QCOMPARE(bin_->rowCountAll(), loaded / 16 + 2);
    QCOMPARE(indexOf(bin_), loaded);
    if (loaded > 0)
        QCOMPARE(bin_->cell(1, 1), QStringLiteral("03"));
}

void MailEditorTest::loadFailuresShowTheMessage_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("missing file") << QStringLiteral("missing.bin");
    QTest::newRow("directory") << QStringLiteral("subdir");
}

void MailEditorTest::loadFailuresShowTheMessage() {
    QFETCH(QString, name);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("subdir")));
    type(chr_, QStringLiteral("keep"));
    const QString path = dir.path() + QLatin1Char('/') + name;
    form_->setFileChooser([path] { return path; });
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    probetest::onNextModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr)
            return false;
        text = box->text();
        icon = box->icon();
        box->button(QMessageBox::Ok)->click();
        return true;
    });
    form_->findChild<QPushButton*>(QStringLiteral("btnRead"))->click();
    QCOMPARE(text, QStringLiteral("ファイルを開くことが出来ません。"));
    QCOMPARE(icon, QMessageBox::Critical);
    QCOMPARE(held(), QByteArray("keep"));
}

void MailEditorTest::loadCancelledKeepsData() {
    type(chr_, QStringLiteral("keep"));
    bool asked = false;
    form_->setFileChooser([&asked] {
        asked = true;
        return QString();
    });
    form_->findChild<QPushButton*>(QStringLiteral("btnRead"))->click();
    QVERIFY(asked);
    QCOMPARE(held(), QByteArray("keep"));
}

void MailEditorTest::getDataBounds() {
    type(chr_, QStringLiteral("abcd"));
    std::array<uint8_t, 8> buffer{};
    buffer.fill(0xEE);
    QCOMPARE(form_->getData(buffer.data(), 2), 2);
    QCOMPARE(buffer[1], uint8_t('b'));
    QCOMPARE(buffer[2], uint8_t(0xEE));
    QCOMPARE(form_->getData(buffer.data(), 8), 4);
    QCOMPARE(buffer[4], uint8_t(0xEE));
    QCOMPARE(form_->getData(buffer.data(), 0), 0);
    QCOMPARE(form_->getData(buffer.data(), -5), 0);
    QCOMPARE(form_->getData(nullptr, 8), 0);
}

void MailEditorTest::dataClearEmptiesEverything() {
    fill(40);
    type(bin_, QStringLiteral("7"));
    auto* clear = form_->findChild<QPushButton*>(QStringLiteral("btnClear"));
    QTest::mouseClick(clear, Qt::LeftButton);
    QCOMPARE(form_->dataCount(), 0);
    QCOMPARE(form_->nibblePending(), 0);
    QCOMPARE(bin_->rowCountAll(), 2);
    QCOMPARE(chr_->rowCountAll(), 2);
    QCOMPARE(indexOf(bin_), 0);
    QCOMPARE(indexOf(chr_), 0);
    for (int c = 1; c <= 16; ++c)
        QCOMPARE(bin_->cell(c, 1), QString());
    QCOMPARE(form_->focusWidget(), clear);
    type(bin_, QStringLiteral("41"));
    QCOMPARE(held(), QByteArray("A"));
}

QTEST_MAIN(MailEditorTest)
#include "tst_MailEditor.moc"
