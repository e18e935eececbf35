#include "tools/ravel/MailPort.h"

#include "chip/Mky43.h"
#include "lib/Ravlib.h"
#include "tools/ravel/ReturnCode.h"
#include "tools/ravel/StopFlag.h"

#include <cstring>

namespace ravel {

namespace {

// The mail status word's bit for a mail waiting to be taken.
constexpr std::uint16_t kStatusMailWaiting = 0x0100;
// How often a send's end is looked for: well under the shortest send.
constexpr std::chrono::microseconds kSendPoll{100};

std::string describeMailErrors(std::uint16_t mesr, int station) {
    std::string why;
    auto add = [&](std::string text) { why += (why.empty() ? "" : "; ") + text; };
    if (mesr & mky43::kMesrNoStation)
        add("no member has station " + std::to_string(station) + " as its first station");
    if (mesr & mky43::kMesrNoBuffer)
        add("station " + std::to_string(station) + " has no free receive buffer");
    if (mesr & mky43::kMesrNotRunning)
        add("this board is not on the bus");
    if (mesr & mky43::kMesrBadLength)
        add("bad length");
    return why;
}

}  // namespace

MailPort::~MailPort() {
    if (open_)
        succeeded(RV_MailClose(board_, 0), "RV_MailClose(board " + std::to_string(board_) + ")");
}

bool MailPort::open() {
    return succeeded(tryOpen(), "RV_MailOpen(board " + std::to_string(board_) + ")");
}

std::int32_t MailPort::tryOpen() {
    std::int32_t code = RV_MailOpen(board_, 0);
    open_ = code == MKY43_ER_OK;
    return code;
}

SendOutcome MailPort::send(int station, std::span<const std::uint8_t> bytes, std::chrono::milliseconds limit,
                           std::string& why) {
    std::int16_t words[mky43::kMailBufferBytes / 2] = {};
    std::memcpy(words, bytes.data(), bytes.size());
    if (!succeeded(RV_MailSend(board_, 0, station, words, static_cast<std::int32_t>(bytes.size())),
                   "RV_MailSend(board " + std::to_string(board_) + ")"))
        return SendOutcome::Failed;
    // The send runs while MSCR's request bit stays set; the chip's error
    // bits are final once it clears.
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        std::uint16_t mscr = 0;
        if (!succeeded(RV_GetReg16(board_, 0, static_cast<std::int32_t>(mky43::MSCR), &mscr), "RV_GetReg16(MSCR)"))
            return SendOutcome::Failed;
        if (!(mscr & mky43::kMscrSending))
            break;
        if (std::chrono::steady_clock::now() > end) {
            why = "the send did not end within " + std::to_string(limit.count()) + " ms";
            return SendOutcome::TimedOut;
        }
        if (!pause(kSendPoll))
            return SendOutcome::Stopped;
    }
    std::uint16_t mesr = 0;
    if (!succeeded(RV_GetReg16(board_, 0, static_cast<std::int32_t>(mky43::MESR), &mesr), "RV_GetReg16(MESR)"))
        return SendOutcome::Failed;
    why = describeMailErrors(mesr, station);
    return why.empty() ? SendOutcome::Delivered : SendOutcome::Refused;
}

bool MailPort::readReceiveControls(std::uint16_t (&controls)[2]) const {
    for (int n = 0; n < 2; ++n)
        if (RV_GetReg16(board_, 0, static_cast<std::int32_t>(mky43::kMailReceiveControls[n]), &controls[n]) !=
            MKY43_ER_OK)
            return false;
    return true;
}

std::optional<ArrivedMail> MailPort::take(bool& failed) {
    failed = false;
    std::int16_t status = 0;
    if (!succeeded(RV_MailStatus(board_, 0, &status), "RV_MailStatus(board " + std::to_string(board_) + ")")) {
        failed = true;
        return std::nullopt;
    }
    if (!(static_cast<std::uint16_t>(status) & kStatusMailWaiting))
        return std::nullopt;
    // The library hands over the words but not the length: the buffer it
    // took is the one whose received bit its re-arming cleared.
    std::uint16_t before[2] = {0, 0};
    std::uint16_t after[2] = {0, 0};
    std::int16_t words[mky43::kMailBufferBytes / 2] = {};
    std::int32_t source = 0;
    if (!readReceiveControls(before)) {
        failed = true;
        return std::nullopt;
    }
    std::int32_t code = RV_MailReceive(board_, 0, words, static_cast<std::int32_t>(mky43::kMailBufferBytes), &source);
    if (code == MKY43_ER_MAILNOTRECEIVE)
        return std::nullopt;
    if (!succeeded(code, "RV_MailReceive(board " + std::to_string(board_) + ")") || !readReceiveControls(after)) {
        failed = true;
        return std::nullopt;
    }
    int taken = -1;
    for (int n = 0; n < 2; ++n)
        if ((before[n] & mky43::kMrcrReceived) && !(after[n] & mky43::kMrcrReceived))
            taken = n;
    for (int n = 0; n < 2 && taken < 0; ++n)  // a new mail already landed in the re-armed buffer
        if ((before[n] & mky43::kMrcrReceived) && ((before[n] & mky43::kMrcrStationMask) >> 8) == source)
            taken = n;
    std::size_t units =
        taken < 0 ? mky43::kMailBufferBytes / mky43::kMailUnitBytes : before[taken] & mky43::kMrcrUnitsMask;
    ArrivedMail mail;
    mail.source = source;
    mail.data.resize(std::min<std::size_t>(units * mky43::kMailUnitBytes, mky43::kMailBufferBytes));
    std::memcpy(mail.data.data(), words, mail.data.size());
    return mail;
}

}  // namespace ravel
