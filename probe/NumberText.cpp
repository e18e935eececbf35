#include "NumberText.h"

#include <optional>

namespace ravprobe {

namespace {

int digitValue(QChar c, int base) {
    const char16_t u = c.unicode();
    int v = -1;
    if (u >= '0' && u <= '9')
        v = u - '0';
    else if (u >= 'a' && u <= 'f')
        v = u - 'a' + 10;
    else if (u >= 'A' && u <= 'F')
        v = u - 'A' + 10;
    return v < base ? v : -1;
}

// The number, or nothing when text is not wholly one that fits in bits.
std::optional<int64_t> parseInteger(const QString& text, int bits, bool bareX) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    int base = 10;
    if (i < n && text[i] == QLatin1Char('$')) {
        base = 16;
        i += 1;
    } else if (i + 1 < n && text[i] == QLatin1Char('0') &&
               (text[i + 1] == QLatin1Char('x') || text[i + 1] == QLatin1Char('X'))) {
        base = 16;
        i += 2;
    } else if (bareX && i < n && (text[i] == QLatin1Char('x') || text[i] == QLatin1Char('X'))) {
        base = 16;
        i += 1;
    }
    if (i >= n)
        return std::nullopt;
    // Hexadecimal fills the whole width (FFFFFFFF is -1); decimal keeps its sign.
    const uint64_t limit = base == 16 ? (bits == 64 ? UINT64_MAX : (uint64_t{1} << bits) - 1)
                                      : (uint64_t{1} << (bits - 1)) - (negative ? 0 : 1);
    uint64_t value = 0;
    for (; i < n; ++i) {
        const int d = digitValue(text[i], base);
        if (d < 0)
            return std::nullopt;
        if (value > (limit - static_cast<uint64_t>(d)) / static_cast<uint64_t>(base))
            return std::nullopt;
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
    }
    if (bits == 32) {
        const auto word = static_cast<int64_t>(static_cast<int32_t>(static_cast<uint32_t>(value)));
        return negative ? static_cast<int64_t>(static_cast<int32_t>(0u - static_cast<uint32_t>(word))) : word;
    }
    return static_cast<int64_t>(negative ? 0 - value : value);
}

}  // namespace

int32_t ParseNumber(const QString& text, int32_t fallback) {
    const auto value = parseInteger(text, 32, true);
    return value ? static_cast<int32_t>(*value) : fallback;
}

int64_t StrToInt64Def(const QString& text) {
    return parseInteger(text, 64, false).value_or(0);
}

QString Hex16Text(int16_t word) {
    return QString::asprintf("%04X", static_cast<unsigned>(static_cast<int32_t>(word)));
}

QString bytePreview(const uint8_t* bytes, int count) {
    QString text;
    for (int i = 0; i < count; ++i)
        text += QString::asprintf("%02X ", bytes[i]);
    return text;
}

}  // namespace ravprobe
