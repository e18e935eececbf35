// Offsets in the MKY43 chip window (region A) and in the board control
// registers (region B): the one place that names them.
#pragma once

#include <cstdint>

namespace ravkern::chip {

// Memory areas of the chip window, [begin, end) in bytes.
inline constexpr uint32_t kGlobalMemory = 0x000;
inline constexpr uint32_t kGlobalMemoryEnd = 0x200;
inline constexpr uint32_t kMailSendBuffer = 0x200;
inline constexpr uint32_t kMailSendBufferEnd = 0x300;
inline constexpr uint32_t kRegisters = 0x300;
inline constexpr uint32_t kRegistersEnd = 0x400;
inline constexpr uint32_t kMailReceiveBuffer0 = 0x400;
inline constexpr uint32_t kMailReceiveBuffer1 = 0x500;
inline constexpr uint32_t kMailReceiveBuffersEnd = 0x600;

// The part of region A a client may map, and the least region A we accept.
inline constexpr uint32_t kWindowSize = 0x1000;

// 64-bit registers (four 16-bit words, lowest address first).
inline constexpr uint32_t RFR = 0x300;
inline constexpr uint32_t LFR = 0x308;
inline constexpr uint32_t MFR = 0x310;
inline constexpr uint32_t DRFR = 0x318;
inline constexpr uint32_t LGR = 0x320;
inline constexpr uint32_t MGR = 0x328;
inline constexpr uint32_t DRCR = 0x330;

// 16-bit registers.
inline constexpr uint32_t RHCR0 = 0x338;
inline constexpr uint32_t RHCR1 = 0x33A;
inline constexpr uint32_t WHCR0 = 0x33C;
inline constexpr uint32_t WHCR1 = 0x33E;
inline constexpr uint32_t MSLR = 0x340;
inline constexpr uint32_t MSRR = 0x342;
inline constexpr uint32_t MESR = 0x344;
inline constexpr uint32_t MSCR = 0x346;
inline constexpr uint32_t MR0CR = 0x348;
inline constexpr uint32_t MR1CR = 0x34A;
inline constexpr uint32_t CCTR = 0x34C;
inline constexpr uint32_t UTCR = 0x34E;
inline constexpr uint32_t QCR = 0x350;
inline constexpr uint32_t NFSR = 0x352;
inline constexpr uint32_t FSR = 0x354;
inline constexpr uint32_t BCR = 0x356;
inline constexpr uint32_t INT0CR = 0x358;
inline constexpr uint32_t INT1CR = 0x35A;
inline constexpr uint32_t IT0CR = 0x35C;
inline constexpr uint32_t IT1CR = 0x35E;
inline constexpr uint32_t INT0SR = 0x360;
inline constexpr uint32_t INT1SR = 0x362;
inline constexpr uint32_t SSR = 0x364;
inline constexpr uint32_t SCR = 0x366;

// 64-bit: chip code text (CCR) and the hazard buffers.
inline constexpr uint32_t CCR = 0x368;
inline constexpr uint32_t RHPB0 = 0x370;
inline constexpr uint32_t RHPB1 = 0x378;
inline constexpr uint32_t WHPB0 = 0x380;
inline constexpr uint32_t WHPB1 = 0x388;
inline constexpr uint32_t kWriteHazardBuffersEnd = 0x390;

// SCR values written and the bit read.
inline constexpr uint16_t kScrHalt = 0x8000;
inline constexpr uint16_t kScrStart = 0x0100;
inline constexpr uint16_t kScrRunning = 0x0200;

// BCR: bits 6-7 baud rate and bits 14-15 survive a composition; bit 15 is LF.
inline constexpr uint16_t kBcrKeptBits = 0xC0C0;
inline constexpr uint16_t kBcrLongFrame = 0x8000;

// MR0CR, MR1CR: a mail received (bit 7), the buffer armed for one (bit 6).
inline constexpr uint16_t kMrcrReceived = 0x0080;
inline constexpr uint16_t kMrcrArmed = 0x0040;

// SSR = 0x0700 and SCR = 0 in one 32-bit store at SSR.
inline constexpr uint32_t kSsrScrReset = 0x00000700;

}  // namespace ravkern::chip

namespace ravkern::board {

// Region B: board control registers, 16-bit.
inline constexpr uint32_t kResetRegister = 4;
inline constexpr uint16_t kResetBit = 0x0002;  // chip held in reset while set
inline constexpr uint32_t kSwitchRegister = 6;  // bits 8-15: the board switch
inline constexpr uint32_t kRegionSize = 8;      // the least region B we accept

}  // namespace ravkern::board
