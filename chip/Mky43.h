// The MKY43's address space as the board presents it: the chip window
// (region A) with its memory areas and registers, and the board control
// registers (region B). The driver, the simulated chip and the library all
// name offsets and bits from here; nothing else spells one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace mky43 {

// Areas of the chip window, [begin, end) in bytes.
inline constexpr std::uint32_t kGm = 0x000;
inline constexpr std::uint32_t kGmEnd = 0x200;
inline constexpr std::uint32_t kMailSendBuffer = 0x200;
inline constexpr std::uint32_t kMailSendBufferEnd = 0x300;
inline constexpr std::uint32_t kRegisters = 0x300;
inline constexpr std::uint32_t kRegistersEnd = 0x400;
inline constexpr std::uint32_t kMailReceiveBuffer0 = 0x400;
inline constexpr std::uint32_t kMailReceiveBuffer1 = 0x500;
inline constexpr std::uint32_t kMailReceiveBuffersEnd = 0x600;
inline constexpr std::uint32_t kMailBufferBytes = 0x100;

// The part of region A a client maps: the whole address space of the chip.
inline constexpr std::uint32_t kWindowSize = 0x1000;

// GM: one 8-byte block of four 16-bit words per station address.
inline constexpr std::int32_t kStations = 64;
inline constexpr std::uint32_t kBlockBytes = 8;
inline constexpr std::uint32_t kBlockWords = 4;

constexpr bool validStation(std::int32_t station) {
    return station >= 0 && station < kStations;
}

// Registers, by the chip's names. The 64-bit ones are four 16-bit words,
// lowest address first.
inline constexpr std::uint32_t RFR = 0x300;
inline constexpr std::uint32_t LFR = 0x308;
inline constexpr std::uint32_t MFR = 0x310;
inline constexpr std::uint32_t DRFR = 0x318;
inline constexpr std::uint32_t LGR = 0x320;
inline constexpr std::uint32_t MGR = 0x328;
inline constexpr std::uint32_t DRCR = 0x330;
inline constexpr std::uint32_t RHCR0 = 0x338;
inline constexpr std::uint32_t RHCR1 = 0x33A;
inline constexpr std::uint32_t WHCR0 = 0x33C;
inline constexpr std::uint32_t WHCR1 = 0x33E;
inline constexpr std::uint32_t MSLR = 0x340;
inline constexpr std::uint32_t MSRR = 0x342;
inline constexpr std::uint32_t MESR = 0x344;
inline constexpr std::uint32_t MSCR = 0x346;
inline constexpr std::uint32_t MR0CR = 0x348;
inline constexpr std::uint32_t MR1CR = 0x34A;
inline constexpr std::uint32_t CCTR = 0x34C;
inline constexpr std::uint32_t UTCR = 0x34E;
inline constexpr std::uint32_t QCR = 0x350;
inline constexpr std::uint32_t NFSR = 0x352;
inline constexpr std::uint32_t FSR = 0x354;
inline constexpr std::uint32_t BCR = 0x356;
inline constexpr std::uint32_t INT0CR = 0x358;
inline constexpr std::uint32_t INT1CR = 0x35A;
inline constexpr std::uint32_t IT0CR = 0x35C;
inline constexpr std::uint32_t IT1CR = 0x35E;
inline constexpr std::uint32_t INT0SR = 0x360;
inline constexpr std::uint32_t INT1SR = 0x362;
inline constexpr std::uint32_t SSR = 0x364;
inline constexpr std::uint32_t SCR = 0x366;
inline constexpr std::uint32_t CCR = 0x368;
inline constexpr std::uint32_t RHPB0 = 0x370;
inline constexpr std::uint32_t RHPB1 = 0x378;
inline constexpr std::uint32_t WHPB0 = 0x380;
inline constexpr std::uint32_t WHPB1 = 0x388;
inline constexpr std::uint32_t kRegistersUsedEnd = 0x390;

struct Register {
    std::string_view name;
    std::uint32_t offset;
    unsigned bits;  // 16, or 64 for four words
};

// Every register, in address order.
inline constexpr Register kRegisterMap[] = {
    {"RFR", RFR, 64},     {"LFR", LFR, 64},     {"MFR", MFR, 64},       {"DRFR", DRFR, 64},     {"LGR", LGR, 64},
    {"MGR", MGR, 64},     {"DRCR", DRCR, 64},   {"RHCR0", RHCR0, 16},   {"RHCR1", RHCR1, 16},   {"WHCR0", WHCR0, 16},
    {"WHCR1", WHCR1, 16}, {"MSLR", MSLR, 16},   {"MSRR", MSRR, 16},     {"MESR", MESR, 16},     {"MSCR", MSCR, 16},
    {"MR0CR", MR0CR, 16}, {"MR1CR", MR1CR, 16}, {"CCTR", CCTR, 16},     {"UTCR", UTCR, 16},     {"QCR", QCR, 16},
    {"NFSR", NFSR, 16},   {"FSR", FSR, 16},     {"BCR", BCR, 16},       {"INT0CR", INT0CR, 16}, {"INT1CR", INT1CR, 16},
    {"IT0CR", IT0CR, 16}, {"IT1CR", IT1CR, 16}, {"INT0SR", INT0SR, 16}, {"INT1SR", INT1SR, 16}, {"SSR", SSR, 16},
    {"SCR", SCR, 16},     {"CCR", CCR, 64},     {"RHPB0", RHPB0, 64},   {"RHPB1", RHPB1, 64},   {"WHPB0", WHPB0, 64},
    {"WHPB1", WHPB1, 64},
};
inline constexpr std::size_t kRegisterCount = sizeof kRegisterMap / sizeof kRegisterMap[0];

// The register of that name, or null.
constexpr const Register* findRegister(std::string_view name) {
    for (const Register& r : kRegisterMap)
        if (r.name == name)
            return &r;
    return nullptr;
}

// SCR: halt and start are written, the running bit is the chip's.
inline constexpr std::uint16_t kScrHalt = 0x8000;
inline constexpr std::uint16_t kScrStart = 0x0100;
inline constexpr std::uint16_t kScrRunning = 0x0200;

// SSR as the opening step of every connect writes it.
inline constexpr std::uint16_t kSsrConnectReset = 0x0700;
// SSR before each mail send and at every arm and disarm of a receive buffer.
inline constexpr std::uint16_t kSsrMail = 0x0030;

// BCR: station address in bits 0-5, size in bits 8-13 (64 lands on bit 14),
// rate in bits 6-7, long frame in bit 15.
inline constexpr std::uint16_t kBcrAddressMask = 0x003F;
inline constexpr std::uint16_t kBcrRateMask = 0x00C0;
inline constexpr std::uint16_t kBcrSizeMask = 0x3F00;
inline constexpr std::uint16_t kBcrSize64 = 0x4000;
inline constexpr std::uint16_t kBcrLongFrame = 0x8000;
// What a composition keeps of the old value: the rate and bits 14-15.
inline constexpr std::uint16_t kBcrKeptBits = 0xC0C0;

// The station size BCR names: bits 8-13, or 64 when they are 0 and bit 14
// is set. Bit 14 can linger from an earlier size of 64, so a size in bits
// 8-13 wins over it.
constexpr unsigned bcrStationSize(std::uint16_t bcr) {
    unsigned size = (bcr & kBcrSizeMask) >> 8;
    return size == 0 && (bcr & kBcrSize64) ? 64 : size;
}

// MSCR: units of 8 bytes in bits 0-5, destination in bits 8-13, and the
// send request, set while the send runs.
inline constexpr std::uint16_t kMscrUnitsMask = 0x003F;
inline constexpr std::uint16_t kMscrStationMask = 0x3F00;
inline constexpr std::uint16_t kMscrSending = 0x4000;
inline constexpr std::uint32_t kMailUnitBytes = 8;
inline constexpr std::uint16_t kMslrSendLimit = 0x1FFF;

// MR0CR, MR1CR: received units in bits 0-5, armed (bit 6), a mail received
// (bit 7), source station in bits 8-13.
inline constexpr std::uint16_t kMrcrUnitsMask = 0x003F;
inline constexpr std::uint16_t kMrcrArmed = 0x0040;
inline constexpr std::uint16_t kMrcrReceived = 0x0080;
inline constexpr std::uint16_t kMrcrStationMask = 0x3F00;

// The mail receive buffers and their control registers, by buffer number.
inline constexpr std::uint32_t kMailReceiveBuffers[] = {kMailReceiveBuffer0, kMailReceiveBuffer1};
inline constexpr std::uint32_t kMailReceiveControls[] = {MR0CR, MR1CR};

// MESR error bits.
inline constexpr std::uint16_t kMesrNoStation = 0x0001;
inline constexpr std::uint16_t kMesrNoBuffer = 0x0002;
inline constexpr std::uint16_t kMesrNotRunning = 0x0004;
inline constexpr std::uint16_t kMesrBadLength = 0x0020;

// Region B: the board control registers, 16-bit.
inline constexpr std::uint32_t kBoardResetRegister = 4;
inline constexpr std::uint16_t kBoardResetBit = 0x0002;   // chip held in reset while set
inline constexpr std::uint32_t kBoardSwitchRegister = 6;  // bits 8-15: the board switch
inline constexpr std::uint32_t kBoardControlSize = 8;     // the least region B the driver accepts

}  // namespace mky43
