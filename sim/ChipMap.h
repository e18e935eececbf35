// Layout of a simulated board: the MKY43 chip window (region A), the board
// control registers (region B) and the offsets of the chip's registers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ravsim {

// Region A as the board offers it; its file carries the board's shared state
// in the page after the window.
inline constexpr std::size_t kWindowSize = 0x1000;
inline constexpr std::size_t kStateOffset = 0x1000;
inline constexpr std::size_t kStateSize = 0x1000;
inline constexpr std::size_t kRegionAFileSize = kStateOffset + kStateSize;
inline constexpr std::size_t kRegionBSize = 0x1000;

// Region B.
inline constexpr std::size_t kBoardResetReg = 4;
inline constexpr std::uint16_t kBoardResetBit = 0x0002;
inline constexpr std::size_t kBoardSwitchReg = 6;

// Chip window areas.
inline constexpr std::size_t kGmOffset = 0x000;
inline constexpr std::size_t kGmSize = 0x200;
inline constexpr std::size_t kGmBlockSize = 8;
inline constexpr std::size_t kGmBlocks = 64;
inline constexpr std::size_t kSendBufOffset = 0x200;
inline constexpr std::size_t kRegsOffset = 0x300;
inline constexpr std::size_t kRegsEnd = 0x400;
inline constexpr std::size_t kRecvBuf0Offset = 0x400;
inline constexpr std::size_t kRecvBuf1Offset = 0x500;

// Chip registers (16-bit unless noted; 64-bit ones are four words, lowest first).
namespace reg {
inline constexpr std::size_t RFR = 0x300;  // 64
inline constexpr std::size_t LFR = 0x308;  // 64
inline constexpr std::size_t MFR = 0x310;  // 64
inline constexpr std::size_t DRFR = 0x318; // 64
inline constexpr std::size_t LGR = 0x320;  // 64
inline constexpr std::size_t MGR = 0x328;  // 64
inline constexpr std::size_t DRCR = 0x330; // 64
inline constexpr std::size_t RHCR0 = 0x338;
inline constexpr std::size_t RHCR1 = 0x33A;
inline constexpr std::size_t WHCR0 = 0x33C;
inline constexpr std::size_t WHCR1 = 0x33E;
inline constexpr std::size_t MSLR = 0x340;
inline constexpr std::size_t MSRR = 0x342;
inline constexpr std::size_t MESR = 0x344;
inline constexpr std::size_t MSCR = 0x346;
inline constexpr std::size_t MR0CR = 0x348;
inline constexpr std::size_t MR1CR = 0x34A;
inline constexpr std::size_t CCTR = 0x34C;
inline constexpr std::size_t UTCR = 0x34E;
inline constexpr std::size_t QCR = 0x350;
inline constexpr std::size_t NFSR = 0x352;
inline constexpr std::size_t FSR = 0x354;
inline constexpr std::size_t BCR = 0x356;
inline constexpr std::size_t INT0CR = 0x358;
inline constexpr std::size_t INT1CR = 0x35A;
inline constexpr std::size_t IT0CR = 0x35C;
inline constexpr std::size_t IT1CR = 0x35E;
inline constexpr std::size_t INT0SR = 0x360;
inline constexpr std::size_t INT1SR = 0x362;
inline constexpr std::size_t SSR = 0x364;
inline constexpr std::size_t SCR = 0x366;
inline constexpr std::size_t CCR = 0x368;   // 64, chip code text
inline constexpr std::size_t RHPB0 = 0x370; // 64
inline constexpr std::size_t RHPB1 = 0x378; // 64
inline constexpr std::size_t WHPB0 = 0x380; // 64
inline constexpr std::size_t WHPB1 = 0x388; // 64
}  // namespace reg

inline constexpr std::uint16_t kScrHalt = 0x8000;
inline constexpr std::uint16_t kScrStart = 0x0100;
inline constexpr std::uint16_t kScrRunning = 0x0200;
inline constexpr std::uint16_t kBcrSizeMask = 0x3F00;
inline constexpr std::uint16_t kBcrSize64 = 0x4000;  // where 64 << 8 lands
// SSR as the opening step of every connect leaves it: a halt that finds
// these bits set leaves the chip monitoring GM.
inline constexpr std::uint16_t kSsrMonitor = 0x0700;

// The station size BCR names: bits 8-13, or 64 when they are 0 and bit 14
// is set. Bit 14 can linger from an earlier size of 64, so a size in bits
// 8-13 wins over it.
constexpr unsigned bcrStationSize(std::uint16_t bcr)
{
    unsigned size = (bcr & kBcrSizeMask) >> 8;
    return size == 0 && (bcr & kBcrSize64) ? 64 : size;
}

}  // namespace ravsim
