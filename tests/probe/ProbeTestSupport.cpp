#include "ProbeTestSupport.h"

#include <QApplication>
#include <QFile>
#include <QTimer>

#include <dlfcn.h>

#include <memory>

namespace probetest {

QString testDir() { return QStringLiteral(PROBE_TEST_DIR); }

QString standinPath(const QString& file) { return testDir() + QLatin1Char('/') + file; }

Standin::Standin(const QString& path)
    : handle_(dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_NOLOAD)) {}

Standin::~Standin() {
  if (handle_ != nullptr) dlclose(handle_);
}

QStringList Standin::calls() const {
  using CountFn = int (*)();
  using CallFn = bool (*)(int, char*, int);
  const auto count = reinterpret_cast<CountFn>(dlsym(handle_, "RavStandin_callCount"));
  const auto call = reinterpret_cast<CallFn>(dlsym(handle_, "RavStandin_call"));
  QStringList list;
  if (count == nullptr || call == nullptr) return list;
  char buffer[128];
  for (int i = 0; i < count(); ++i) {
    if (call(i, buffer, sizeof buffer)) list << QString::fromLatin1(buffer);
  }
  return list;
}

void Standin::setResult(const char* name, int code) const {
  using Fn = void (*)(const char*, int);
  if (const auto fn = reinterpret_cast<Fn>(dlsym(handle_, "RavStandin_setResult"))) fn(name, code);
}

void Standin::reset() const {
  using Fn = void (*)();
  if (const auto fn = reinterpret_cast<Fn>(dlsym(handle_, "RavStandin_reset"))) fn();
}

namespace {

QObject& pollers() {
  static QObject* owner = new QObject(qApp);
  return *owner;
}

}  // namespace

void stopPolling() {
  for (QTimer* timer : pollers().findChildren<QTimer*>(Qt::FindDirectChildrenOnly)) delete timer;
}

QTimer* onNextModal(const std::function<bool(QWidget*)>& action) {
  auto* timer = new QTimer(&pollers());
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, action] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible()) return;
    if (action(modal)) timer->deleteLater();
  });
  timer->start();
  return timer;
}

}  // namespace probetest
