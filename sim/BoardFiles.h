// The shared-memory files of one simulated board in the runtime directory:
// region A (the chip window, then the shared state page) and region B (the
// board control registers).
#pragma once

#include "sim/SharedState.h"

#include <cstdint>
#include <memory>
#include <string>

namespace ravsim {

class BoardFiles {
public:
    // Creates <dir>/board<index>.regionA and .regionB, replacing stale ones,
    // with the chip just out of reset and the switch set. Null and `error`
    // filled on failure.
    static std::unique_ptr<BoardFiles> create(const std::string& dir, unsigned index, std::uint8_t switchValue,
                                              std::uint32_t startDelay, std::string& error);
    ~BoardFiles();
    BoardFiles(const BoardFiles&) = delete;
    BoardFiles& operator=(const BoardFiles&) = delete;

    int regionAFd() const { return fdA_; }
    int regionBFd() const { return fdB_; }
    std::uint8_t* window() const { return window_; }
    std::uint8_t* control() const { return control_; }
    SharedState& state() const { return *state_; }
    const std::string& regionAPath() const { return pathA_; }
    const std::string& regionBPath() const { return pathB_; }

private:
    BoardFiles() = default;

    std::string pathA_, pathB_;
    int fdA_ = -1, fdB_ = -1;
    std::uint8_t* window_ = nullptr;
    std::uint8_t* control_ = nullptr;
    SharedState* state_ = nullptr;
};

// Maps a region A file whole (window and state page) and announces the window
// to write16. Null when the descriptor is not a board's region A.
std::uint8_t* mapChipWindow(int fd);
void unmapChipWindow(std::uint8_t* window);

}  // namespace ravsim
