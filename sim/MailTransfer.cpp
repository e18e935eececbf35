#include "sim/MailTransfer.h"

#include "chip/Mky43.h"
#include "sim/Chip.h"

#include <algorithm>

namespace ravsim {

std::chrono::microseconds mailDuration(unsigned units, const BusTiming& timing) {
    return timing.mailMinimum + timing.mailPerUnit * std::min(units, kMailMaxUnits);
}

void MailTransfer::begin(unsigned from, unsigned to, unsigned length, const BusTiming& timing) {
    active = true;
    due = false;
    landed = false;
    error = 0;
    source = from;
    destination = to;
    units = length;
    remaining = mailDuration(units, timing);
}

void MailTransfer::advance(std::chrono::microseconds elapsed) {
    if (!active || due)
        return;
    remaining -= elapsed;
    if (remaining <= std::chrono::microseconds::zero())
        due = true;
}

std::uint16_t landInChip(Chip& chip, const MailTransfer& mail) {
    constexpr struct {
        std::uint32_t control;
        std::uint32_t buffer;
    } kBuffers[] = {{mky43::MR0CR, mky43::kMailReceiveBuffer0}, {mky43::MR1CR, mky43::kMailReceiveBuffer1}};
    for (const auto& rx : kBuffers) {
        std::uint16_t control = chip.load(rx.control);
        if (!(control & mky43::kMrcrArmed) || (control & mky43::kMrcrReceived))
            continue;
        for (unsigned w = 0; w < mail.units * kMailWordsPerUnit; ++w)
            chip.store(rx.buffer + 2 * w, mail.data[w]);
        chip.store(rx.control, static_cast<std::uint16_t>(mky43::kMrcrReceived | mail.units | (mail.source << 8)));
        return 0;
    }
    return mky43::kMesrNoBuffer;
}

}  // namespace ravsim
