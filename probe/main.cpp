// Ravprobe: the interactive test program of the board library.
#include <QApplication>

#include "ProbeApplication.h"
#include "TMainForm.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ravel ドライバテスト"));
    ravprobe::ProbeApplication probe(QCoreApplication::applicationDirPath());
    probe.mainForm().show();
    return QApplication::exec();
}
