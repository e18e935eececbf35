// Serves the host's client connections: one thread waits on every client
// socket and hands each request that arrives to a worker, so an idle
// connection costs a socket and a few hundred bytes, never a thread.
#pragma once

#include "host/Connection.h"
#include "host/KernelObjects.h"
#include "host/WorkerPool.h"

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

namespace ravhost {

class ClientReactor {
public:
    ClientReactor() = default;
    ~ClientReactor();  // stop()
    ClientReactor(const ClientReactor&) = delete;
    ClientReactor& operator=(const ClientReactor&) = delete;

    bool start(std::string& error);
    // Takes over `socket`, a new client of `device`: file create, then its
    // controls as they come. Not while stop() runs.
    void add(ravkern::KDevice& device, int socket);
    // Ends every connection, file close included, and joins every thread.
    void stop();

private:
    struct Client {
        Client(ravkern::KDevice& device, int socket) : connection(device, socket) {}
        Connection connection;
        // Held by the worker serving it. The next worker waits until the
        // last one has let go: epoll's report of the re-armed socket alone
        // orders nothing between the two.
        std::mutex turn;
    };

    void run();
    // One control of `client`, on a worker; one at a time per client, since
    // its socket is watched again only afterwards.
    void serve(Client* client);
    bool watch(Client& client, int operation);
    void finish(Client* client);

    int epollFd_ = -1;
    int wakeFd_ = -1;
    std::thread thread_;
    WorkerPool workers_;
    std::mutex mutex_;
    std::unordered_map<Client*, std::unique_ptr<Client>> clients_;
};

}  // namespace ravhost
