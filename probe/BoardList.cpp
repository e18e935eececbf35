#include "BoardList.h"

#include <QDir>
#include <QFileInfo>

namespace ravprobe {

namespace {

struct BoardChoice {
    const char* itemText;
    const char* libraryFile;
};

// Each library name maps to the shared-object name of the same stem.
constexpr BoardChoice kBoards[] = {
    {"PCI Express Ravel", "libRavlib.so"},
    {"Q5 オプションボード Ravel", "libQ5Ravlib.so"},
    {"Q5 オプションボード Ravel (64bit OS)", "libQ5Ravlib64.so"},
};
constexpr int kBoardCount = static_cast<int>(sizeof(kBoards) / sizeof(kBoards[0]));

}  // namespace

QStringList boardItems() {
    QStringList items;
    for (const BoardChoice& board : kBoards)
        items << QString::fromUtf8(board.itemText);
    return items;
}

QString libraryFileFor(int itemIndex) {
    if (itemIndex < 0 || itemIndex >= kBoardCount)
        itemIndex = 0;
    return QString::fromLatin1(kBoards[itemIndex].libraryFile);
}

QString libraryPath(const QString& programDir, const QString& file) {
    const QString dir = programDir.endsWith(QLatin1Char('/')) ? programDir : programDir + QLatin1Char('/');
    if (QFileInfo::exists(dir + file))
        return dir + file;
    return QDir::cleanPath(dir + QStringLiteral(RAVPROBE_INSTALLED_LIBDIR "/") + file);
}

}  // namespace ravprobe
