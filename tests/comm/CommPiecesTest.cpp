// The driver-free pieces of starting communication: clamping, the request
// text, and the rate bits put into BCR.
#include <gtest/gtest.h>

#include <cstring>

#include "chip/Mky43.h"
#include "lib/window/CommControl.h"
#include "sim/RegisterAccess.h"
#include "tests/support/ChipTrace.h"

namespace commtest {
namespace {

using namespace ravlib;
using gmtest::R;
using gmtest::W;

struct Clamp {
    int32_t address, size, wantAddress, wantSize;
};

class Clamping : public ::testing::TestWithParam<Clamp> {};

TEST_P(Clamping, GivesARangeInsideTheBus) {
    const Clamp& c = GetParam();
    const StationRange r = clampStation(c.address, c.size);
    EXPECT_EQ(r.address, c.wantAddress);
    EXPECT_EQ(r.size, c.wantSize);
    EXPECT_GE(r.size, 1);
    EXPECT_LE(r.address + r.size, 64);
}

INSTANTIATE_TEST_SUITE_P(Cases, Clamping,
                         ::testing::Values(Clamp{70, 5, 63, 1}, Clamp{60, 10, 60, 4}, Clamp{2, 0, 2, 1},
                                           Clamp{2, -3, 2, 1}, Clamp{-1, 1, 63, 1}, Clamp{0, 64, 0, 64},
                                           Clamp{0, 65, 0, 64}, Clamp{63, 1, 63, 1}, Clamp{1, 2, 1, 2},
                                           Clamp{INT32_MIN, INT32_MAX, 63, 1}, Clamp{5, INT32_MAX, 5, 59},
                                           Clamp{64, INT32_MIN, 63, 1}));

TEST(ConnectRequest, AddressAsDecimalTextAndTheSize) {
    const ravkern::ConnectRequest r = connectRequest(63, 1);
    EXPECT_STREQ(r.saText, "63");
    EXPECT_EQ(r.slen, 1);
    const ravkern::ConnectRequest zero = connectRequest(0, 0);
    EXPECT_STREQ(zero.saText, "0");
    const char rest[5] = {};
    EXPECT_EQ(std::memcmp(zero.saText + 2, rest, 5), 0) << "bytes after the text are zero";
}

TEST(RateBits, ThreeCodesAndEveryOtherAsTwelve) {
    struct Case {
        int32_t code;
        uint16_t bits;
    } cases[] = {{3, 0x40}, {6, 0x80}, {12, 0xC0}, {7, 0xC0}, {0, 0xC0}, {-2, 0xC0}, {INT32_MAX, 0xC0}};
    for (const Case& c : cases)
        EXPECT_EQ(rateBits(c.code), c.bits) << c.code;
}

using RateWrite = gmtest::SimWindow;

TEST_F(RateWrite, ChangesOnlyBits7And6OfBcrWithOneReadAndOneWrite) {
    ravsim::write16(window_, mky43::BCR, 0x3F7F);
    gmtest::ChipTrace trace(window_);
    writeRateBits(window_, 6);
    EXPECT_EQ(trace.take(), (std::vector<gmtest::Access>{R(mky43::BCR, 0x3F7F), W(mky43::BCR, 0x3FBF)}));
    writeRateBits(window_, 3);
    EXPECT_EQ(ravsim::read16(window_, mky43::BCR), 0x3F7F);
    writeRateBits(window_, 7);
    EXPECT_EQ(ravsim::read16(window_, mky43::BCR), 0x3FFF);
}

}  // namespace
}  // namespace commtest
