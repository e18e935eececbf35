#include "tools/ravel/Numbers.h"

#include <cctype>
#include <charconv>
#include <cmath>

namespace ravel {

namespace {

std::optional<std::uint64_t> parseMagnitude(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

}  // namespace

std::optional<std::int64_t> parseInteger(std::string_view text, std::int64_t min, std::int64_t max) {
    bool negative = !text.empty() && text[0] == '-';
    if (negative)
        text.remove_prefix(1);
    std::optional<std::uint64_t> magnitude = parseMagnitude(text);
    if (!magnitude || *magnitude > (std::uint64_t{1} << 62))
        return std::nullopt;
    std::int64_t value = static_cast<std::int64_t>(*magnitude);
    if (negative)
        value = -value;
    if (value < min || value > max)
        return std::nullopt;
    return value;
}

std::optional<std::uint64_t> parseValue(std::string_view text, unsigned bits) {
    const std::uint64_t mask = bits >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
    bool negative = !text.empty() && text[0] == '-';
    if (negative)
        text.remove_prefix(1);
    std::optional<std::uint64_t> magnitude = parseMagnitude(text);
    if (!magnitude)
        return std::nullopt;
    if (!negative)
        return *magnitude <= mask ? magnitude : std::nullopt;
    const std::uint64_t lowest = std::uint64_t{1} << (bits - 1);
    if (*magnitude > lowest)
        return std::nullopt;
    return (~*magnitude + 1) & mask;
}

std::optional<double> parseSeconds(std::string_view text, double max) {
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
        value < 0 || value > max)
        return std::nullopt;
    return value;
}

std::optional<std::vector<std::uint8_t>> parseHexBytes(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    std::size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == ' ' || c == ',' || c == ':' || c == '\t' || c == '\n') {
            ++i;
            continue;
        }
        if (i + 1 >= text.size())
            return std::nullopt;
        int high = hexDigit(text[i]);
        int low = hexDigit(text[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
        i += 2;
    }
    return bytes;
}

std::string hex(std::uint64_t value, int digits) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text(static_cast<std::size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i, value >>= 4)
        text[static_cast<std::size_t>(i)] = kDigits[value & 0xF];
    return text;
}

std::string hexBytes(const std::uint8_t* data, std::size_t count) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(count * 3);
    for (std::size_t i = 0; i < count; ++i) {
        if (i)
            text += ' ';
        text += kDigits[data[i] >> 4];
        text += kDigits[data[i] & 0xF];
    }
    return text;
}

}  // namespace ravel
