// The access sequences of GM reads and writes against a simulated chip
// window: which blocks are read back, in what order every word goes, what
// stays untouched, and the refusals.
#include <gtest/gtest.h>

#include <cstring>

#include "chip/Mky43.h"
#include "lib/Ravlib.h"
#include "lib/window/GmAccess.h"
#include "tests/support/ChipTrace.h"

namespace gmtest {
namespace {

using namespace ravlib;
using namespace mky43;

class GmSequence : public SimWindow {
protected:
    void SetUp() override {
        SimWindow::SetUp();
        fillGm();
    }
    std::uint16_t gm(std::size_t wordNo) const { return word(2 * wordNo); }
    static std::uint16_t pattern(std::size_t wordNo) { return static_cast<std::uint16_t>(0xA000 + wordNo); }

    // The accesses of a read-modify-write of block `b` whose words become `after`.
    static std::vector<Access> merged(std::uint16_t b, const std::uint16_t (&after)[4]) {
        std::vector<Access> a = {W(RHCR0, b)};
        for (int w = 0; w < 4; ++w)
            a.push_back(R(RHPB0 + 2 * w, pattern(4 * b + w)));
        for (int w = 0; w < 4; ++w)
            a.push_back(W(WHPB0 + 2 * w, after[w]));
        a.push_back(W(WHCR0, b));
        return a;
    }
    static std::vector<Access> whole(std::uint16_t b, const std::uint16_t (&words)[4]) {
        std::vector<Access> a;
        for (int w = 0; w < 4; ++w)
            a.push_back(W(WHPB0 + 2 * w, words[w]));
        a.push_back(W(WHCR0, b));
        return a;
    }
    void expectGmUnchangedExcept(std::size_t fromWord, std::size_t toWord) {
        for (std::size_t w = 0; w < 256; ++w) {
            if (w < fromWord || w >= toWord) {
                ASSERT_EQ(gm(w), pattern(w)) << "GM word " << w << " changed";
            }
        }
    }
};

template <class... V>
std::vector<Access> concat(const V&... parts) {
    std::vector<Access> all;
    (all.insert(all.end(), parts.begin(), parts.end()), ...);
    return all;
}

TEST_F(GmSequence, ShortsInsideOneBlockAreOneReadModifyWrite) {
    GmAccess gmAccess(window_, nullptr, nullptr);
    ChipTrace trace(window_);
    const int16_t data[] = {0x1111, 0x2222};
    ASSERT_EQ(gmAccess.write(data, 3 * 8 + 1 * 2, 2, 2), MKY43_ER_OK);
    EXPECT_EQ(trace.take(), merged(3, {pattern(12), 0x1111, 0x2222, pattern(15)}));
    EXPECT_EQ(gm(12), pattern(12));
    EXPECT_EQ(gm(13), 0x1111);
    EXPECT_EQ(gm(14), 0x2222);
    EXPECT_EQ(gm(15), pattern(15));
    expectGmUnchangedExcept(13, 15);
}

TEST_F(GmSequence, ShortsOverThreeBlocksReadOnlyTheFirstAndThePartialLast) {
    GmAccess gmAccess(window_, nullptr, nullptr);
    ChipTrace trace(window_);
    const int16_t data[] = {1, 2, 3, 4, 5, 6};
    ASSERT_EQ(gmAccess.write(data, 0 * 8 + 3 * 2, 6, 2), MKY43_ER_OK);
    EXPECT_EQ(trace.take(), concat(merged(0, {pattern(0), pattern(1), pattern(2), 1}), whole(1, {2, 3, 4, 5}),
                                   merged(2, {6, pattern(9), pattern(10), pattern(11)})));
    expectGmUnchangedExcept(3, 9);
    EXPECT_EQ(gm(3), 1);
    EXPECT_EQ(gm(8), 6);
}

TEST_F(GmSequence, LongsFirstBlockIsReadBackEvenWhenCoveredWhole) {
    GmAccess gmAccess(window_, nullptr, nullptr);
    ChipTrace trace(window_);
    const int32_t data[] = {0x22221111, 0x44443333, 0x66665555, static_cast<int32_t>(0x88887777)};
    ASSERT_EQ(gmAccess.write(data, 5 * 8, 4, 4), MKY43_ER_OK);
    EXPECT_EQ(trace.take(),
              concat(merged(5, {0x1111, 0x2222, 0x3333, 0x4444}), whole(6, {0x5555, 0x6666, 0x7777, 0x8888})));
    expectGmUnchangedExcept(20, 28);
}

TEST_F(GmSequence, DLongIsReadBackAndWrittenWhole) {
    GmAccess gmAccess(window_, nullptr, nullptr);
    ChipTrace trace(window_);
    const int32_t data[] = {0x22221111, 0x44443333};
    ASSERT_EQ(gmAccess.write(data, 10 * 8, 1, 8), MKY43_ER_OK);
    EXPECT_EQ(trace.take(), merged(10, {0x1111, 0x2222, 0x3333, 0x4444}));
    expectGmUnchangedExcept(40, 44);
}

TEST_F(GmSequence, ZeroElementsRewriteTheFirstBlockUnchanged) {
    GmAccess gmAccess(window_, nullptr, nullptr);
    ChipTrace trace(window_);
    ASSERT_EQ(gmAccess.write(nullptr, 0, 0, 2), MKY43_ER_OK);
    EXPECT_EQ(trace.take(), merged(0, {pattern(0), pattern(1), pattern(2), pattern(3)}));
    expectGmUnchangedExcept(0, 0);
}

TEST_F(GmSequence, ReadLongAssemblesTwoWordsLowFirst) {
    GmAccess gmAccess(window_, nullptr, nullptr);
    int32_t value = 0;
    ASSERT_EQ(gmAccess.read(&value, 1 * 2 + 1, 1, 4), MKY43_ER_OK);
    EXPECT_EQ(static_cast<uint32_t>(value), pattern(6) + 65536u * pattern(7));
}

TEST_F(GmSequence, ReadDLongGivesLowThenHighInt32) {
    GmAccess gmAccess(window_, nullptr, nullptr);
    int32_t value[4] = {};
    ASSERT_EQ(gmAccess.read(value, 62, 2, 8), MKY43_ER_OK);
    EXPECT_EQ(static_cast<uint32_t>(value[0]), pattern(248) + 65536u * pattern(249));
    EXPECT_EQ(static_cast<uint32_t>(value[1]), pattern(250) + 65536u * pattern(251));
    EXPECT_EQ(static_cast<uint32_t>(value[3]), pattern(254) + 65536u * pattern(255));
}

struct ReadRange {
    uint16_t index;
    uint16_t count;
    int width;
    int32_t result;
};

class GmReadRange : public GmSequence, public ::testing::WithParamInterface<ReadRange> {};

TEST_P(GmReadRange, ReadsInsideGmOnly) {
    const ReadRange& c = GetParam();
    GmAccess gmAccess(window_, nullptr, nullptr);
    std::vector<uint8_t> out(static_cast<size_t>(c.count) * c.width + 8, 0xEE);
    ChipTrace trace(window_);
    EXPECT_EQ(gmAccess.read(out.data(), c.index, c.count, c.width), c.result);
    const std::vector<Access> seen = trace.take();
    if (c.result != MKY43_ER_OK) {
        EXPECT_TRUE(seen.empty());
        for (uint8_t b : out)
            ASSERT_EQ(b, 0xEE);
    } else {
        EXPECT_EQ(out[static_cast<size_t>(c.count) * c.width], 0xEE) << "wrote past the elements";
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, GmReadRange,
                         ::testing::Values(ReadRange{0, 256, 2, 0}, ReadRange{255, 1, 2, 0}, ReadRange{255, 2, 2, 3},
                                           ReadRange{256, 0, 2, 0}, ReadRange{257, 0, 2, 3}, ReadRange{127, 1, 4, 0},
                                           ReadRange{127, 2, 4, 3}, ReadRange{63, 1, 8, 0}, ReadRange{64, 1, 8, 3},
                                           ReadRange{0xFFFF, 0xFFFF, 8, 3}, ReadRange{0, 0xFFFF, 2, 3},
                                           ReadRange{0, 0, 8, 0}));

TEST_F(GmSequence, GetTakesTheLowSixBitsOfASignedStation) {
    GmAccess gmAccess(window_, nullptr, nullptr);
    struct Case {
        uint16_t station;
        std::size_t block;
    } cases[] = {{65, 1}, {0xFFFF, 63}, {0, 0}, {63, 63}, {64, 0}, {0x8000, 0}};
    for (const Case& c : cases) {
        uint16_t out[4] = {};
        ASSERT_EQ(gmAccess.get(c.station, out), MKY43_ER_OK);
        for (int w = 0; w < 4; ++w)
            EXPECT_EQ(out[w], pattern(4 * c.block + w)) << "station " << c.station;
    }
}

TEST_F(GmSequence, PutStoresDirectlyWithoutTheHazardRegisters) {
    GmAccess gmAccess(window_, nullptr, nullptr);
    ChipTrace trace(window_);
    const int32_t block[2] = {0x22221111, 0x44443333};
    ASSERT_EQ(gmAccess.put(7, block), MKY43_ER_OK);
    EXPECT_TRUE(trace.take().empty());
    EXPECT_EQ(gm(28), 0x1111);
    EXPECT_EQ(gm(31), 0x4444);
    expectGmUnchangedExcept(28, 32);
}

TEST_F(GmSequence, MapTakesLeadingDigits) {
    GmAccess gmAccess(window_, nullptr, nullptr);
    struct Case {
        const char* text;
        int32_t result;
        std::ptrdiff_t offset;
    } cases[] = {{"12", 0, 96},   {"x1", -1, 0},    {"", -1, 0},   {"7abc", 0, 56},
                 {"063", 0, 504}, {"511", 0, 4088}, {"512", 3, 0}, {"99999999999999999999", 3, 0},
                 {" 1", -1, 0},   {"-1", -1, 0}};
    for (const Case& c : cases) {
        void* block = nullptr;
        EXPECT_EQ(gmAccess.map(c.text, &block), c.result) << c.text;
        if (c.result == 0)
            EXPECT_EQ(static_cast<uint8_t*>(block) - window_, c.offset) << c.text;
        else
            EXPECT_EQ(block, nullptr) << c.text;
    }
}

TEST_F(GmSequence, AllocAttachAndCheck) {
    GmAccess gmAccess(window_, nullptr, nullptr);
    void* p = nullptr;
    ASSERT_EQ(gmAccess.alloc(63, &p), MKY43_ER_OK);
    EXPECT_EQ(static_cast<uint8_t*>(p), window_ + 504);
    ASSERT_EQ(gmAccess.attach(&p), MKY43_ER_OK);
    EXPECT_EQ(p, window_);
    uint16_t code = 0;
    const_cast<volatile uint8_t*>(window_)[CCTR] = 0x34;
    const_cast<volatile uint8_t*>(window_)[CCTR + 1] = 0x12;
    ASSERT_EQ(gmAccess.check(&code), MKY43_ER_OK);
    EXPECT_EQ(code, 0x1234);
}

TEST(GmNoWindow, EveryOperationAnswers16AndTouchesNothing) {
    GmAccess gmAccess(nullptr, nullptr, nullptr);
    uint8_t buffer[16] = {};
    void* p = buffer;
    uint16_t code = 7;
    EXPECT_EQ(gmAccess.read(buffer, 0, 1, 2), MKY43_ER_UNCONNECT);
    EXPECT_EQ(gmAccess.read(buffer, 600, 1, 2), MKY43_ER_UNCONNECT);
    EXPECT_EQ(gmAccess.write(buffer, 0, 1, 2), MKY43_ER_UNCONNECT);
    EXPECT_EQ(gmAccess.check(&code), MKY43_ER_UNCONNECT);
    EXPECT_EQ(gmAccess.put(0, buffer), MKY43_ER_UNCONNECT);
    EXPECT_EQ(gmAccess.get(0, buffer), MKY43_ER_UNCONNECT);
    EXPECT_EQ(gmAccess.alloc(0, &p), MKY43_ER_UNCONNECT);
    EXPECT_EQ(gmAccess.attach(&p), MKY43_ER_UNCONNECT);
    EXPECT_EQ(gmAccess.map("x", &p), MKY43_ER_UNCONNECT);
    EXPECT_EQ(p, buffer);
    EXPECT_EQ(code, 7);
}

}  // namespace
}  // namespace gmtest
