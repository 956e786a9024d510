#include "tests/support/DelayProxy.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;

struct Chunk {
    Clock::time_point due;
    std::string bytes;
};

// One direction of a connection: bytes read from `from` wait in `queue` until due.
struct Direction {
    int from = -1;
    int to = -1;
    std::deque<Chunk> queue;
    bool ended = false; // `from` closed
};

struct Pair {
    Direction up, down;
    bool closed = false;
};

void setNoDelay(int fd) {
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}
} // namespace

DelayProxy::DelayProxy(quint16 targetPort, int delayMs)
    : targetPort_(targetPort)
    , delayMs_(delayMs) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (bind(listener_, reinterpret_cast<sockaddr *>(&address), size) != 0 ||
        listen(listener_, 16) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr *>(&address), &size) != 0)
        return;
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
}

DelayProxy::~DelayProxy() {
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    if (listener_ >= 0)
        close(listener_);
}

void DelayProxy::serve() {
    std::vector<std::unique_ptr<Pair>> pairs;
    int cutsSeen = 0;
    const auto closePair = [](Pair &pair) {
        if (pair.closed)
            return;
        close(pair.up.from);
        close(pair.down.from);
        pair.closed = true;
    };
    while (!stop_) {
        if (const int cuts = cuts_.load(); cuts != cutsSeen) {
            cutsSeen = cuts;
            for (auto &pair : pairs)
                closePair(*pair);
        }
        std::erase_if(pairs, [](const auto &pair) { return pair->closed; });

        std::vector<pollfd> fds{{listener_, POLLIN, 0}};
        for (auto &pair : pairs)
            for (Direction *d : {&pair->up, &pair->down})
                fds.push_back({d->ended ? -1 : d->from, POLLIN, 0});
        // Wake for the next chunk that falls due, or at least every 10 ms for cut() and stop.
        int waitMs = 10;
        const Clock::time_point now = Clock::now();
        for (auto &pair : pairs)
            for (Direction *d : {&pair->up, &pair->down})
                if (!d->queue.empty()) {
                    const auto due = std::chrono::duration_cast<std::chrono::microseconds>(
                        d->queue.front().due - now);
                    waitMs =
                        std::min<int>(waitMs, int(std::max<qint64>(0, (due.count() + 999) / 1000)));
                }
        poll(fds.data(), fds.size(), waitMs);

        if (fds[0].revents & POLLIN) {
            const int client = accept(listener_, nullptr, nullptr);
            if (client >= 0) {
                const int server = socket(AF_INET, SOCK_STREAM, 0);
                sockaddr_in address{};
                address.sin_family = AF_INET;
                address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
                address.sin_port = htons(targetPort_);
                if (::connect(server, reinterpret_cast<sockaddr *>(&address), sizeof address) !=
                    0) {
                    close(server);
                    close(client);
                } else {
                    setNoDelay(client);
                    setNoDelay(server);
                    auto pair = std::make_unique<Pair>();
                    pair->up = {client, server, {}, false};
                    pair->down = {server, client, {}, false};
                    pairs.push_back(std::move(pair));
                }
            }
        }
        size_t index = 1;
        const Clock::time_point arrived = Clock::now();
        for (size_t p = 0; p < pairs.size() && index < fds.size(); ++p)
            for (Direction *d : {&pairs[p]->up, &pairs[p]->down}) {
                const pollfd &fd = fds[index++];
                if (fd.fd < 0 || !(fd.revents & (POLLIN | POLLHUP | POLLERR)))
                    continue;
                char buffer[65536];
                const ssize_t n = read(d->from, buffer, sizeof buffer);
                if (n <= 0)
                    d->ended = true;
                else
                    d->queue.push_back({arrived + std::chrono::milliseconds(delayMs_),
                                        std::string(buffer, size_t(n))});
            }
        const Clock::time_point sendTime = Clock::now();
        for (auto &pair : pairs) {
            for (Direction *d : {&pair->up, &pair->down}) {
                while (!d->queue.empty() && d->queue.front().due <= sendTime) {
                    const std::string &bytes = d->queue.front().bytes;
                    size_t done = 0;
                    while (done < bytes.size()) {
                        const ssize_t n = write(d->to, bytes.data() + done, bytes.size() - done);
                        if (n <= 0)
                            break;
                        done += size_t(n);
                    }
                    d->queue.pop_front();
                }
                // A side that ended is passed on once its last bytes went through.
                if (d->ended && d->queue.empty())
                    shutdown(d->to, SHUT_WR);
            }
            if (pair->up.ended && pair->down.ended && pair->up.queue.empty() &&
                pair->down.queue.empty())
                closePair(*pair);
        }
    }
    for (auto &pair : pairs)
        closePair(*pair);
}
