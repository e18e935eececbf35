#include "tests/driver/BoardRig.h"

#include <cstring>

namespace ravkern::fake {

ResourceDescriptor memoryDescriptor(uint64_t start, uint32_t length) {
    return {CmResourceTypeMemory, 0, start, length};
}

KResourceList boardResources() {
    KResourceList list;
    list.descriptors = {memoryDescriptor(kUnusedRangeBase, 0x100), memoryDescriptor(kRegionABase, kRegionALength),
                        memoryDescriptor(kRegionBBase, kRegionBLength)};
    return list;
}

BoardRig::BoardRig() : resources(boardResources()) {
    kernel.addPhysicalRange(kUnusedRangeBase, 0x100);
    kernel.addPhysicalRange(kRegionABase, kRegionALength);
    kernel.addPhysicalRange(kRegionBBase, kRegionBLength);
}

bool BoardRig::start() {
    if (!NT_SUCCESS(kernel.loadDriver()))
        return false;
    device = kernel.addDevice();
    if (device == nullptr || !NT_SUCCESS(kernel.lastDeviceAddStatus()))
        return false;
    if (!NT_SUCCESS(kernel.prepare(device, resources)))
        return false;
    file = kernel.openFile(device);
    return true;
}

ControlResult BoardRig::control(uint32_t code, const std::vector<uint8_t>& input, size_t outputLength) {
    return kernel.control(file, code, input.data(), input.size(), outputLength);
}

ControlResult BoardRig::connect(uint32_t code, const std::string& saText, int32_t slen) {
    ConnectRequest request{};
    std::memcpy(request.saText, saText.data(), std::min(saText.size(), sizeof request.saText));
    request.slen = slen;
    return kernel.control(file, code, &request, sizeof request, 0);
}

ControlResult BoardRig::map(int32_t command, uint32_t length, uint64_t userAddress, KFile* on) {
    const MapRequest request{command, length, userAddress};
    return kernel.control(on != nullptr ? on : file, IOCTL_BOARD_MAP_MEMORY, &request, sizeof request, sizeof request);
}

ConnectState BoardRig::connectState() {
    ConnectState state{-1, -1, -1};
    const ControlResult result = kernel.control(file, IOCTL_BOARD_GET_CONNECT_STATE, nullptr, 0, sizeof state);
    if (result.status == STATUS_SUCCESS && result.output.size() == sizeof state)
        std::memcpy(&state, result.output.data(), sizeof state);
    return state;
}

void BoardRig::fillChip(uint16_t pattern) {
    for (uint32_t offset = 0; offset < mky43::kMailReceiveBuffersEnd; offset += 2)
        setChip(offset, pattern);
}

void BoardRig::tick(int count) {
    for (int i = 0; i < count; ++i)
        kernel.advance(kTick);
}

}  // namespace ravkern::fake
