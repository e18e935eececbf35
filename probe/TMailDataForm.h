// What the mail data viewer and editor share: the hexadecimal and character
// grids moving in step, the count of bytes held, cursor rules and clearing.
#pragma once

#include <QDialog>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class QFileDialog;

namespace ravprobe {

namespace Ui {
class TMailDataForm;
}

class MailGrid;

class TMailDataForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMaxBytes = 256;
    // Returns the chosen file name, or an empty text when the user cancelled.
    using FileChooser = std::function<QString()>;

    ~TMailDataForm() override;

    int dataCount() const { return dataCount_; }
    // Replaces the file dialog, for callers that already know the file.
    void setFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }

protected:
    TMailDataForm(const QString& caption, int binaryTop, QWidget* parent);

    int indexOf(const MailGrid* grid, int col, int row) const;
    int cursorIndex(const MailGrid* grid) const;
    MailGrid* otherGrid(const MailGrid* grid) const;

    // Puts both grids on byte index; the given grid moves first.
    void moveTo(MailGrid* first, int index, bool rowFirst);
    void advance(MailGrid* grid, int direction);
    virtual void clearData();
    // The arrow-key table; true for every key it consumes.
    bool arrowKey(MailGrid* grid, int key);
    bool refused(const MailGrid* grid, int col, int row) const;
    // Whether the cursor may move to a cell: any data cell and the end cell.
    virtual bool sgBinarySelectCell(int col, int row);
    bool sgCharSelectCell(int col, int row);

    uint8_t byteAt(int index) const;
    void putByte(int index, uint8_t value);
    void addRow();
    void dropRow();
    void showError(const QString& text);
    QString chooseFile() const { return chooseFile_ ? chooseFile_() : QString(); }
    // The window's file dialog, for opening or for saving, made on first use:
    // the chosen file, or an empty text when cancelled.
    QString runFileDialog(const QString& name, const QString& title, bool save);

    // The file button is the viewer's Save and the editor's Load.
    std::unique_ptr<Ui::TMailDataForm> ui;
    int dataCount_ = 0;
    FileChooser chooseFile_;

private:
    void btnClearClick();

    QFileDialog* fileDialog_ = nullptr;
};

// The character shown for a byte in the character grid.
QString byteChar(uint8_t value);
// A byte as two upper-case hexadecimal digits.
QString byteHex(uint8_t value);

}  // namespace ravprobe
