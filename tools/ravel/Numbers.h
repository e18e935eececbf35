// Strict parsing of the numbers a command line carries, and their hex
// spelling on output.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ravel {

// A decimal or 0x-hexadecimal integer, optionally negative, within
// [min, max]; nothing else in the text.
std::optional<std::int64_t> parseInteger(std::string_view text, std::int64_t min, std::int64_t max);

// A value for a register or a GM element of `bits` bits: unsigned up to
// 2^bits - 1, or negative down to -2^(bits-1) (two's complement).
std::optional<std::uint64_t> parseValue(std::string_view text, unsigned bits);

// Seconds as a non-negative decimal number (e.g. 0.2), at most `max`.
std::optional<double> parseSeconds(std::string_view text, double max);

// Bytes given as hex pairs, blanks, commas and colons between pairs allowed
// ("01 02", "0102", "01:02").
std::optional<std::vector<std::uint8_t>> parseHexBytes(std::string_view text);

// `value` as `digits` upper-case hexadecimal digits, no prefix.
std::string hex(std::uint64_t value, int digits);

// Bytes as lower-case hex pairs separated by blanks.
std::string hexBytes(const std::uint8_t* data, std::size_t count);

}  // namespace ravel
