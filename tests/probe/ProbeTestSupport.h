// Helpers of the test program's tests: the stand-in libraries, and acting on
// a modal window once it is up.
#pragma once

#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>

namespace probetest {

// The directory of the tests and the stand-in libraries beside them.
QString testDir();
QString standinPath(const QString& file);

// Reaches the recording functions of a loaded stand-in.
class Standin {
public:
    explicit Standin(const QString& path);
    ~Standin();
    bool valid() const { return handle_ != nullptr; }
    QStringList calls() const;
    void setResult(const char* name, int code) const;
    void reset() const;
    // The calls whose text starts with name.
    QStringList callsOf(const QString& name) const;
    // The stand-in's chip window: GM at 0, registers at 0x300, received mail at 0x400.
    void poke(int offset, const QByteArray& bytes) const;
    QByteArray peek(int offset, int length) const;
    // The status word of the mail calls and the sender of received mail.
    void setMail(int16_t status, int sa) const;

private:
    void* handle_;
};

// Polls the event loop and runs action on the modal window that is up, until
// action returns true; so a test can answer a dialog the code under test runs.
// The returned timer stops polling when deleted.
QTimer* onNextModal(const std::function<bool(QWidget*)>& action);
// Stops every poller that has not acted yet, so none outlives its test case.
void stopPolling();

}  // namespace probetest
