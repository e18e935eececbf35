#include "sim/MailTransfer.h"

#include "sim/Chip.h"
#include "sim/ChipMap.h"
#include "sim/StationRange.h"

#include <algorithm>

namespace ravsim {

std::chrono::microseconds mailDuration(unsigned units, const BusTiming& timing)
{
    return timing.mailMinimum + timing.mailPerUnit * std::min(units, kMailMaxUnits);
}

void MailTransfer::begin(unsigned from, unsigned to, unsigned length, const BusTiming& timing)
{
    active = true;
    due = false;
    landed = false;
    error = 0;
    source = from;
    destination = to;
    units = length;
    remaining = mailDuration(units, timing);
}

void MailTransfer::advance(std::chrono::microseconds elapsed)
{
    if (!active || due)
        return;
    remaining -= elapsed;
    if (remaining <= std::chrono::microseconds::zero())
        due = true;
}

std::uint16_t landInChip(Chip& chip, const MailTransfer& mail)
{
    constexpr struct {
        std::size_t control;
        std::size_t buffer;
    } kBuffers[] = {{reg::MR0CR, kRecvBuf0Offset}, {reg::MR1CR, kRecvBuf1Offset}};
    for (const auto& rx : kBuffers) {
        std::uint16_t control = chip.load(rx.control);
        if (!(control & kMrArmed) || (control & kMrFull))
            continue;
        for (unsigned w = 0; w < mail.units * kMailWordsPerUnit; ++w)
            chip.store(rx.buffer + 2 * w, mail.data[w]);
        chip.store(rx.control, static_cast<std::uint16_t>(kMrFull | mail.units | (mail.source << 8)));
        return 0;
    }
    return kMesrNoBuffer;
}

}  // namespace ravsim
