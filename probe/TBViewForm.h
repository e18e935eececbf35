// The mail data viewer: shows received bytes read-only and saves them.
#pragma once

#include <cstdint>

#include "TMailDataForm.h"

namespace ravprobe {

class TBViewForm : public TMailDataForm {
    Q_OBJECT
public:
    explicit TBViewForm(QWidget* parent = nullptr);

    // Shows the first min(length, 256) bytes; nothing for length 0 or less.
    void showData(const uint8_t* bytes, int length);

private:
    void btnWriteClick();
};

}  // namespace ravprobe
