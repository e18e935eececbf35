// One mail on its way from a sender to a member, and how long sends take.
#pragma once

#include "chip/Mky43.h"

#include <array>
#include <chrono>
#include <cstdint>

namespace ravsim {

class Chip;

inline constexpr unsigned kMailMaxUnits = mky43::kMailBufferBytes / mky43::kMailUnitBytes;
inline constexpr unsigned kMailWordsPerUnit = mky43::kMailUnitBytes / 2;

struct BusTiming {
    std::chrono::microseconds cycle{1000};         // time per bus cycle
    std::chrono::microseconds mailMinimum{15000};  // a send is never shorter
    std::chrono::microseconds mailPerUnit{250};    // and grows with its length
};

// The time a send of `units` 8-byte units keeps MSCR bit 14 set.
std::chrono::microseconds mailDuration(unsigned units, const BusTiming& timing);

struct MailTransfer {
    bool active = false;      // a send is under way
    bool due = false;         // its time is up: deliver at this cycle's end
    bool landed = false;      // delivered; only the sender's side is left
    std::uint16_t error = 0;  // MESR bits for the sender
    unsigned source = 0;
    unsigned destination = 0;
    unsigned units = 0;
    std::chrono::microseconds remaining{0};
    std::array<std::uint16_t, kMailMaxUnits * kMailWordsPerUnit> data{};

    void begin(unsigned from, unsigned to, unsigned length, const BusTiming& timing);
    // A cycle `elapsed` after the previous one; not called on the cycle the
    // send began, so a send lasts at least its duration from the write that
    // asked for it.
    void advance(std::chrono::microseconds elapsed);
    bool badLength() const { return units == 0 || units > kMailMaxUnits; }
};

// Lands `mail` in the chip's first armed, empty receive buffer; returns 0 or
// the MESR bit that says why it could not.
std::uint16_t landInChip(Chip& chip, const MailTransfer& mail);

}  // namespace ravsim
