#include "host/ClientReactor.h"
#include "sim/Interrupted.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace ravhost {

namespace {

constexpr int kEventsPerWait = 64;

}  // namespace

ClientReactor::~ClientReactor() {
    stop();
}

bool ClientReactor::start(std::string& error) {
    epollFd_ = epoll_create1(EPOLL_CLOEXEC);
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    epoll_event wake{};
    wake.events = EPOLLIN;
    wake.data.ptr = nullptr;
    if (epollFd_ < 0 || wakeFd_ < 0 || epoll_ctl(epollFd_, EPOLL_CTL_ADD, wakeFd_, &wake) != 0) {
        error = std::string("client reactor: ") + std::strerror(errno);
        return false;
    }
    thread_ = std::thread([this] { run(); });
    return true;
}

void ClientReactor::add(ravkern::KDevice& device, int socket) {
    auto owned = std::make_unique<Client>(device, socket);
    if (!owned->connection.open())
        return;  // refused by the driver: the client sees its connection close
    Client* client = owned.get();
    {
        std::lock_guard lock(mutex_);
        clients_.emplace(client, std::move(owned));
    }
    if (!watch(*client, EPOLL_CTL_ADD))
        finish(client);
}

bool ClientReactor::watch(Client& client, int operation) {
    // One shot: after a report the socket is left alone until its control
    // is served.
    epoll_event event{};
    event.events = EPOLLIN | EPOLLRDHUP | EPOLLONESHOT;
    event.data.ptr = &client;
    return epoll_ctl(epollFd_, operation, client.connection.socket(), &event) == 0;
}

void ClientReactor::run() {
    epoll_event events[kEventsPerWait];
    for (;;) {
        int ready = ravsim::retryInterrupted([&] { return epoll_wait(epollFd_, events, kEventsPerWait, -1); });
        if (ready < 0) {
            std::fprintf(stderr, "ravkernd: clients are no longer served: %s\n", std::strerror(errno));
            return;
        }
        for (int i = 0; i < ready; ++i) {
            auto* client = static_cast<Client*>(events[i].data.ptr);
            if (!client)
                return;  // stop(): the clients left are closed there
            // Out of threads, the control is served here, holding up the
            // others meanwhile.
            if (!workers_.submit([this, client] { serve(client); }))
                serve(client);
        }
    }
}

void ClientReactor::serve(Client* client) {
    bool more;
    {
        std::lock_guard turn(client->turn);
        more = client->connection.serveOne() && watch(*client, EPOLL_CTL_MOD);
    }
    if (!more)
        finish(client);
}

void ClientReactor::finish(Client* client) {
    epoll_ctl(epollFd_, EPOLL_CTL_DEL, client->connection.socket(), nullptr);
    client->connection.close();
    std::lock_guard lock(mutex_);
    clients_.erase(client);
}

void ClientReactor::stop() {
    if (thread_.joinable()) {
        std::uint64_t one = 1;
        if (write(wakeFd_, &one, sizeof one) < 0)
            std::fprintf(stderr, "ravkernd: cannot wake the client reactor: %s\n", std::strerror(errno));
        thread_.join();
    }
    {
        std::lock_guard lock(mutex_);
        for (auto& entry : clients_)
            entry.first->connection.shutdown();
    }
    // Controls under way, and those already handed out, end on their shut
    // sockets and close their files; the idle connections are closed here.
    workers_.stop();
    std::unordered_map<Client*, std::unique_ptr<Client>> idle;
    {
        std::lock_guard lock(mutex_);
        idle.swap(clients_);
    }
    for (auto& entry : idle)
        entry.first->connection.close();
    idle.clear();
    for (int* fd : {&epollFd_, &wakeFd_}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

}  // namespace ravhost
