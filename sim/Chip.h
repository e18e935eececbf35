// The MKY43 model: the chip's register map with reset values and post-write
// hooks, applied to a board's chip window and shared state. Time advances
// only through cycle(), so whoever owns the clock decides when.
#pragma once

#include "sim/SharedState.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ravsim {

class Chip;

struct RegisterInfo {
    std::string_view name;
    std::size_t offset;
    unsigned words;  // 1 for 16-bit registers, 4 for 64-bit ones
    std::uint64_t resetValue;
    void (*postWrite)(Chip& chip, std::size_t offset, std::uint16_t value);
};

// Every register of the chip, in address order.
const RegisterInfo* registerTable(std::size_t& count);
// The register that holds the 16-bit word at `offset`, if any.
const RegisterInfo* findRegister(std::size_t offset);

class Chip {
public:
    // `window` is the chip's address space (mky43::kWindowSize bytes); the caller
    // holds the board lock around every call below.
    Chip(std::uint8_t* window, SharedState& state) : window_(window), state_(state) {}

    std::uint16_t load(std::size_t offset) const;
    void store(std::size_t offset, std::uint16_t value);
    // A GM block or a 64-bit register (8-aligned) in one access: no other
    // process ever sees part of it, and a writer that dies leaves it whole.
    std::uint64_t loadBlock(std::size_t offset) const;
    void storeBlock(std::size_t offset, std::uint64_t value);

    // A bus master's 16-bit write: the store, then the register's hook.
    void write(std::size_t offset, std::uint16_t value);

    // Region B's reset line.
    void setResetLine(bool held);
    void resetRegisters();

    // One bus cycle. A start that comes due joins the bus only if
    // `admitJoin`; otherwise it is dropped and counted in refusedJoins.
    void cycle(bool admitJoin = true);

    bool running() const { return state_.running != 0; }
    // Halted after the opening values: every member's blocks and the member
    // flags come in, no station is owned.
    bool monitoring() const { return state_.monitoring != 0; }
    bool inReset() const { return state_.inReset != 0; }
    SharedState& state() { return state_; }

    // Hooks of the register table.
    static void onReadHazard(Chip& chip, std::size_t offset, std::uint16_t value);
    static void onWriteHazard(Chip& chip, std::size_t offset, std::uint16_t value);
    static void onControl(Chip& chip, std::size_t offset, std::uint16_t value);

private:
    void setRunning(bool running);

    std::uint8_t* window_;
    SharedState& state_;
};

}  // namespace ravsim
