// The board-select dialog shown once at start: which kind of board is fitted.
#pragma once

#include <QDialog>

#include <memory>

namespace ravprobe {

namespace Ui {
class TDllForm;
}

class TDllForm : public QDialog {
    Q_OBJECT
public:
    explicit TDllForm(QWidget* parent = nullptr);
    ~TDllForm() override;

    int selectedItem() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::TDllForm> ui;
};

}  // namespace ravprobe
