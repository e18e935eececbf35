// Feeds random control codes, buffer lengths and bytes, interleaved with clock
// steps, file opens and closes, to the driver's control dispatch.
#include "tests/driver/BoardRig.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

using namespace ravkern;
using namespace ravkern::fake;

class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool empty() const { return offset_ >= size_; }
    uint8_t byte() { return empty() ? 0 : data_[offset_++]; }
    uint32_t word() {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value = value << 8 | byte();
        return value;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t offset_ = 0;
};

// Mostly codes of the series and its neighbours, sometimes anything.
uint32_t pickCode(Input& in) {
    const uint8_t selector = in.byte();
    if (selector < 200)
        return 0x99022000u + 4u * (selector % 14u) + (selector >= 190 ? 1u : 0u);
    return in.word();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in(data, size);
    BoardRig rig;
    if (!rig.start())
        std::abort();
    std::vector<KFile*> files{rig.file};

    while (!in.empty()) {
        const uint8_t action = in.byte() % 8;
        KFile* file = files[in.byte() % files.size()];
        if (action == 0) {
            rig.kernel.advance(kTick * (1 + in.byte() % 8));
        } else if (action == 1 && files.size() < 4) {
            files.push_back(rig.kernel.openFile(rig.device));
        } else if (action == 2 && files.size() > 1) {
            rig.kernel.closeFile(files.back());
            files.pop_back();
        } else if (action == 3) {
            rig.setChip(mky43::SCR, static_cast<uint16_t>(in.word()));
        } else {
            const uint32_t code = pickCode(in);
            const size_t inputLength = in.byte() % 40;
            const size_t outputLength = in.byte() % 40;
            std::vector<uint8_t> input(inputLength);
            for (auto& b : input)
                b = in.byte();
            rig.kernel.control(file, code, input.data(), input.size(), outputLength);
        }
    }
    for (KFile* file : files)
        rig.kernel.closeFile(file);
    rig.kernel.release(rig.device);
    if (!rig.kernel.violations().empty() || rig.kernel.liveViews() != 0 || rig.kernel.liveMappings() != 0)
        std::abort();
    return 0;
}
