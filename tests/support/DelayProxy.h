#pragma once

#include <QtGlobal>

#include <atomic>
#include <thread>

// A loopback TCP proxy that holds every byte for a set time in each direction, as a slow link
// does; cut() drops the connections it carries, as a broken network would. It runs in a thread
// of its own and keeps accepting new connections after a cut.
class DelayProxy {
public:
    DelayProxy(quint16 targetPort, int delayMs);
    ~DelayProxy();
    DelayProxy(const DelayProxy &) = delete;
    DelayProxy &operator=(const DelayProxy &) = delete;

    // The port clients connect to; 0 when the proxy could not listen.
    quint16 port() const { return port_; }
    // Closes every connection carried so far.
    void cut() { cuts_.fetch_add(1); }

private:
    void serve();

    quint16 targetPort_;
    int delayMs_;
    int listener_ = -1;
    quint16 port_ = 0;
    std::atomic<int> cuts_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};
