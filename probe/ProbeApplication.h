// The program's windows and library binding, created in start order and
// living for the whole run.
#pragma once

#include <QString>

#include <memory>

#include "LibraryBinding.h"

namespace ravprobe {

class TBEditForm;
class TBViewForm;
class TDllForm;
class TMainForm;
class TReg43Form;

class ProbeApplication {
public:
    // programDir: the directory of the program's executable file.
    explicit ProbeApplication(const QString& programDir);
    ~ProbeApplication();

    TMainForm& mainForm() { return *mainForm_; }
    TDllForm& dllForm() { return *dllForm_; }
    TBViewForm& bViewForm() { return *bViewForm_; }
    TBEditForm& bEditForm() { return *bEditForm_; }
    TReg43Form& reg43Form() { return *reg43Form_; }
    LibraryBinding& binding() { return binding_; }

private:
    LibraryBinding binding_;
    std::unique_ptr<TMainForm> mainForm_;
    std::unique_ptr<TDllForm> dllForm_;
    TBViewForm* bViewForm_;
    TBEditForm* bEditForm_;
    TReg43Form* reg43Form_;
};

}  // namespace ravprobe
