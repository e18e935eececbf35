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
// The library's full path: the program's directory followed by the file name.
QString libraryPath(const QString& programDir, const QString& file);

}  // namespace ravprobe
