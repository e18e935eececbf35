// The board types the user can choose from and the library file of each.
#pragma once

#include <QString>
#include <QStringList>

namespace ravprobe {

// Item texts of the board list, in order.
QStringList boardItems();
// The library file of a list item; no selection (or an unknown index) means
// the board library of this system.
QString libraryFileFor(int itemIndex);
// The library's full path: the file in the program's directory, else the
// one installed in the library directory that goes with the program's.
QString libraryPath(const QString& programDir, const QString& file);

}  // namespace ravprobe
