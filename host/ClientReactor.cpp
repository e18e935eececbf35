#include "host/ClientReactor.h"

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

ClientReactor::~ClientReactor()
{
    stop();
}

bool ClientReactor::start(std::string& error)
{
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

void ClientReactor::add(ravkern::KDevice& device, int socket)
{
    auto owned = std::make_unique<Connection>(device, socket);
    if (!owned->open())
        return;  // refused by the driver: the client sees its connection close
    Connection* connection = owned.get();
    {
        std::lock_guard lock(mutex_);
        connections_.emplace(connection, std::move(owned));
    }
    if (!watch(*connection, EPOLL_CTL_ADD))
        finish(connection);
}

bool ClientReactor::watch(Connection& connection, int operation)
{
    // One shot: after a report the socket is left alone until its control
    // is served.
    epoll_event event{};
    event.events = EPOLLIN | EPOLLRDHUP | EPOLLONESHOT;
    event.data.ptr = &connection;
    return epoll_ctl(epollFd_, operation, connection.socket(), &event) == 0;
}

void ClientReactor::run()
{
    epoll_event events[kEventsPerWait];
    for (;;) {
        int ready = epoll_wait(epollFd_, events, kEventsPerWait, -1);
        if (ready < 0 && errno != EINTR) {
            std::fprintf(stderr, "ravkernd: clients are no longer served: %s\n", std::strerror(errno));
            return;
        }
        for (int i = 0; i < ready; ++i) {
            auto* connection = static_cast<Connection*>(events[i].data.ptr);
            if (!connection)
                return;  // stop(): the connections left are closed there
            workers_.submit([this, connection] { serve(connection); });
        }
    }
}

void ClientReactor::serve(Connection* connection)
{
    if (!connection->serveOne() || !watch(*connection, EPOLL_CTL_MOD))
        finish(connection);
}

void ClientReactor::finish(Connection* connection)
{
    epoll_ctl(epollFd_, EPOLL_CTL_DEL, connection->socket(), nullptr);
    connection->close();
    std::lock_guard lock(mutex_);
    connections_.erase(connection);
}

void ClientReactor::stop()
{
    if (thread_.joinable()) {
        std::uint64_t one = 1;
        if (write(wakeFd_, &one, sizeof one) < 0)
            std::fprintf(stderr, "ravkernd: cannot wake the client reactor: %s\n", std::strerror(errno));
        thread_.join();
    }
    {
        std::lock_guard lock(mutex_);
        for (auto& entry : connections_)
            entry.first->shutdown();
    }
    // Controls under way, and those already handed out, end on their shut
    // sockets and close their files; the idle connections are closed here.
    workers_.stop();
    std::unordered_map<Connection*, std::unique_ptr<Connection>> idle;
    {
        std::lock_guard lock(mutex_);
        idle.swap(connections_);
    }
    for (auto& entry : idle)
        entry.first->close();
    idle.clear();
    for (int* fd : {&epollFd_, &wakeFd_}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

}  // namespace ravhost
