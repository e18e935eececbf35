#include "tools/ravel/Board.h"

#include "chip/Mky43.h"
#include "driver/RavkernIoctl.h"
#include "lib/Ravlib.h"
#include "tools/ravel/Numbers.h"
#include "tools/ravel/ReturnCode.h"
#include "tools/ravel/StopFlag.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace ravel {

namespace {

// Connect sequence states from which the driver supervises a running chip.
constexpr std::int32_t kSequenceStartWritten = 1003;
constexpr std::int32_t kSequenceSupervising = 1004;

std::string callName(std::string_view export_, int board) {
    return std::string(export_) + "(board " + std::to_string(board) + ")";
}

}  // namespace

std::optional<StartRequest> parseStartRequest(std::string_view text) {
    StartRequest request;
    std::size_t first = text.find(':');
    if (first == std::string_view::npos)
        return std::nullopt;
    std::size_t second = text.find(':', first + 1);
    std::string_view mode = second == std::string_view::npos ? "normal" : text.substr(second + 1);
    auto station = parseInteger(text.substr(0, first), 0, mky43::kStations - 1);
    auto size = parseInteger(text.substr(first + 1, second - first - 1), 1, mky43::kStations);
    if (!station || !size || *station + *size > mky43::kStations)
        return std::nullopt;
    if (mode == "normal")
        request.mode = StartRequest::Mode::Normal;
    else if (mode == "lf")
        request.mode = StartRequest::Mode::LongFrame;
    else if (mode == "gmm")
        request.mode = StartRequest::Mode::Gmm;
    else
        return std::nullopt;
    request.station = static_cast<int>(*station);
    request.size = static_cast<int>(*size);
    return request;
}

std::string_view ConnectInfo::stateName() const {
    if (running)
        return "running";
    if (sequence == kSequenceStartWritten || sequence == kSequenceSupervising)
        return "starting";
    if (sequence != 0)
        return "connecting";
    return "stopped";
}

Board::~Board() {
    if (started_)
        succeeded(RV_stop(number_, 0), callName("RV_stop", number_));
    if (open_)
        succeeded(RV_close(number_), callName("RV_close", number_));
}

bool Board::open() {
    return succeeded(tryOpen(), callName("RV_open", number_));
}

std::int32_t Board::tryOpen() {
    std::int32_t code = RV_open(number_);
    open_ = code == MKY43_ER_OK;
    return code;
}

bool Board::start(const StartRequest& request) {
    std::int32_t code = 0;
    switch (request.mode) {
    case StartRequest::Mode::Normal: code = RV_start(number_, 0, request.station, request.size, 0); break;
    case StartRequest::Mode::LongFrame: code = RV_start_lf(number_, 0, request.station, request.size, 0); break;
    case StartRequest::Mode::Gmm: code = RV_start_gmm(number_, 0, 0); break;
    }
    if (!succeeded(code, callName("RV_start", number_)))
        return false;
    started_ = true;
    if (request.mode != StartRequest::Mode::Gmm && !waitUntilRunning())
        std::fprintf(stderr, "ravel: board %d is started but its chip does not run yet (stations %d-%d taken?)\n",
                     number_, request.station, request.station + request.size - 1);
    return true;
}

bool Board::waitUntilRunning() const {
    // The driver raises communication within a few ticks; a range another
    // member holds keeps it waiting, which is worth saying, not failing.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < end) {
        std::uint16_t scr = 0;
        if (RV_GetReg16(number_, 0, static_cast<std::int32_t>(mky43::SCR), &scr) == MKY43_ER_OK &&
            (scr & mky43::kScrRunning))
            return true;
        if (!pause(std::chrono::milliseconds(10)))
            return false;
    }
    return false;
}

bool Board::connectInfo(ConnectInfo& info) const {
    ravkern::ConnectState state{};
    if (!succeeded(RV_Status(number_, 0, &state), callName("RV_Status", number_)))
        return false;
    std::uint16_t scr = 0;
    if (!readRegister16(mky43::SCR, scr))
        return false;
    info.sequence = state.status;
    info.station = state.sa;
    info.size = state.slen;
    info.running = (scr & mky43::kScrRunning) != 0;
    return true;
}

bool Board::readRegister16(std::uint32_t offset, std::uint16_t& value) const {
    return succeeded(RV_GetReg16(number_, 0, static_cast<std::int32_t>(offset), &value),
                     callName("RV_GetReg16", number_));
}

bool Board::readRegister64(std::uint32_t offset, std::uint64_t& value) const {
    std::int32_t lowHigh[2] = {0, 0};
    if (!succeeded(RV_GetReg64(number_, 0, static_cast<std::int32_t>(offset), lowHigh),
                   callName("RV_GetReg64", number_)))
        return false;
    value = static_cast<std::uint32_t>(lowHigh[0]) | (std::uint64_t{static_cast<std::uint32_t>(lowHigh[1])} << 32);
    return true;
}

}  // namespace ravel
