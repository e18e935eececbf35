// ravkernd: the device host. Serves one device per simulated board until
// SIGTERM or SIGINT; as `ravkernd status` and the like, a client of a
// running host's control socket.
#include "host/ControlSocket.h"
#include "host/DeviceHost.h"
#include "host/Options.h"

#include <csignal>
#include <cstdio>
#include <pthread.h>
#include <sys/resource.h>

namespace {

// Each client connection is a descriptor: as many as the system lets us.
void raiseDescriptorLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && ravhost::isControlCommand(argv[1]))
        return ravhost::runControlCommand(argc, argv);
    ravhost::HostConfig config;
    std::string message;
    switch (ravhost::parseOptions(argc, argv, config, message)) {
    case ravhost::ParseResult::Help: std::fputs(ravhost::kUsage, stdout); return 0;
    case ravhost::ParseResult::Bad:
        std::fprintf(stderr, "ravkernd: %s\n%s", message.c_str(), ravhost::kUsage);
        return 2;
    case ravhost::ParseResult::Run: break;
    }

    // Every thread inherits this mask; the main thread takes the signals.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    raiseDescriptorLimit();

    ravhost::DeviceHost host(config);
    std::string error;
    if (!host.start(error)) {
        std::fprintf(stderr, "ravkernd: %s\n", error.c_str());
        return 1;
    }
    std::fputs("ready\n", stdout);
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    host.stop();
    return 0;
}
