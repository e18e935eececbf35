// What travels on a device socket between the library's device handle and
// the device host. One frame is one SOCK_SEQPACKET message, little-endian.
//
//   client -> host   Control      {code, input length, output length} + input bytes
//   host -> client   Completion   {status, information, output length} + output bytes
//
// A map control makes the view in the client before it completes:
//   host -> client   MapView      {length} + region A descriptor (SCM_RIGHTS)
//   client -> host   ViewMapped   {error, address}   (0 = mapped at address)
// and an unmap control removes it the same way:
//   host -> client   UnmapView    {length, address}
//   client -> host   ViewUnmapped {error, address}
// The client answers these only while one of its controls is outstanding, so
// a connection carries one control at a time.
#pragma once

#include <cstdint>

namespace ravsim::wire {

// Longest input or output a control may carry; longer ones are refused on
// both sides, so neither can be made to allocate without bound.
inline constexpr std::uint32_t kMaxBuffer = 64 * 1024;

enum FrameKind : std::uint32_t {
    kControl = 0x4C544E43,       // "CNTL"
    kCompletion = 0x504D4F43,    // "COMP"
    kMapView = 0x5650414D,       // "MAPV"
    kViewMapped = 0x4450414D,    // "MAPD"
    kUnmapView = 0x56504D55,     // "UMPV"
    kViewUnmapped = 0x44504D55,  // "UMPD"
};

struct ControlFrame {
    std::uint32_t kind;  // kControl
    std::uint32_t code;
    std::uint32_t inputLength;   // input bytes that follow, at most kMaxBuffer
    std::uint32_t outputLength;  // the caller's output buffer, at most kMaxBuffer
};

struct CompletionFrame {
    std::uint32_t kind;          // kCompletion
    std::uint32_t status;        // the driver's completion status
    std::uint32_t information;   // the byte count it completed with
    std::uint32_t outputLength;  // output bytes that follow: min(information, requested output)
};

struct MapViewFrame {
    std::uint32_t kind;    // kMapView
    std::uint32_t length;  // bytes of region A the view must cover
};

struct ViewMappedFrame {
    std::uint32_t kind;     // kViewMapped
    std::int32_t error;     // 0, or the errno of the failed mapping
    std::uint64_t address;  // the view in the client
};

struct UnmapViewFrame {
    std::uint32_t kind;  // kUnmapView
    std::uint32_t length;
    std::uint64_t address;
};

struct ViewUnmappedFrame {
    std::uint32_t kind;  // kViewUnmapped
    std::int32_t error;  // 0, or EINVAL when the address is no view of this connection
    std::uint64_t address;
};

static_assert(sizeof(ControlFrame) == 16 && sizeof(CompletionFrame) == 16);
static_assert(sizeof(MapViewFrame) == 8 && sizeof(ViewMappedFrame) == 16);
static_assert(sizeof(UnmapViewFrame) == 16 && sizeof(ViewUnmappedFrame) == 16);

// Device N is the socket "Ravkern<N>" in the runtime directory.
inline constexpr const char* kDeviceSocketPrefix = "Ravkern";

}  // namespace ravsim::wire
