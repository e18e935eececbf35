// Binding the 48 entry points by name, and calls through the table.
#include <QPlainTextEdit>
#include <QtTest>

#include <dlfcn.h>

#include "BoardList.h"
#include "EntryCaller.h"
#include "LibraryBinding.h"
#include "ProbeTestSupport.h"
#include "ResultLog.h"

using namespace ravprobe;

class LibraryBindingTest : public QObject {
    Q_OBJECT
private slots:
    void namesAreTheExportsInBindingOrder();
    void bindsAll48FromAFullLibrary();
    void lackingNamesStayEmpty();
    void missingFileLeavesEverythingEmpty();
    void bareNameIsRefused();
    void unbindReleasesTheLibrary();
    void callGoesToTheLibraryWithItsCode();
    void missingEntryIsLoggedNotCalled();
    void libraryBesideTheProgramElseTheInstalledOne();
};

void LibraryBindingTest::namesAreTheExportsInBindingOrder() {
    const QStringList expected =
        QStringLiteral(
            "RV_boardname RV_dllname RV_version RV_maxline RV_open RV_close RV_start RV_start_lf RV_start_gmm RV_stop "
            "RV_reset RV_GetCnectStat RV_config RV_Status RV_Name RV_Connect RV_ConnectLF RV_ConnectGMM RV_DisConnect "
            "RV_Alloc RV_Free RV_Attach RV_Map RV_UnMap RV_MailOpen RV_MailClose RV_MailSend RV_MailReceive "
            "RV_MailStatus RV_MailWaitObject RV_Ck RV_Put RV_Get RV_GetReg16 RV_GetReg32 RV_GetReg64 RV_SetReg16 "
            "RV_SetReg32 RV_SetReg64 RV_GetMemByte RV_GetMemShort RV_GetMemLong RV_GetMemDLong RV_SetMemByte "
            "RV_SetMemShort RV_SetMemLong RV_SetMemDLong RV_HardReset")
            .split(QLatin1Char(' '));
    QCOMPARE(expected.size(), 48);
    QStringList names;
    for (const char* name : kEntryNames)
        names << QString::fromLatin1(name);
    QCOMPARE(names, expected);
}

void LibraryBindingTest::bindsAll48FromAFullLibrary() {
    LibraryBinding binding;
    const QString path = probetest::standinPath(QStringLiteral("libRavlib.so"));
    QCOMPARE(binding.BindLibrary(path), 0);
    QVERIFY(binding.loaded());
    void* handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_NOLOAD);
    QVERIFY(handle != nullptr);
    for (std::size_t i = 0; i < kEntryCount; ++i) {
        QVERIFY2(binding.has(static_cast<Entry>(i)), kEntryNames[i]);
    }
    // Each slot holds the library's own address of that name.
    QCOMPARE(reinterpret_cast<void*>(binding.entry<Entry::RV_open>()), dlsym(handle, "RV_open"));
    QCOMPARE(reinterpret_cast<void*>(binding.entry<Entry::RV_DisConnect>()), dlsym(handle, "RV_DisConnect"));
    QCOMPARE(reinterpret_cast<void*>(binding.entry<Entry::RV_HardReset>()), dlsym(handle, "RV_HardReset"));
    dlclose(handle);
    char text[32] = {};
    QCOMPARE(QString::fromLatin1(binding.entry<Entry::RV_dllname>()(text)), QStringLiteral("Ravlib.dll"));
    QCOMPARE(binding.entry<Entry::RV_maxline>()(), 1);
}

void LibraryBindingTest::lackingNamesStayEmpty() {
    LibraryBinding binding;
    QCOMPARE(binding.BindLibrary(probetest::standinPath(QStringLiteral("libRavlibLacking.so"))), 0);
    int bound = 0;
    for (std::size_t i = 0; i < kEntryCount; ++i)
        bound += binding.has(static_cast<Entry>(i)) ? 1 : 0;
    QCOMPARE(bound, 46);
    QVERIFY(!binding.has(Entry::RV_MailStatus));
    QVERIFY(!binding.has(Entry::RV_DisConnect));
    QVERIFY(binding.has(Entry::RV_MailWaitObject));
    QVERIFY(binding.has(Entry::RV_open));

    LibraryBinding withoutOpen;
    QCOMPARE(withoutOpen.BindLibrary(probetest::standinPath(QStringLiteral("libQ5Ravlib.so"))), 0);
    QVERIFY(!withoutOpen.has(Entry::RV_open));
    QVERIFY(withoutOpen.has(Entry::RV_close));
}

void LibraryBindingTest::missingFileLeavesEverythingEmpty() {
    LibraryBinding binding;
    QVERIFY(binding.BindLibrary(probetest::standinPath(QStringLiteral("libRavlib.so"))) == 0);
    QVERIFY(binding.BindLibrary(probetest::standinPath(QStringLiteral("libNoSuchRavlib.so"))) != 0);
    QVERIFY(!binding.loaded());
    QVERIFY(!binding.loadError().isEmpty());
    for (std::size_t i = 0; i < kEntryCount; ++i)
        QVERIFY2(!binding.has(static_cast<Entry>(i)), kEntryNames[i]);
}

void LibraryBindingTest::bareNameIsRefused() {
    // libQ5Ravlib64.so lies on the search path of this test (the decoy); a
    // bare name must not find it.
    LibraryBinding binding;
    QVERIFY(binding.BindLibrary(QStringLiteral("libQ5Ravlib64.so")) != 0);
    QVERIFY(!binding.loaded());
    QVERIFY(!binding.has(Entry::RV_open));
}

void LibraryBindingTest::unbindReleasesTheLibrary() {
    const QString path = probetest::standinPath(QStringLiteral("libRavlibLacking.so"));
    {
        LibraryBinding binding;
        QCOMPARE(binding.BindLibrary(path), 0);
        binding.UnbindLibrary();
        QVERIFY(!binding.loaded());
        QVERIFY(!binding.has(Entry::RV_open));
        binding.UnbindLibrary();
        QVERIFY(!binding.loaded());
    }
    QVERIFY(dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_NOLOAD) == nullptr);
}

void LibraryBindingTest::callGoesToTheLibraryWithItsCode() {
    LibraryBinding binding;
    QCOMPARE(binding.BindLibrary(probetest::standinPath(QStringLiteral("libRavlib.so"))), 0);
    probetest::Standin standin(probetest::standinPath(QStringLiteral("libRavlib.so")));
    QVERIFY(standin.valid());
    standin.reset();
    standin.setResult("RV_start", 15);
    QPlainTextEdit memo;
    ResultLog log(&memo);
    EntryCaller caller(binding, log);
    QCOMPARE(caller.call<Entry::RV_open>(2), std::optional<int32_t>(0));
    QCOMPARE(caller.call<Entry::RV_start>(2, 0, 5, 3, 2), std::optional<int32_t>(15));
    QCOMPARE(standin.calls(), QStringList({QStringLiteral("RV_open(2,0)"), QStringLiteral("RV_start(2,0,5,3,2)")}));
    QCOMPARE(log.lineCount(), 0);
}

void LibraryBindingTest::missingEntryIsLoggedNotCalled() {
    LibraryBinding binding;
    const QString path = probetest::standinPath(QStringLiteral("libRavlibLacking.so"));
    QCOMPARE(binding.BindLibrary(path), 0);
    probetest::Standin standin(path);
    standin.reset();
    QPlainTextEdit memo;
    ResultLog log(&memo);
    EntryCaller caller(binding, log);
    int16_t status = 0;
    QCOMPARE(caller.call<Entry::RV_MailStatus>(0, 0, &status), std::optional<int32_t>());
    QCOMPARE(memo.toPlainText(), QStringLiteral("RV_MailStatus: not exported by the loaded library"));
    QCOMPARE(caller.call<Entry::RV_DisConnect>(1, 0), std::optional<int32_t>());
    QCOMPARE(log.lineCount(), 2);
    QVERIFY(standin.calls().isEmpty());
    QCOMPARE(caller.call<Entry::RV_MailWaitObject>(1, 0, &status), std::optional<int32_t>(0));
    QCOMPARE(standin.calls(), QStringList({QStringLiteral("RV_MailWaitObject(1,0)")}));
}

// A build tree has the library beside the program; an installed program finds
// it in the library directory that goes with its own.
void LibraryBindingTest::libraryBesideTheProgramElseTheInstalledOne() {
    QTemporaryDir root;
    const QString bin = root.path() + QStringLiteral("/bin");
    const QString installed = QDir::cleanPath(bin + QStringLiteral("/" RAVPROBE_INSTALLED_LIBDIR "/libRavlib.so"));
    QVERIFY(QDir().mkpath(bin) && QDir().mkpath(QFileInfo(installed).path()));
    QVERIFY(QFile(installed).open(QIODevice::WriteOnly));
    QCOMPARE(libraryPath(bin, QStringLiteral("libRavlib.so")), installed);
    QVERIFY(QFile(bin + QStringLiteral("/libRavlib.so")).open(QIODevice::WriteOnly));
    QCOMPARE(libraryPath(bin + QLatin1Char('/'), QStringLiteral("libRavlib.so")),
             bin + QStringLiteral("/libRavlib.so"));
}

QTEST_MAIN(LibraryBindingTest)
#include "tst_LibraryBinding.moc"
