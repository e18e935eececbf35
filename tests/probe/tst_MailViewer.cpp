// The mail data viewer: showing received bytes read-only, saving them, and a
// round trip through the editor.
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <array>
#include <memory>

#include "MailGrid.h"
#include "ProbeTestSupport.h"
#include "TBEditForm.h"
#include "TBViewForm.h"

using namespace ravprobe;

namespace {

int indexOf(const MailGrid* grid) {
    return grid->col() - grid->fixedCols() + 16 * (grid->row() - 1);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Answers the next message box and returns its text through *text.
void answerMessage(QString* text) {
    probetest::onNextModal([text](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr)
            return false;
        *text = box->text();
        box->button(QMessageBox::Ok)->click();
        return true;
    });
}

}  // namespace

class MailViewerTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void layoutAndHeaders();
    void showsAsManyBytesAsAsked_data();
    void showsAsManyBytesAsAsked();
    void typingChangesNothing();
    void arrowKeysMoveBothGrids();
    void saveWritesExactlyWhatIsShown();
    void saveWithNoDataSaysSo();
    void saveToUnwritablePathSaysSo();
    void saveCancelledWritesNothing();
    void editorToViewerRoundTrip();
    void renderBothWindows();

private:
    std::unique_ptr<TBViewForm> form_;
    MailGrid* bin_ = nullptr;
    MailGrid* chr_ = nullptr;
};

void MailViewerTest::init() {
    form_ = std::make_unique<TBViewForm>();
    form_->show();
    bin_ = form_->findChild<MailGrid*>(QStringLiteral("sgBinary"));
    chr_ = form_->findChild<MailGrid*>(QStringLiteral("sgChar"));
    QVERIFY(bin_ != nullptr && chr_ != nullptr);
}

void MailViewerTest::cleanup() {
    probetest::stopPolling();
    form_.reset();
}

void MailViewerTest::layoutAndHeaders() {
    QCOMPARE(form_->windowTitle(), QStringLiteral("Mail Data Viewer"));
    QCOMPARE(form_->size(), QSize(629, 290));
    QCOMPARE(bin_->geometry(), QRect(7, 21, 401, 225));
    QCOMPARE(form_->findChild<QPushButton*>(QStringLiteral("btnWrite"))->text(), QStringLiteral("Save File"));
    QCOMPARE(form_->findChild<QLabel*>(QStringLiteral("lblBinary"))->text(), QStringLiteral("Binary"));
    QCOMPARE(form_->findChild<QLabel*>(QStringLiteral("lblChar"))->text(), QStringLiteral("Character"));
    QCOMPARE(chr_->horizontalHeaderItem(0)->text(), QStringLiteral("0"));
    QCOMPARE(chr_->horizontalHeaderItem(15)->text(), QStringLiteral("F"));
    QCOMPARE(bin_->horizontalHeaderItem(9)->text(), QStringLiteral("+9"));
    QCOMPARE(bin_->horizontalHeader()->sectionSize(0), 22);
    QCOMPARE(chr_->horizontalHeader()->sectionSize(0), 12);
    QCOMPARE(bin_->verticalHeader()->width(), 45);
}

void MailViewerTest::showsAsManyBytesAsAsked_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("shown");
    QTest::newRow("256") << 256 << 256;
    QTest::newRow("300") << 300 << 256;
    QTest::newRow("4") << 4 << 4;
    QTest::newRow("16") << 16 << 16;
    QTest::newRow("0") << 0 << 0;
    QTest::newRow("-3") << -3 << 0;
}

void MailViewerTest::showsAsManyBytesAsAsked() {
    QFETCH(int, length);
    QFETCH(int, shown);
    std::array<uint8_t, 300> bytes{};
    bytes[0] = 'H';
    bytes[1] = 'i';
    bytes[255] = 0xA5;
    form_->showData(bytes.data(), 20);
    form_->showData(bytes.data(), length);
    QCOMPARE(form_->dataCount(), shown);
    QCOMPARE(bin_->rowCountAll(), shown / 16 + 2);
    QCOMPARE(indexOf(chr_), shown);
    QCOMPARE(indexOf(bin_), shown);
    if (shown >= 2) {
        QCOMPARE(bin_->cell(1, 1), QStringLiteral("48"));
        QCOMPARE(chr_->cell(1, 1), QStringLiteral("i"));
        QCOMPARE(bin_->cell(3, 1), QStringLiteral("00"));
    } else {
        QCOMPARE(bin_->cell(1, 1), QString());
    }
    if (shown == 256) {
        QCOMPARE(bin_->cell(16, 16), QStringLiteral("A5"));
        QCOMPARE(bin_->verticalHeaderItem(16)->text(), QStringLiteral("0100"));
    }
    form_->showData(nullptr, 10);
    QCOMPARE(form_->dataCount(), 0);
}

void MailViewerTest::typingChangesNothing() {
    const std::array<uint8_t, 3> bytes = {1, 2, 3};
    form_->showData(bytes.data(), 3);
    QTest::keyClicks(bin_, QStringLiteral("41ff"));
    QTest::keyClicks(chr_, QStringLiteral("xyz"));
    QTest::keyClick(bin_, Qt::Key_Delete);
    QTest::keyClick(chr_, Qt::Key_Backspace);
    QCOMPARE(form_->dataCount(), 3);
    QCOMPARE(bin_->cell(1, 1), QStringLiteral("01"));
    QCOMPARE(bin_->cell(3, 1), QStringLiteral("03"));
    QCOMPARE(chr_->cell(3, 1), QString());
}

void MailViewerTest::arrowKeysMoveBothGrids() {
    std::array<uint8_t, 40> bytes{};
    form_->showData(bytes.data(), 40);
    QCOMPARE(indexOf(bin_), 40);
    QTest::keyClick(bin_, Qt::Key_Right);
    QCOMPARE(indexOf(bin_), 40);
    QTest::keyClick(bin_, Qt::Key_Up);
    QCOMPARE(indexOf(bin_), 24);
    QCOMPARE(indexOf(chr_), 24);
    QTest::keyClick(chr_, Qt::Key_Up);
    QTest::keyClick(chr_, Qt::Key_Up);
    QCOMPARE(indexOf(chr_), 8);
    QTest::keyClick(chr_, Qt::Key_Up);
    QCOMPARE(indexOf(chr_), 8);
    QTest::keyClick(chr_, Qt::Key_Down);
    QTest::keyClick(chr_, Qt::Key_Down);
    QCOMPARE(indexOf(bin_), 40);
    QTest::keyClick(chr_, Qt::Key_Down);
    QCOMPARE(indexOf(bin_), 40);
}

void MailViewerTest::saveWritesExactlyWhatIsShown() {
    QTemporaryDir dir;
    std::array<uint8_t, 256> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(255 - i);
    // A short mail in a 256-byte buffer: the viewer shows, and saves, all 256.
    bytes.fill(0);
    bytes[0] = 0x7F;
    bytes[1] = 0x80;
    form_->showData(bytes.data(), 256);
    const QString path = dir.path() + QStringLiteral("/saved.bin");
    QVERIFY(QFile(path).open(QIODevice::WriteOnly) && QFile::resize(path, 1000));
    form_->setFileChooser([path] { return path; });
    form_->findChild<QPushButton*>(QStringLiteral("btnWrite"))->click();
    const QByteArray saved = readFile(path);
    QCOMPARE(saved.size(), 256);
    QCOMPARE(saved, QByteArray(reinterpret_cast<const char*>(bytes.data()), 256));

    form_->showData(bytes.data(), 5);
    form_->findChild<QPushButton*>(QStringLiteral("btnWrite"))->click();
    QCOMPARE(readFile(path), QByteArray("\x7F\x80\0\0\0", 5));
}

void MailViewerTest::saveWithNoDataSaysSo() {
    bool asked = false;
    form_->setFileChooser([&asked] {
        asked = true;
        return QString();
    });
    QString text;
    answerMessage(&text);
    form_->findChild<QPushButton*>(QStringLiteral("btnWrite"))->click();
    QCOMPARE(text, QStringLiteral("データがありません。"));
    QVERIFY(!asked);
}

void MailViewerTest::saveToUnwritablePathSaysSo() {
    QTemporaryDir dir;
    const std::array<uint8_t, 2> bytes = {9, 8};
    form_->showData(bytes.data(), 2);
    const QString path = dir.path() + QStringLiteral("/no/such/dir/out.bin");
    form_->setFileChooser([path] { return path; });
    QString text;
    answerMessage(&text);
    form_->findChild<QPushButton*>(QStringLiteral("btnWrite"))->click();
    QCOMPARE(text, QStringLiteral("ファイルを開くことが出来ません。"));
    QCOMPARE(form_->dataCount(), 2);
    QVERIFY(!QFile::exists(path));
}

void MailViewerTest::saveCancelledWritesNothing() {
    QTemporaryDir dir;
    const std::array<uint8_t, 2> bytes = {9, 8};
    form_->showData(bytes.data(), 2);
    form_->setFileChooser([] { return QString(); });
    form_->findChild<QPushButton*>(QStringLiteral("btnWrite"))->click();
    QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

void MailViewerTest::editorToViewerRoundTrip() {
    QTemporaryDir dir;
    QByteArray original;
    for (int i = 0; i < 200; ++i)
        original.append(static_cast<char>((i * 31) & 0xFF));
    const QString in = dir.path() + QStringLiteral("/in.bin");
    {
        QFile file(in);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(original);
    }
    TBEditForm editor;
    editor.setFileChooser([in] { return in; });
    editor.findChild<QPushButton*>(QStringLiteral("btnRead"))->click();
    QCOMPARE(editor.dataCount(), 200);
    std::array<uint8_t, 256> buffer{};
    const int n = editor.getData(buffer.data(), 256);
    QCOMPARE(n, 200);
    form_->showData(buffer.data(), n);
    const QString out = dir.path() + QStringLiteral("/out.bin");
    form_->setFileChooser([out] { return out; });
    form_->findChild<QPushButton*>(QStringLiteral("btnWrite"))->click();
    QCOMPARE(readFile(out), original);
}

void MailViewerTest::renderBothWindows() {
    // RAVPROBE_SCREENSHOT names the picture to write; without it the picture
    // goes to a scratch directory.
    QTemporaryDir dir;
    QString target = qEnvironmentVariable("RAVPROBE_SCREENSHOT");
    if (target.isEmpty())
        target = dir.path() + QStringLiteral("/mail-data-windows.png");
    TBEditForm editor;
    editor.show();
    QTest::keyClicks(editor.findChild<MailGrid*>(QStringLiteral("sgChar")),
                     QStringLiteral("Ravel mail: hello, station 5!"));
    QTest::keyClicks(editor.findChild<MailGrid*>(QStringLiteral("sgBinary")), QStringLiteral("00ff7e"));
    QByteArray received("Echo from station 12 \x01\x02\x03 end of mail.");
    form_->showData(reinterpret_cast<const uint8_t*>(received.constData()), static_cast<int>(received.size()));
    const QPixmap top = editor.grab();
    const QPixmap bottom = form_->grab();
    QImage picture(std::max(top.width(), bottom.width()), top.height() + bottom.height() + 8, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.drawPixmap(0, 0, top);
    painter.drawPixmap(0, top.height() + 8, bottom);
    painter.end();
    QVERIFY(picture.save(target));
    QCOMPARE(QImage(target).size(), picture.size());
    QCOMPARE(editor.dataCount(), 32);
}

QTEST_MAIN(MailViewerTest)
#include "tst_MailViewer.moc"
