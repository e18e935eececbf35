// The parts of the chip window the library reaches: GM at its start, the
// GM hazard registers, the check counter, the bus configuration register
// and the mail buffers and registers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ravlib::chip {

inline constexpr std::size_t WINDOW_BYTES = 0x1000;
inline constexpr int32_t STATIONS = 64;  // one GM block per station address

inline constexpr bool validStation(int32_t stationAdr) {
    return stationAdr >= 0 && stationAdr < STATIONS;
}
inline constexpr std::size_t GM_BYTES = 0x200;
inline constexpr std::size_t BLOCK_BYTES = 8;
inline constexpr std::size_t BLOCK_WORDS = 4;

inline constexpr std::size_t RHCR0 = 0x338;  // GM read address: loads RHPB0
inline constexpr std::size_t RHCR1 = 0x33A;  // second GM read address: loads RHPB1
inline constexpr std::size_t WHCR0 = 0x33C;  // GM write address: takes WHPB0
inline constexpr std::size_t CCTR = 0x34C;   // check code
inline constexpr std::size_t BCR = 0x356;    // station address, size and rate bits
inline constexpr std::size_t RHPB0 = 0x370;  // GM read buffer, four words
inline constexpr std::size_t RHPB1 = 0x378;  // second GM read buffer
inline constexpr std::size_t WHPB0 = 0x380;  // GM write buffer, four words

inline constexpr std::uint16_t BCR_RATE_MASK = 0x00C0;

inline constexpr std::size_t MAIL_BYTES = 0x100;
inline constexpr std::size_t SEND_BUFFER = 0x200;
inline constexpr std::size_t RECEIVE_BUFFER[2] = {0x400, 0x500};
inline constexpr std::size_t MSLR = 0x340;  // send limit, set before each send
inline constexpr std::size_t MESR = 0x344;  // mail error bits of the last send
inline constexpr std::size_t MSCR = 0x346;  // send control: units, destination, request
inline constexpr std::size_t MRCR[2] = {0x348, 0x34A};  // receive buffer control
inline constexpr std::size_t SSR = 0x364;

inline constexpr std::uint16_t MSCR_SENDING = 0x4000;
inline constexpr std::uint16_t MRCR_ARMED = 0x0040;
inline constexpr std::uint16_t MRCR_RECEIVED = 0x0080;
inline constexpr std::uint16_t MAIL_UNIT_BYTES = 8;

}  // namespace ravlib::chip
