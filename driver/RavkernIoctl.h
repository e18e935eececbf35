// The device controls of Ravkern and their records: the protocol between the
// board library and the driver. Included by both sides.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ravkern {

inline constexpr uint32_t kDeviceType = 0x9902;
inline constexpr uint32_t kMethodBuffered = 0;
inline constexpr uint32_t kFileAnyAccess = 0;

constexpr uint32_t ctlCode(uint32_t deviceType, uint32_t function, uint32_t method, uint32_t access) {
    return (deviceType << 16) | (access << 14) | (function << 2) | method;
}

constexpr uint32_t boardControl(uint32_t function) {
    return ctlCode(kDeviceType, function, kMethodBuffered, kFileAnyAccess);
}

inline constexpr uint32_t IOCTL_BOARD_HARD_RESET = boardControl(0x800);
inline constexpr uint32_t IOCTL_BOARD_CONNECT = boardControl(0x801);
inline constexpr uint32_t IOCTL_BOARD_DISCONNECT = boardControl(0x802);
inline constexpr uint32_t IOCTL_BOARD_MAP_MEMORY = boardControl(0x803);
inline constexpr uint32_t IOCTL_BOARD_RESERVED_804 = boardControl(0x804);
inline constexpr uint32_t IOCTL_BOARD_GET_CONNECT_STATE = boardControl(0x805);
inline constexpr uint32_t IOCTL_BOARD_GET_DIPSW = boardControl(0x806);
inline constexpr uint32_t IOCTL_BOARD_RESERVED_807 = boardControl(0x807);
inline constexpr uint32_t IOCTL_BOARD_RESERVED_808 = boardControl(0x808);
inline constexpr uint32_t IOCTL_BOARD_CONNECT_LF = boardControl(0x809);
inline constexpr uint32_t IOCTL_BOARD_CONNECT_GMM = boardControl(0x80A);

static_assert(IOCTL_BOARD_HARD_RESET == 0x99022000);
static_assert(IOCTL_BOARD_CONNECT_GMM == 0x99022028);

// Input of the three connect controls.
struct ConnectRequest {
    char saText[8];  // station address as decimal text; the first character a digit
    int32_t slen;    // station size
};

// Output of IOCTL_BOARD_GET_CONNECT_STATE.
struct ConnectState {
    int32_t status;  // state of the connect sequence
    int32_t sa;      // station address as last converted, zero-extended
    int32_t slen;    // station size as last received
};

// Output of IOCTL_BOARD_GET_DIPSW.
struct DipSwitchInfo {
    char tag[8];          // "DIPSW" and three NULs
    int32_t value;        // the board switch, 0..255
    int32_t reserved[2];  // always 0
};

// Input and output of IOCTL_BOARD_MAP_MEMORY.
struct MapRequest {
    int32_t command;       // kMapCommandMap, or kMapCommandUnmap
    uint32_t length;       // bytes of the chip window to map, from its start
    uint64_t userAddress;  // out: the view's address; for an unmap, in: the view to remove
};

inline constexpr int32_t kMapCommandMap = 0;
inline constexpr int32_t kMapCommandUnmap = -1;

static_assert(sizeof(ConnectRequest) == 12 && offsetof(ConnectRequest, slen) == 8);
static_assert(sizeof(ConnectState) == 12 && offsetof(ConnectState, slen) == 8);
static_assert(sizeof(DipSwitchInfo) == 20 && offsetof(DipSwitchInfo, value) == 8);
static_assert(sizeof(MapRequest) == 16 && offsetof(MapRequest, userAddress) == 8);

}  // namespace ravkern
