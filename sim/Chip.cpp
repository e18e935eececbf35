#include "sim/Chip.h"

#include "chip/Mky43.h"

#include <array>
#include <atomic>

namespace ravsim {

namespace {

// "MKY43" and three NULs, lowest address first.
constexpr std::uint64_t kChipCode = 0x000000'3334594B4DULL;

// What the model adds to a register of the chip's map: a reset value other
// than 0, a hook, or both.
struct Behaviour {
    std::uint32_t offset;
    std::uint64_t resetValue;
    void (*postWrite)(Chip& chip, std::size_t offset, std::uint16_t value);
};

constexpr Behaviour kBehaviours[] = {
    {mky43::RHCR0, 0, &Chip::onReadHazard},  {mky43::RHCR1, 0, &Chip::onReadHazard},
    {mky43::WHCR0, 0, &Chip::onWriteHazard}, {mky43::WHCR1, 0, &Chip::onWriteHazard},
    {mky43::SCR, 0, &Chip::onControl},       {mky43::CCR, kChipCode, nullptr},
};

// A behaviour whose offset starts no register of the map would be lost.
constexpr bool everyBehaviourHasItsRegister() {
    for (const Behaviour& b : kBehaviours) {
        bool found = false;
        for (const mky43::Register& r : mky43::kRegisterMap)
            found = found || r.offset == b.offset;
        if (!found)
            return false;
    }
    return true;
}
static_assert(everyBehaviourHasItsRegister());

// The chip's map, register for register, with what the model adds.
constexpr std::array<RegisterInfo, mky43::kRegisterCount> makeRegisters() {
    std::array<RegisterInfo, mky43::kRegisterCount> table{};
    for (std::size_t i = 0; i < table.size(); ++i) {
        const mky43::Register& r = mky43::kRegisterMap[i];
        Behaviour behaviour{r.offset, 0, nullptr};
        for (const Behaviour& b : kBehaviours)
            if (b.offset == r.offset)
                behaviour = b;
        table[i] = {r.name, r.offset, r.bits / 16, behaviour.resetValue, behaviour.postWrite};
    }
    return table;
}

constexpr auto kRegisterTable = makeRegisters();

constexpr std::size_t kRegWords = (mky43::kRegistersEnd - mky43::kRegisters) / 2;

// Word index within the register area -> table index + 1 (0 = no register).
constexpr std::array<std::uint8_t, kRegWords> makeWordIndex() {
    std::array<std::uint8_t, kRegWords> index{};
    for (std::size_t i = 0; i < kRegisterTable.size(); ++i)
        for (unsigned w = 0; w < kRegisterTable[i].words; ++w)
            index[(kRegisterTable[i].offset - mky43::kRegisters) / 2 + w] = static_cast<std::uint8_t>(i + 1);
    return index;
}

constexpr auto kWordIndex = makeWordIndex();

bool isBlockNumber(std::uint16_t value) {
    return value < mky43::kStations;
}

}  // namespace

const RegisterInfo* registerTable(std::size_t& count) {
    count = kRegisterTable.size();
    return kRegisterTable.data();
}

const RegisterInfo* findRegister(std::size_t offset) {
    if (offset < mky43::kRegisters || offset >= mky43::kRegistersEnd)
        return nullptr;
    std::uint8_t slot = kWordIndex[(offset - mky43::kRegisters) / 2];
    return slot ? &kRegisterTable[slot - 1] : nullptr;
}

std::uint16_t Chip::load(std::size_t offset) const {
    auto* word = reinterpret_cast<std::uint16_t*>(window_ + offset);
    return std::atomic_ref<std::uint16_t>(*word).load(std::memory_order_relaxed);
}

void Chip::store(std::size_t offset, std::uint16_t value) {
    auto* word = reinterpret_cast<std::uint16_t*>(window_ + offset);
    std::atomic_ref<std::uint16_t>(*word).store(value, std::memory_order_relaxed);
}

void Chip::write(std::size_t offset, std::uint16_t value) {
    store(offset, value);
    if (inReset())
        return;
    const RegisterInfo* info = findRegister(offset);
    if (info && info->postWrite && info->offset == offset)
        info->postWrite(*this, offset, value);
}

// Other processes map the same window: a block access must be one
// instruction, never a library lock.
static_assert(std::atomic_ref<std::uint64_t>::is_always_lock_free);

std::uint64_t Chip::loadBlock(std::size_t offset) const {
    auto* block = reinterpret_cast<std::uint64_t*>(window_ + offset);
    return std::atomic_ref<std::uint64_t>(*block).load(std::memory_order_relaxed);
}

void Chip::storeBlock(std::size_t offset, std::uint64_t value) {
    auto* block = reinterpret_cast<std::uint64_t*>(window_ + offset);
    std::atomic_ref<std::uint64_t>(*block).store(value, std::memory_order_relaxed);
}

void Chip::onReadHazard(Chip& chip, std::size_t offset, std::uint16_t value) {
    if (!isBlockNumber(value))
        return;
    std::size_t buffer = offset == mky43::RHCR0 ? mky43::RHPB0 : mky43::RHPB1;
    chip.storeBlock(buffer, chip.loadBlock(mky43::kGm + value * mky43::kBlockBytes));
}

void Chip::onWriteHazard(Chip& chip, std::size_t offset, std::uint16_t value) {
    if (!isBlockNumber(value))
        return;
    std::size_t buffer = offset == mky43::WHCR0 ? mky43::WHPB0 : mky43::WHPB1;
    chip.storeBlock(mky43::kGm + value * mky43::kBlockBytes, chip.loadBlock(buffer));
}

void Chip::onControl(Chip& chip, std::size_t, std::uint16_t value) {
    SharedState& st = chip.state_;
    // Communication lasts while the start bit stays written; a halt, or any
    // write without the start bit, ends it.
    if ((value & mky43::kScrHalt) || !(value & mky43::kScrStart)) {
        st.startCountdown = 0;
        chip.setRunning(false);
        // The GM monitor connect halts after the opening step; a plain stop
        // writes 0.
        st.monitoring =
            (value & mky43::kScrHalt) && (chip.load(mky43::SSR) & mky43::kSsrConnectReset) == mky43::kSsrConnectReset;
        return;
    }
    st.monitoring = 0;
    if (!st.running && st.startCountdown == 0 && mky43::bcrStationSize(chip.load(mky43::BCR)) != 0)
        st.startCountdown = st.startDelay ? st.startDelay : 1;
    // The running bit is the chip's, whatever was written over it.
    chip.setRunning(st.running != 0);
}

void Chip::setRunning(bool running) {
    state_.running = running ? 1 : 0;
    std::uint16_t scr = load(mky43::SCR);
    store(mky43::SCR, running ? (scr | mky43::kScrRunning) : (scr & ~mky43::kScrRunning));
}

void Chip::resetRegisters() {
    for (const RegisterInfo& info : kRegisterTable)
        for (unsigned w = 0; w < info.words; ++w)
            store(info.offset + 2 * w, static_cast<std::uint16_t>(info.resetValue >> (16 * w)));
    state_.running = 0;
    state_.startCountdown = 0;
    state_.monitoring = 0;
}

void Chip::setResetLine(bool held) {
    if (held == inReset())
        return;
    state_.inReset = held ? 1 : 0;
    // Registers take their reset values when the line rises and again when it
    // falls, so nothing written during reset survives it.
    resetRegisters();
}

void Chip::cycle(bool admitJoin) {
    ++state_.cycles;
    if (inReset())
        return;
    if (state_.startCountdown > 0 && --state_.startCountdown == 0) {
        if (admitJoin)
            setRunning(true);
        else
            ++state_.refusedJoins;
    } else if (running())
        setRunning(true);  // a plain store over SCR cannot clear the bit
    if (running())
        store(mky43::CCTR, static_cast<std::uint16_t>(load(mky43::CCTR) + 1));
}

}  // namespace ravsim
