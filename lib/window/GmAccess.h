// Global memory of one board line through its chip window: reads through the
// chip's second read hazard buffer under the GM Read Semaphore, writes
// through the first hazard buffers under the GM Write Semaphore, whole
// blocks at a time.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ravlib {

class SemCtrl;

class GmAccess {
public:
    // `window` null: every operation answers MKY43_ER_UNCONNECT. A null
    // semaphore is not taken.
    GmAccess(std::uint8_t* window, SemCtrl* readSem, SemCtrl* writeSem)
        : window_(window), readSem_(readSem), writeSem_(writeSem) {}

    // `count` elements of `width` bytes (2, 4 or 8) from element `elementIndex`;
    // a 64-bit element is stored as two int32, low first. Each block comes back
    // as it stood before or after any commit into it, never half of each.
    // MKY43_ER_INVALIDPARAM, reading nothing, when the elements reach past GM.
    int32_t read(void* data, std::uint16_t elementIndex, std::uint16_t count, int width);
    // `count` elements of `width` bytes from GM byte `byteOffset`: the first
    // block is always read back, whole blocks are written without a read, a
    // partly covered last block is read back. MKY43_ER_INVALIDPARAM, writing
    // nothing, when the elements reach past GM.
    int32_t write(const void* data, std::uint16_t byteOffset, std::uint16_t count, int width);

    // CCTR, without a semaphore.
    int32_t check(std::uint16_t* checkCode);
    // The block of `station` stored directly, two 32-bit stores.
    int32_t put(int station, const void* block8);
    // The block of the low 6 bits of `station`, two 32-bit loads.
    int32_t get(std::uint16_t station, void* block8);
    // Pointers into the window: a station's block (0..63), the start of GM,
    // and the block named by leading decimal digits (MKY43_ER_OTHER when the
    // text does not begin with one; MKY43_ER_INVALIDPARAM for a number past
    // 511, whose block would lie outside the window).
    int32_t alloc(int station, void** block);
    int32_t attach(void** gm);
    int32_t map(const char* stationText, void** block);

private:
    // 16-bit words of the caller's elements, in window order.
    struct Words {
        const void* data;
        int width;
        std::uint16_t at(std::size_t word) const;
    };
    void writeWords(const Words& words, std::size_t count, std::size_t byteOffset);
    void mergeBlock(const Words& words, std::size_t first, std::size_t count, std::size_t blockNo,
                    std::size_t position);
    void writeBuffer(const std::uint16_t (&block)[4], std::size_t blockNo);

    std::uint8_t* window_;
    SemCtrl* readSem_;
    SemCtrl* writeSem_;
};

}  // namespace ravlib
