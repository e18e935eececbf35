// One board opened through the library for the length of a command: opened,
// optionally started, and stopped (when this command started it) and closed
// again on every way out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ravel {

struct StartRequest {
    enum class Mode { Normal, LongFrame, Gmm };
    int station = 0;
    int size = 1;
    Mode mode = Mode::Normal;
};

// "SA:SIZE[:MODE]", MODE normal, lf or gmm; SA + SIZE at most 64.
std::optional<StartRequest> parseStartRequest(std::string_view text);

// The connect sequence's state as the driver reports it, and the chip's
// running bit.
struct ConnectInfo {
    std::int32_t sequence = 0;
    int station = 0;
    int size = 0;
    bool running = false;

    // "running", "connecting", "starting" or "stopped".
    std::string_view stateName() const;
    // The stations this board owns on the bus: only while it runs.
    bool ownsStations() const { return running && size > 0; }
};

class Board {
public:
    explicit Board(int number) : number_(number) {}
    ~Board();
    Board(const Board&) = delete;
    Board& operator=(const Board&) = delete;

    int number() const { return number_; }
    // Each prints the failing call's return code and answers false.
    bool open();
    // Opens without a word: the return code.
    std::int32_t tryOpen();
    bool start(const StartRequest& request);
    bool connectInfo(ConnectInfo& info) const;
    bool readRegister16(std::uint32_t offset, std::uint16_t& value) const;
    bool readRegister64(std::uint32_t offset, std::uint64_t& value) const;

private:
    bool waitUntilRunning() const;

    int number_;
    bool open_ = false;
    bool started_ = false;
};

}  // namespace ravel
