// The log's text for each library return code: its name and the fill that
// lines the texts up.
#pragma once

#include <QString>

namespace ravprobe {

// A code without a text: ShowResult with it writes the prefix as the line.
inline constexpr int kPlainLine = 80;

QString ReturnCodeText(int code);

}  // namespace ravprobe
