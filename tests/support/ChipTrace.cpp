#include "tests/support/ChipTrace.h"

#include <ostream>

#include "sim/RegisterAccess.h"

namespace gmtest {

std::ostream& operator<<(std::ostream& out, const Access& a) {
    char text[48];
    std::snprintf(text, sizeof text, "%c 0x%03zx=0x%04x", a.kind, a.offset, a.value);
    return out << text;
}

Access R(std::size_t offset, std::uint16_t value) {
    return {'R', offset, value};
}

Access W(std::size_t offset, std::uint16_t value) {
    return {'W', offset, value};
}

ChipTrace::ChipTrace(const void* window) : window_(window) {
    ravlib::os::testing::recordChipAccess(this);
}

ChipTrace::~ChipTrace() {
    ravlib::os::testing::recordChipAccess(nullptr);
}

void ChipTrace::seen(const ravlib::os::testing::ChipAccess& access) {
    if (access.base != window_)
        return;
    std::lock_guard lock(mutex_);
    accesses_.push_back({access.write ? 'W' : 'R', access.offset, access.value});
}

std::vector<Access> ChipTrace::take() {
    std::lock_guard lock(mutex_);
    return std::move(accesses_);
}

void SimWindow::SetUp() {
    std::string error;
    board_ = ravsim::BoardFiles::create(box_.runtime(), 0, 0, 2, error);
    ASSERT_TRUE(board_) << error;
    window_ = ravsim::mapChipWindow(board_->regionAFd());
    ASSERT_NE(window_, nullptr);
}

void SimWindow::TearDown() {
    if (window_)
        ravsim::unmapChipWindow(window_);
    board_.reset();
}

std::uint16_t SimWindow::word(std::size_t offset) const {
    return ravsim::read16(window_, offset);
}

void SimWindow::fillGm() {
    for (std::size_t w = 0; w < 256; ++w)
        ravsim::write16(window_, 2 * w, static_cast<std::uint16_t>(0xA000 + w));
}

}  // namespace gmtest
