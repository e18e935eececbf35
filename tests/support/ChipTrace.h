// A simulated board's chip window mapped into the test, and the trace of
// the library's 16-bit accesses to it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "lib/os/ChipAccess.h"
#include "sim/BoardFiles.h"
#include "tests/support/Sandbox.h"

namespace gmtest {

struct Access {
    char kind;  // 'R' or 'W'
    std::size_t offset;
    std::uint16_t value;
    bool operator==(const Access&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Access& a);

Access R(std::size_t offset, std::uint16_t value);
Access W(std::size_t offset, std::uint16_t value);

// Records the accesses to one window while it lives.
class ChipTrace : public ravlib::os::testing::ChipAccessRecorder {
public:
    explicit ChipTrace(const void* window);
    ~ChipTrace();
    ChipTrace(const ChipTrace&) = delete;
    ChipTrace& operator=(const ChipTrace&) = delete;

    void seen(const ravlib::os::testing::ChipAccess& access) override;
    std::vector<Access> take();

private:
    const void* window_;
    std::mutex mutex_;
    std::vector<Access> accesses_;
};

// A board's region A files in a private directory, its window mapped the
// way the library maps it, so the hazard registers act.
class SimWindow : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::uint16_t word(std::size_t offset) const;
    // Fills GM with a pattern that tells every word apart: 0xA000 + word number.
    void fillGm();

    ravtest::Sandbox box_{ravtest::Sandbox::Entry::KeepOut};
    std::unique_ptr<ravsim::BoardFiles> board_;
    std::uint8_t* window_ = nullptr;
};

}  // namespace gmtest
