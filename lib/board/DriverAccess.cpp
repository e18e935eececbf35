// The board's device handle and its controls. Nothing here interprets a
// reply, retries or logs: the callers do.
#include "lib/board/BoardCtrl.h"

namespace ravlib {

using namespace ravkern;

namespace {

int32_t control(os::DeviceHandle device, uint32_t code, const void* input, uint32_t inputLength, void* output,
                uint32_t outputLength) {
    return os::deviceIoControl(device, code, input, inputLength, output, outputLength, nullptr) == 0 ? 0 : -1;
}

}  // namespace

os::DeviceHandle BoardCtrl::openDevice(const char* path) {
    hDevice_ = os::openDevice(path);
    return hDevice_;
}

void BoardCtrl::closeDevice() {
    if (hDevice_ != os::kInvalidDevice)
        os::closeDevice(hDevice_);
    hDevice_ = os::kInvalidDevice;
}

int32_t BoardCtrl::ioGetConnectState(ConnectState* state) {
    return control(hDevice_, IOCTL_BOARD_GET_CONNECT_STATE, nullptr, 0, state, sizeof(ConnectState));
}

int32_t BoardCtrl::ioGetDipSwitch(DipSwitchInfo* info) {
    return control(hDevice_, IOCTL_BOARD_GET_DIPSW, info, sizeof(DipSwitchInfo), info, sizeof(DipSwitchInfo));
}

int32_t BoardCtrl::ioConnect(const ConnectRequest* request) {
    return control(hDevice_, IOCTL_BOARD_CONNECT, request, sizeof(ConnectRequest), nullptr, 0);
}

int32_t BoardCtrl::ioConnectLf(const ConnectRequest* request) {
    return control(hDevice_, IOCTL_BOARD_CONNECT_LF, request, sizeof(ConnectRequest), nullptr, 0);
}

int32_t BoardCtrl::ioConnectGmm(const ConnectRequest* request) {
    return control(hDevice_, IOCTL_BOARD_CONNECT_GMM, request, sizeof(ConnectRequest), nullptr, 0);
}

int32_t BoardCtrl::ioDisconnect() {
    return control(hDevice_, IOCTL_BOARD_DISCONNECT, nullptr, 0, nullptr, 0);
}

int32_t BoardCtrl::ioMapMemory(MapRequest* request) {
    return control(hDevice_, IOCTL_BOARD_MAP_MEMORY, request, sizeof(MapRequest), request, sizeof(MapRequest));
}

int32_t BoardCtrl::ioHardReset() {
    return control(hDevice_, IOCTL_BOARD_HARD_RESET, nullptr, 0, nullptr, 0);
}

}  // namespace ravlib
