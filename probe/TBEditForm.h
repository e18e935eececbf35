// The mail data editor: bytes typed as hexadecimal or characters, edited,
// loaded from a file; the main window sends what it holds.
#pragma once

#include <cstdint>

#include "TMailDataForm.h"

namespace ravprobe {

class TBEditForm : public TMailDataForm {
    Q_OBJECT
public:
    explicit TBEditForm(QWidget* parent = nullptr);

    // Copies min(dataCount, length) bytes into buffer and returns that count.
    int getData(uint8_t* buffer, int length) const;
    int nibblePending() const { return nibblePending_; }

protected:
    void clearData() override;
    bool sgBinarySelectCell(int col, int row) override;

private:
    bool sgBinaryKeyDown(int key);
    void sgBinaryKeyPress(QChar ch);
    bool sgCharKeyDown(int key);
    void sgCharKeyPress(QChar ch);
    void deleteBefore(MailGrid* grid);
    void deleteAt(MailGrid* grid);
    void shiftDown(int from);
    void btnReadClick();

    int nibblePending_ = 0;
};

}  // namespace ravprobe
