// ravel reg: the chip registers by the names of the register window.
#include "tools/ravel/Commands.h"
#include "tools/ravel/Json.h"
#include "tools/ravel/Numbers.h"
#include "tools/ravel/ReturnCode.h"

#include "chip/Mky43.h"
#include "lib/Ravlib.h"

#include <string>

namespace ravel {

namespace {

const mky43::Register* findByNameOrOffset(const std::string& text) {
    std::string upper;
    for (char c : text)
        upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    if (const mky43::Register* found = mky43::findRegister(upper))
        return found;
    auto offset = parseInteger(text, 0, 0xFFFF);
    if (!offset)
        return nullptr;
    for (const mky43::Register& r : mky43::kRegisterMap)
        if (r.offset == *offset)
            return &r;
    return nullptr;
}

bool readRegister(const Board& board, const mky43::Register& r, std::uint64_t& value) {
    if (r.bits == 64)
        return board.readRegister64(r.offset, value);
    std::uint16_t word = 0;
    bool ok = board.readRegister16(r.offset, word);
    value = word;
    return ok;
}

// The chip code register holds a name: its bytes up to the first NUL.
std::string chipCodeText(std::uint64_t value) {
    std::string text;
    for (int b = 0; b < 8; ++b) {
        char c = static_cast<char>(value >> (8 * b));
        if (c == 0)
            break;
        text += (c >= 0x20 && c < 0x7F) ? c : '.';
    }
    return text;
}

std::string formatRegister(const mky43::Register& r, std::uint64_t value, bool json) {
    std::string digits = hex(value, static_cast<int>(r.bits / 4));
    std::string text = r.offset == mky43::CCR ? chipCodeText(value) : "";
    if (json)
        return "{\"name\":" + jsonString(r.name) + ",\"offset\":" + std::to_string(r.offset) +
               ",\"bits\":" + std::to_string(r.bits) + ",\"value\":\"0x" + digits + "\"" +
               (r.offset == mky43::CCR ? ",\"text\":" + jsonString(text) : "") + "}";
    char offset[8];
    std::snprintf(offset, sizeof offset, "0x%03X", r.offset);
    std::string line = std::string(r.name) + std::string(8 - r.name.size(), ' ') + offset + "  " + digits;
    return r.offset == mky43::CCR ? line + "  \"" + text + "\"" : line;
}

}  // namespace

int runReg(const Invocation& call) {
    const std::vector<std::string>& words = call.args.positional();
    const mky43::Register* chosen = nullptr;
    std::optional<std::uint64_t> value;
    if (!words.empty()) {
        chosen = findByNameOrOffset(words[0]);
        if (!chosen)
            return call.usageError(words[0] + " names no register (see `ravel reg` for the list)");
    }
    if (words.size() > 1) {
        value = parseValue(words[1], chosen->bits);
        if (!value)
            return call.usageError(words[1] + " is not a " + std::to_string(chosen->bits) + "-bit value");
    }
    Board board(call.board);
    if (!openBoard(board, call))
        return kExitFailed;
    if (value) {
        std::int32_t code = chosen->bits == 64 ? RV_SetReg64(call.board, 0, static_cast<std::int32_t>(chosen->offset),
                                                             static_cast<std::int32_t>(*value & 0xFFFFFFFFu),
                                                             static_cast<std::int32_t>(*value >> 32))
                                               : RV_SetReg16(call.board, 0, static_cast<std::int32_t>(chosen->offset),
                                                             static_cast<std::int32_t>(*value));
        if (!succeeded(code, chosen->bits == 64 ? "RV_SetReg64" : "RV_SetReg16"))
            return kExitFailed;
    }
    std::string json;
    for (const mky43::Register& r : mky43::kRegisterMap) {
        if (chosen && &r != chosen)
            continue;
        std::uint64_t current = 0;
        if (!readRegister(board, r, current))
            return kExitFailed;
        if (call.json)
            json += (json.empty() ? "" : ",") + formatRegister(r, current, true);
        else if (!writeLine(stdout, formatRegister(r, current, false)))
            return kExitFailed;
    }
    if (call.json && !writeLine(stdout, chosen ? json : "[" + json + "]"))
        return kExitFailed;
    return kExitOk;
}

}  // namespace ravel
