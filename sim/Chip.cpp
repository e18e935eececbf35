#include "sim/Chip.h"

#include "sim/ChipMap.h"

#include <array>
#include <atomic>

namespace ravsim {

namespace {

// "MKY43" and three NULs, lowest address first.
constexpr std::uint64_t kChipCode = 0x000000'3334594B4DULL;

constexpr RegisterInfo kRegisters[] = {
    {"RFR", reg::RFR, 4, 0, nullptr},
    {"LFR", reg::LFR, 4, 0, nullptr},
    {"MFR", reg::MFR, 4, 0, nullptr},
    {"DRFR", reg::DRFR, 4, 0, nullptr},
    {"LGR", reg::LGR, 4, 0, nullptr},
    {"MGR", reg::MGR, 4, 0, nullptr},
    {"DRCR", reg::DRCR, 4, 0, nullptr},
    {"RHCR0", reg::RHCR0, 1, 0, &Chip::onReadHazard},
    {"RHCR1", reg::RHCR1, 1, 0, &Chip::onReadHazard},
    {"WHCR0", reg::WHCR0, 1, 0, &Chip::onWriteHazard},
    {"WHCR1", reg::WHCR1, 1, 0, &Chip::onWriteHazard},
    {"MSLR", reg::MSLR, 1, 0, nullptr},
    {"MSRR", reg::MSRR, 1, 0, nullptr},
    {"MESR", reg::MESR, 1, 0, nullptr},
    {"MSCR", reg::MSCR, 1, 0, nullptr},
    {"MR0CR", reg::MR0CR, 1, 0, nullptr},
    {"MR1CR", reg::MR1CR, 1, 0, nullptr},
    {"CCTR", reg::CCTR, 1, 0, nullptr},
    {"UTCR", reg::UTCR, 1, 0, nullptr},
    {"QCR", reg::QCR, 1, 0, nullptr},
    {"NFSR", reg::NFSR, 1, 0, nullptr},
    {"FSR", reg::FSR, 1, 0, nullptr},
    {"BCR", reg::BCR, 1, 0, nullptr},
    {"INT0CR", reg::INT0CR, 1, 0, nullptr},
    {"INT1CR", reg::INT1CR, 1, 0, nullptr},
    {"IT0CR", reg::IT0CR, 1, 0, nullptr},
    {"IT1CR", reg::IT1CR, 1, 0, nullptr},
    {"INT0SR", reg::INT0SR, 1, 0, nullptr},
    {"INT1SR", reg::INT1SR, 1, 0, nullptr},
    {"SSR", reg::SSR, 1, 0, nullptr},
    {"SCR", reg::SCR, 1, 0, &Chip::onControl},
    {"CCR", reg::CCR, 4, kChipCode, nullptr},
    {"RHPB0", reg::RHPB0, 4, 0, nullptr},
    {"RHPB1", reg::RHPB1, 4, 0, nullptr},
    {"WHPB0", reg::WHPB0, 4, 0, nullptr},
    {"WHPB1", reg::WHPB1, 4, 0, nullptr},
};

constexpr std::size_t kRegisterCount = sizeof(kRegisters) / sizeof(kRegisters[0]);
constexpr std::size_t kRegWords = (kRegsEnd - kRegsOffset) / 2;

// Word index within the register area -> table index + 1 (0 = no register).
constexpr std::array<std::uint8_t, kRegWords> makeWordIndex()
{
    std::array<std::uint8_t, kRegWords> index{};
    for (std::size_t i = 0; i < kRegisterCount; ++i)
        for (unsigned w = 0; w < kRegisters[i].words; ++w)
            index[(kRegisters[i].offset - kRegsOffset) / 2 + w] = static_cast<std::uint8_t>(i + 1);
    return index;
}

constexpr auto kWordIndex = makeWordIndex();

bool isBlockNumber(std::uint16_t value) { return value < kGmBlocks; }

}  // namespace

const RegisterInfo* registerTable(std::size_t& count)
{
    count = kRegisterCount;
    return kRegisters;
}

const RegisterInfo* findRegister(std::size_t offset)
{
    if (offset < kRegsOffset || offset >= kRegsEnd)
        return nullptr;
    std::uint8_t slot = kWordIndex[(offset - kRegsOffset) / 2];
    return slot ? &kRegisters[slot - 1] : nullptr;
}

std::uint16_t Chip::load(std::size_t offset) const
{
    auto* word = reinterpret_cast<std::uint16_t*>(window_ + offset);
    return std::atomic_ref<std::uint16_t>(*word).load(std::memory_order_relaxed);
}

void Chip::store(std::size_t offset, std::uint16_t value)
{
    auto* word = reinterpret_cast<std::uint16_t*>(window_ + offset);
    std::atomic_ref<std::uint16_t>(*word).store(value, std::memory_order_relaxed);
}

void Chip::write(std::size_t offset, std::uint16_t value)
{
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

std::uint64_t Chip::loadBlock(std::size_t offset) const
{
    auto* block = reinterpret_cast<std::uint64_t*>(window_ + offset);
    return std::atomic_ref<std::uint64_t>(*block).load(std::memory_order_relaxed);
}

void Chip::storeBlock(std::size_t offset, std::uint64_t value)
{
    auto* block = reinterpret_cast<std::uint64_t*>(window_ + offset);
    std::atomic_ref<std::uint64_t>(*block).store(value, std::memory_order_relaxed);
}

void Chip::onReadHazard(Chip& chip, std::size_t offset, std::uint16_t value)
{
    if (!isBlockNumber(value))
        return;
    std::size_t buffer = offset == reg::RHCR0 ? reg::RHPB0 : reg::RHPB1;
    chip.storeBlock(buffer, chip.loadBlock(kGmOffset + value * kGmBlockSize));
}

void Chip::onWriteHazard(Chip& chip, std::size_t offset, std::uint16_t value)
{
    if (!isBlockNumber(value))
        return;
    std::size_t buffer = offset == reg::WHCR0 ? reg::WHPB0 : reg::WHPB1;
    chip.storeBlock(kGmOffset + value * kGmBlockSize, chip.loadBlock(buffer));
}

void Chip::onControl(Chip& chip, std::size_t, std::uint16_t value)
{
    SharedState& st = chip.state_;
    // Communication lasts while the start bit stays written; a halt, or any
    // write without the start bit, ends it.
    if ((value & kScrHalt) || !(value & kScrStart)) {
        st.startCountdown = 0;
        chip.setRunning(false);
        // The GM monitor connect halts after the opening step; a plain stop
        // writes 0.
        st.monitoring = (value & kScrHalt) && (chip.load(reg::SSR) & kSsrMonitor) == kSsrMonitor;
        return;
    }
    st.monitoring = 0;
    if (!st.running && st.startCountdown == 0 && bcrStationSize(chip.load(reg::BCR)) != 0)
        st.startCountdown = st.startDelay ? st.startDelay : 1;
    // The running bit is the chip's, whatever was written over it.
    chip.setRunning(st.running != 0);
}

void Chip::setRunning(bool running)
{
    state_.running = running ? 1 : 0;
    std::uint16_t scr = load(reg::SCR);
    store(reg::SCR, running ? (scr | kScrRunning) : (scr & ~kScrRunning));
}

void Chip::resetRegisters()
{
    for (const RegisterInfo& info : kRegisters)
        for (unsigned w = 0; w < info.words; ++w)
            store(info.offset + 2 * w, static_cast<std::uint16_t>(info.resetValue >> (16 * w)));
    state_.running = 0;
    state_.startCountdown = 0;
    state_.monitoring = 0;
}

void Chip::setResetLine(bool held)
{
    if (held == inReset())
        return;
    state_.inReset = held ? 1 : 0;
    // Registers take their reset values when the line rises and again when it
    // falls, so nothing written during reset survives it.
    resetRegisters();
}

void Chip::cycle(bool admitJoin)
{
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
        store(reg::CCTR, static_cast<std::uint16_t>(load(reg::CCTR) + 1));
}

}  // namespace ravsim
