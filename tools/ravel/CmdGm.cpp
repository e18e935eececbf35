// ravel gm get / gm set: GM elements of 8, 16, 32 or 64 bits from a
// station's block on.
#include "tools/ravel/Commands.h"
#include "tools/ravel/Numbers.h"
#include "tools/ravel/ReturnCode.h"

#include "chip/Mky43.h"
#include "lib/Ravlib.h"

#include <cstring>
#include <string>
#include <vector>

namespace ravel {

namespace {

constexpr std::size_t kGmBytes = mky43::kGmEnd - mky43::kGm;

// The element width from --width, in bits; 0 when it is not one of them.
unsigned widthOf(const Invocation& call) {
    std::string text = call.args.value("width").value_or("16");
    for (unsigned bits : {8u, 16u, 32u, 64u})
        if (text == std::to_string(bits))
            return bits;
    return 0;
}

std::string boardCall(const char* name, int board) {
    return std::string(name) + "(board " + std::to_string(board) + ")";
}

// Bytes of GM from `offset` on, read in 16-bit words: the library has no
// byte-wide access, and the words hold the bytes lowest first.
bool readBytes(int board, int station, std::size_t count, std::vector<std::uint8_t>& bytes) {
    std::vector<std::int16_t> words((count + 1) / 2);
    if (!succeeded(RV_GetMemShort(board, 0, words.data(), station, 0, static_cast<std::int32_t>(words.size())),
                   boardCall("RV_GetMemShort", board)))
        return false;
    bytes.resize(words.size() * 2);
    std::memcpy(bytes.data(), words.data(), bytes.size());
    bytes.resize(count);
    return true;
}

bool writeBytes(int board, int station, std::vector<std::uint8_t> bytes) {
    // An odd byte count keeps the byte after it as GM holds it.
    if (bytes.size() % 2) {
        std::vector<std::uint8_t> current;
        if (!readBytes(board, station, bytes.size() + 1, current))
            return false;
        bytes.push_back(current.back());
    }
    std::vector<std::int16_t> words(bytes.size() / 2);
    std::memcpy(words.data(), bytes.data(), bytes.size());
    return succeeded(RV_SetMemShort(board, 0, words.data(), station, 0, static_cast<std::int32_t>(words.size())),
                     boardCall("RV_SetMemShort", board));
}

}  // namespace

int runGmGet(const Invocation& call) {
    const unsigned bits = widthOf(call);
    if (!bits)
        return call.usageError("--width is 8, 16, 32 or 64");
    const std::size_t bytesPer = bits / 8;
    auto station = parseInteger(call.args.positional()[0], 0, mky43::kStations - 1);
    if (!station)
        return call.usageError("SA is 0..63, not " + call.args.positional()[0]);
    const std::size_t room = (kGmBytes - static_cast<std::size_t>(*station) * mky43::kBlockBytes) / bytesPer;
    std::size_t count = mky43::kBlockBytes / bytesPer;
    if (call.args.positional().size() > 1) {
        auto given = parseInteger(call.args.positional()[1], 1, static_cast<std::int64_t>(room));
        if (!given)
            return call.usageError("COUNT is 1.." + std::to_string(room) + " here, not " + call.args.positional()[1]);
        count = static_cast<std::size_t>(*given);
    }
    Board board(call.board);
    if (!openBoard(board, call))
        return kExitFailed;
    std::vector<std::uint8_t> bytes;
    if (!readBytes(call.board, static_cast<int>(*station), count * bytesPer, bytes))
        return kExitFailed;
    std::string out = call.json
                          ? "{\"board\":" + std::to_string(call.board) + ",\"station\":" + std::to_string(*station) +
                                ",\"width\":" + std::to_string(bits) + ",\"values\":["
                          : "";
    for (std::size_t i = 0; i < count; ++i) {
        std::uint64_t value = 0;
        std::memcpy(&value, bytes.data() + i * bytesPer, bytesPer);
        if (call.json)
            // 64-bit values as hex text: JSON readers keep only 53 bits of a number.
            out += (i ? "," : "") + (bits == 64 ? "\"0x" + hex(value, 16) + "\"" : std::to_string(value));
        else
            out += (i ? " " : "") + hex(value, static_cast<int>(bits / 4));
    }
    return writeLine(stdout, call.json ? out + "]}" : out) ? kExitOk : kExitFailed;
}

int runGmSet(const Invocation& call) {
    const unsigned bits = widthOf(call);
    if (!bits)
        return call.usageError("--width is 8, 16, 32 or 64");
    const std::size_t bytesPer = bits / 8;
    const std::vector<std::string>& words = call.args.positional();
    auto station = parseInteger(words[0], 0, mky43::kStations - 1);
    if (!station)
        return call.usageError("SA is 0..63, not " + words[0]);
    const std::size_t room = (kGmBytes - static_cast<std::size_t>(*station) * mky43::kBlockBytes) / bytesPer;
    if (words.size() - 1 > room)
        return call.usageError(std::to_string(words.size() - 1) + " values run past station 63");
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 1; i < words.size(); ++i) {
        auto value = parseValue(words[i], bits);
        if (!value)
            return call.usageError(words[i] + " is not a " + std::to_string(bits) + "-bit value");
        for (std::size_t b = 0; b < bytesPer; ++b)
            bytes.push_back(static_cast<std::uint8_t>(*value >> (8 * b)));
    }
    Board board(call.board);
    if (!openBoard(board, call))
        return kExitFailed;
    return writeBytes(call.board, static_cast<int>(*station), std::move(bytes)) ? kExitOk : kExitFailed;
}

}  // namespace ravel
