#include "ProbeApplication.h"

#include <QCoreApplication>

#include "TBEditForm.h"
#include "TBViewForm.h"
#include "TDllForm.h"
#include "TMainForm.h"
#include "TReg43Form.h"

namespace ravprobe {

ProbeApplication::ProbeApplication(const QString& programDir)
    : mainForm_(std::make_unique<TMainForm>(binding_, programDir)) {
    mainForm_->FormCreate();
    dllForm_ = std::make_unique<TDllForm>();
    // The secondary windows centre on the main window and go with it.
    bViewForm_ = new TBViewForm(mainForm_.get());
    bEditForm_ = new TBEditForm(mainForm_.get());
    reg43Form_ = new TReg43Form(mainForm_->caller(), mainForm_->boardState(), mainForm_.get());
    mainForm_->attachWindows(dllForm_.get(), bViewForm_, bEditForm_, reg43Form_);
    QObject::connect(mainForm_.get(), &TMainForm::quitRequested, QCoreApplication::instance(), &QCoreApplication::quit,
                     Qt::QueuedConnection);
}

// The windows go before the binding they call through.
ProbeApplication::~ProbeApplication() = default;

}  // namespace ravprobe
