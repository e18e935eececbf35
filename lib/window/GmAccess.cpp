#include "lib/window/GmAccess.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "chip/Mky43.h"
#include "lib/Ravlib.h"
#include "lib/os/ChipAccess.h"
#include "lib/sync/SemHold.h"

namespace ravlib {

namespace {

void storeElement(void* data, std::size_t index, int width, std::uint64_t value) {
    auto* out = static_cast<std::uint8_t*>(data) + index * width;
    if (width == 2) {
        const auto v = static_cast<std::uint16_t>(value);
        std::memcpy(out, &v, sizeof v);
    } else if (width == 4) {
        const auto v = static_cast<std::uint32_t>(value);
        std::memcpy(out, &v, sizeof v);
    } else {
        const std::uint32_t halves[2] = {static_cast<std::uint32_t>(value), static_cast<std::uint32_t>(value >> 32)};
        std::memcpy(out, halves, sizeof halves);
    }
}

}  // namespace

std::uint16_t GmAccess::Words::at(std::size_t word) const {
    const int perElement = width / 2;
    const auto* element = static_cast<const std::uint8_t*>(data) + (word / perElement) * width;
    const int part = static_cast<int>(word % perElement);
    if (width == 2) {
        std::uint16_t v;
        std::memcpy(&v, element, sizeof v);
        return v;
    }
    std::uint32_t v;
    std::memcpy(&v, element + (part / 2) * 4, sizeof v);
    return static_cast<std::uint16_t>(v >> (16 * (part % 2)));
}

// Each block is taken through the second read hazard buffer, which the chip
// fills in one step: a block read word by word from GM could be half before
// and half after a commit. The writers use the first buffer, and the GM Read
// Semaphore keeps other readers off this one.
int32_t GmAccess::read(void* data, std::uint16_t elementIndex, std::uint16_t count, int width) {
    if (!window_)
        return MKY43_ER_UNCONNECT;
    const std::size_t begin = static_cast<std::size_t>(elementIndex) * width;
    const std::size_t end = begin + static_cast<std::size_t>(count) * width;
    if (end > mky43::kGmEnd)
        return MKY43_ER_INVALIDPARAM;
    SemHold hold(readSem_);
    std::size_t element = 0;
    for (std::size_t at = begin; at < end;) {
        const std::size_t blockNo = at / mky43::kBlockBytes;
        const std::size_t blockEnd = std::min(end, (blockNo + 1) * mky43::kBlockBytes);
        os::write16(window_, mky43::RHCR1, static_cast<std::uint16_t>(blockNo));
        for (; at < blockEnd; at += width, ++element) {
            std::uint64_t value = 0;
            for (int w = 0; w < width / 2; ++w)
                value |= static_cast<std::uint64_t>(os::read16(window_, mky43::RHPB1 + at % mky43::kBlockBytes + 2 * w))
                         << (16 * w);
            storeElement(data, element, width, value);
        }
    }
    return MKY43_ER_OK;
}

// 32- and 64-bit elements are written as their 16-bit words, lowest first:
// the blocks, reads and writes are the same as for the wider elements.
int32_t GmAccess::write(const void* data, std::uint16_t byteOffset, std::uint16_t count, int width) {
    if (!window_)
        return MKY43_ER_UNCONNECT;
    if (byteOffset + static_cast<std::size_t>(count) * width > mky43::kGmEnd)
        return MKY43_ER_INVALIDPARAM;
    SemHold hold(writeSem_);
    writeWords(Words{data, width}, static_cast<std::size_t>(count) * (width / 2), byteOffset);
    return MKY43_ER_OK;
}

void GmAccess::writeWords(const Words& words, std::size_t count, std::size_t offset) {
    const std::size_t position = (offset % mky43::kBlockBytes) / 2;
    const std::size_t fit = mky43::kBlockWords - position;
    mergeBlock(words, 0, std::min(count, fit), offset / mky43::kBlockBytes, position);
    if (count <= fit)
        return;
    offset += 2 * fit;
    std::size_t next = fit;
    const std::size_t tail = (count - fit) % mky43::kBlockWords;
    for (; next + mky43::kBlockWords <= count; next += mky43::kBlockWords, offset += mky43::kBlockBytes) {
        const std::uint16_t block[4] = {words.at(next), words.at(next + 1), words.at(next + 2), words.at(next + 3)};
        writeBuffer(block, offset / mky43::kBlockBytes);
    }
    if (tail > 0)
        mergeBlock(words, next, tail, offset / mky43::kBlockBytes, 0);
}

// Read-modify-write of one block: `count` words from word `first` go to the
// block from `position` on.
void GmAccess::mergeBlock(const Words& words, std::size_t first, std::size_t count, std::size_t blockNo,
                          std::size_t position) {
    os::write16(window_, mky43::RHCR0, static_cast<std::uint16_t>(blockNo));
    std::uint16_t block[4];
    for (std::size_t w = 0; w < mky43::kBlockWords; ++w)
        block[w] = os::read16(window_, mky43::RHPB0 + 2 * w);
    for (std::size_t w = 0; w < count; ++w)
        block[position + w] = words.at(first + w);
    writeBuffer(block, blockNo);
}

void GmAccess::writeBuffer(const std::uint16_t (&block)[4], std::size_t blockNo) {
    for (std::size_t w = 0; w < mky43::kBlockWords; ++w)
        os::write16(window_, mky43::WHPB0 + 2 * w, block[w]);
    os::write16(window_, mky43::WHCR0, static_cast<std::uint16_t>(blockNo));
}

int32_t GmAccess::check(std::uint16_t* checkCode) {
    if (!window_)
        return MKY43_ER_UNCONNECT;
    *checkCode = os::read16(window_, mky43::CCTR);
    return MKY43_ER_OK;
}

int32_t GmAccess::put(int station, const void* block8) {
    if (!window_)
        return MKY43_ER_UNCONNECT;
    auto* target = window_ + mky43::kBlockBytes * (station & 63);
    const auto* source = static_cast<const std::uint8_t*>(block8);
    for (int half = 0; half < 2; ++half) {
        std::uint32_t v;
        std::memcpy(&v, source + 4 * half, sizeof v);
        std::atomic_ref<std::uint32_t>(*reinterpret_cast<std::uint32_t*>(target + 4 * half))
            .store(v, std::memory_order_relaxed);
    }
    return MKY43_ER_OK;
}

int32_t GmAccess::get(std::uint16_t station, void* block8) {
    if (!window_)
        return MKY43_ER_UNCONNECT;
    const auto* source = window_ + mky43::kBlockBytes * (static_cast<std::int16_t>(station) & 63);
    auto* target = static_cast<std::uint8_t*>(block8);
    for (int half = 0; half < 2; ++half) {
        const std::uint32_t v = std::atomic_ref<std::uint32_t>(
                                    *reinterpret_cast<std::uint32_t*>(const_cast<std::uint8_t*>(source) + 4 * half))
                                    .load(std::memory_order_relaxed);
        std::memcpy(target + 4 * half, &v, sizeof v);
    }
    return MKY43_ER_OK;
}

int32_t GmAccess::alloc(int station, void** block) {
    if (!window_)
        return MKY43_ER_UNCONNECT;
    *block = window_ + mky43::kBlockBytes * station;
    return MKY43_ER_OK;
}

int32_t GmAccess::attach(void** gm) {
    if (!window_)
        return MKY43_ER_UNCONNECT;
    *gm = window_;
    return MKY43_ER_OK;
}

int32_t GmAccess::map(const char* stationText, void** block) {
    if (!window_)
        return MKY43_ER_UNCONNECT;
    if (*stationText < '0' || *stationText > '9')
        return MKY43_ER_OTHER;
    std::size_t station = 0;
    for (const char* c = stationText; *c >= '0' && *c <= '9'; ++c) {
        station = station * 10 + static_cast<std::size_t>(*c - '0');
        if (station >= mky43::kWindowSize / mky43::kBlockBytes)
            return MKY43_ER_INVALIDPARAM;
    }
    *block = window_ + mky43::kBlockBytes * station;
    return MKY43_ER_OK;
}

}  // namespace ravlib
