#include "ProbeTestSupport.h"

#include <QApplication>
#include <QFile>
#include <QTimer>

#include <dlfcn.h>

#include <memory>

namespace probetest {

QString testDir() {
    return QStringLiteral(PROBE_TEST_DIR);
}

QString standinPath(const QString& file) {
    return testDir() + QLatin1Char('/') + file;
}

Standin::Standin(const QString& path) : handle_(dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_NOLOAD)) {}

Standin::~Standin() {
    if (handle_ != nullptr)
        dlclose(handle_);
}

QStringList Standin::calls() const {
    using CountFn = int (*)();
    using CallFn = bool (*)(int, char*, int);
    const auto count = reinterpret_cast<CountFn>(dlsym(handle_, "RavStandin_callCount"));
    const auto call = reinterpret_cast<CallFn>(dlsym(handle_, "RavStandin_call"));
    QStringList list;
    if (count == nullptr || call == nullptr)
        return list;
    char buffer[256];
    for (int i = 0; i < count(); ++i) {
        if (call(i, buffer, sizeof buffer))
            list << QString::fromLatin1(buffer);
    }
    return list;
}

void Standin::setResult(const char* name, int code) const {
    using Fn = void (*)(const char*, int);
    if (const auto fn = reinterpret_cast<Fn>(dlsym(handle_, "RavStandin_setResult")))
        fn(name, code);
}

void Standin::reset() const {
    using Fn = void (*)();
    if (const auto fn = reinterpret_cast<Fn>(dlsym(handle_, "RavStandin_reset")))
        fn();
}

QStringList Standin::callsOf(const QString& name) const {
    QStringList list;
    for (const QString& call : calls()) {
        if (call.startsWith(name + QLatin1Char('(')))
            list << call;
    }
    return list;
}

void Standin::poke(int offset, const QByteArray& bytes) const {
    using Fn = void (*)(int32_t, const void*, int32_t);
    if (const auto fn = reinterpret_cast<Fn>(dlsym(handle_, "RavStandin_poke")))
        fn(offset, bytes.constData(), static_cast<int32_t>(bytes.size()));
}

QByteArray Standin::peek(int offset, int length) const {
    using Fn = void (*)(int32_t, void*, int32_t);
    QByteArray bytes(length, '\0');
    if (const auto fn = reinterpret_cast<Fn>(dlsym(handle_, "RavStandin_peek")))
        fn(offset, bytes.data(), length);
    return bytes;
}

void Standin::setMail(int16_t status, int sa) const {
    using Fn = void (*)(int16_t, int32_t);
    if (const auto fn = reinterpret_cast<Fn>(dlsym(handle_, "RavStandin_setMail")))
        fn(status, sa);
}

namespace {

QObject& pollers() {
    static QObject* owner = new QObject(qApp);
    return *owner;
}

}  // namespace

void stopPolling() {
    for (QTimer* timer : pollers().findChildren<QTimer*>(Qt::FindDirectChildrenOnly))
        delete timer;
}

QTimer* onNextModal(const std::function<bool(QWidget*)>& action) {
    auto* timer = new QTimer(&pollers());
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible())
            return;
        if (action(modal))
            timer->deleteLater();
    });
    timer->start();
    return timer;
}

}  // namespace probetest
