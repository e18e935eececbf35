// The program's conversions between typed text and numbers, and the texts it
// shows for status words and mail bytes.
#pragma once

#include <QString>

#include <cstdint>

namespace ravprobe {

// A signed 32-bit number: leading blanks, a sign, then decimal digits or
// hexadecimal digits after 0x, 0X, x, X or $. Anything else gives fallback.
int32_t ParseNumber(const QString& text, int32_t fallback);

// A 64-bit number as the register window reads it: leading blanks, a sign,
// then decimal digits or hexadecimal digits after "0x", "0X" or "$"; any other
// text, trailing blanks included, gives 0.
int64_t StrToInt64Def(const QString& text);

// A status word widened with its sign, in upper-case hexadecimal, at least
// four digits: 0x1234 → "1234", 0x8000 → "FFFF8000".
QString Hex16Text(int16_t word);

// Two upper-case hexadecimal digits and a blank per byte.
QString bytePreview(const uint8_t* bytes, int count);

}  // namespace ravprobe
