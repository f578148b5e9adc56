#include "shaping_relay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <fcntl.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <deque>
#include <list>
#include <optional>
#include <stdexcept>

namespace wayfarer::bench {

namespace {

using Clock = std::chrono::steady_clock;

// The bytes of one TCP segment of a 1500-byte Ethernet frame: the link is paced segment
// by segment, so a large write arrives as a stream, not all at once at its end.
constexpr std::size_t segmentBytes = 1448;

sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    return address;
}

void setNoDelay(int fd) {
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

struct Segment {
    Clock::time_point due;
    std::string bytes;
    std::size_t written = 0;
};

struct Connection;

// Registered with epoll for one socket of a connection.
struct Endpoint {
    Connection* connection = nullptr;
    bool isClient = false;
};

// One direction of a connection: what was read from `from` waits here until it is due
// at `to`.
struct Direction {
    int from = -1;
    int to = -1;
    std::deque<Segment> queue;
    std::size_t queued = 0;
    Clock::time_point linkFreeAt{};
    Clock::time_point notBefore{};
    bool fromEnded = false;   // `from` sent its FIN
    bool toShutDown = false;  // passed on to `to`
    bool blocked = false;     // `to` would not take more: waiting for EPOLLOUT
};

struct Connection {
    int client = -1;
    int server = -1;
    Endpoint clientEnd, serverEnd;
    Direction up, down;
    bool dead = false;
};

}

struct ShapingRelay::Impl {
    LinkProfile link;
    int targetPort = 0;
    int listener = -1;
    int epoll = -1;
    int timer = -1;
    int stop = -1;
    std::list<std::unique_ptr<Connection>> connections;
    std::atomic<std::uint64_t> bytesUp = 0, bytesDown = 0, accepted = 0;
    // Bytes held for one direction before its sender is no longer read: twice the path's
    // bandwidth-delay product, as a router's buffer, and never less than 256 KiB.
    std::size_t queueLimit = 0;

    Clock::duration serialization(std::size_t bytes) const {
        return std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(static_cast<double>(bytes) * 8.0 / link.bitsPerSecond));
    }

    void watch(int fd, Endpoint* endpoint, std::uint32_t events, int operation) {
        epoll_event event{};
        event.events = events;
        event.data.ptr = endpoint;
        epoll_ctl(epoll, operation, fd, &event);
    }

    // Reads from a socket while its direction has room, writes to it while something is
    // due and it is blocked.
    void updateInterest(Connection& connection) {
        const auto interest = [&](const Direction& reading, const Direction& writing) {
            std::uint32_t events = 0;
            if (!reading.fromEnded && reading.queued < queueLimit)
                events |= EPOLLIN;
            if (writing.blocked)
                events |= EPOLLOUT;
            return events;
        };
        watch(connection.client, &connection.clientEnd, interest(connection.up, connection.down), EPOLL_CTL_MOD);
        watch(connection.server, &connection.serverEnd, interest(connection.down, connection.up), EPOLL_CTL_MOD);
    }

    void accept() {
        while (true) {
            const int client = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (client < 0)
                return;
            const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            const sockaddr_in target = loopback(targetPort);
            if (server < 0 || ::connect(server, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) {
                ::close(client);
                if (server >= 0)
                    ::close(server);
                continue;
            }
            const int flags = fcntl(server, F_GETFL);
            fcntl(server, F_SETFL, flags | O_NONBLOCK);
            setNoDelay(client);
            setNoDelay(server);
            ++accepted;
            auto connection = std::make_unique<Connection>();
            connection->client = client;
            connection->server = server;
            connection->clientEnd = {connection.get(), true};
            connection->serverEnd = {connection.get(), false};
            connection->up.from = connection->down.to = client;
            connection->up.to = connection->down.from = server;
            // The client's first bytes go out once its SYN and the SYN-ACK have crossed.
            connection->up.notBefore = Clock::now() + link.roundTrip;
            watch(client, &connection->clientEnd, EPOLLIN, EPOLL_CTL_ADD);
            watch(server, &connection->serverEnd, EPOLLIN, EPOLL_CTL_ADD);
            connections.push_back(std::move(connection));
        }
    }

    void read(Connection& connection, Direction& direction) {
        char buffer[64 * 1024];
        while (direction.queued < queueLimit && !direction.fromEnded) {
            const ssize_t got = ::read(direction.from, buffer, sizeof buffer);
            if (got < 0) {
                if (errno != EAGAIN && errno != EWOULDBLOCK)
                    connection.dead = true;
                return;
            }
            if (got == 0) {
                direction.fromEnded = true;
                return;
            }
            const auto now = Clock::now();
            for (std::size_t at = 0; at < static_cast<std::size_t>(got); at += segmentBytes) {
                const std::size_t size = std::min(segmentBytes, static_cast<std::size_t>(got) - at);
                const auto start = std::max({now, direction.linkFreeAt, direction.notBefore});
                direction.linkFreeAt = start + serialization(size);
                direction.queue.push_back(Segment{direction.linkFreeAt + link.roundTrip / 2, std::string(buffer + at, size)});
                direction.queued += size;
            }
        }
    }

    void deliver(Connection& connection, Direction& direction, std::atomic<std::uint64_t>& counter,
                 Clock::time_point now) {
        while (!direction.blocked && !direction.queue.empty() && direction.queue.front().due <= now) {
            Segment& segment = direction.queue.front();
            const ssize_t wrote = ::send(direction.to, segment.bytes.data() + segment.written,
                                         segment.bytes.size() - segment.written, MSG_NOSIGNAL);
            if (wrote < 0) {
                if (errno == EAGAIN || errno == EWOULDBLOCK)
                    direction.blocked = true;
                else
                    connection.dead = true;
                return;
            }
            segment.written += static_cast<std::size_t>(wrote);
            counter += static_cast<std::uint64_t>(wrote);
            if (segment.written == segment.bytes.size()) {
                direction.queued -= segment.bytes.size();
                direction.queue.pop_front();
            }
        }
        if (direction.fromEnded && direction.queue.empty() && !direction.toShutDown) {
            ::shutdown(direction.to, SHUT_WR);
            direction.toShutDown = true;
        }
    }

    // When the next segment of any connection is due; nothing when none waits.
    std::optional<Clock::time_point> nextDue() const {
        std::optional<Clock::time_point> next;
        for (const auto& connection : connections)
            for (const Direction* direction : {&connection->up, &connection->down})
                if (!direction->blocked && !direction->queue.empty())
                    next = std::min(next.value_or(Clock::time_point::max()), direction->queue.front().due);
        return next;
    }

    void armTimer(std::optional<Clock::time_point> due) {
        itimerspec spec{};
        if (due) {
            // timerfd's CLOCK_MONOTONIC is steady_clock's on Linux.
            const auto since = due->time_since_epoch();
            const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(since);
            spec.it_value.tv_sec = seconds.count();
            spec.it_value.tv_nsec = std::chrono::duration_cast<std::chrono::nanoseconds>(since - seconds).count();
            if (spec.it_value.tv_sec == 0 && spec.it_value.tv_nsec == 0)
                spec.it_value.tv_nsec = 1;
        }
        timerfd_settime(timer, TFD_TIMER_ABSTIME, &spec, nullptr);
    }

    void close(Connection& connection) {
        epoll_ctl(epoll, EPOLL_CTL_DEL, connection.client, nullptr);
        epoll_ctl(epoll, EPOLL_CTL_DEL, connection.server, nullptr);
        ::close(connection.client);
        ::close(connection.server);
    }

    void run() {
        epoll_event events[64];
        while (true) {
            const auto now = Clock::now();
            for (auto& connection : connections) {
                deliver(*connection, connection->up, bytesUp, now);
                deliver(*connection, connection->down, bytesDown, now);
                if (connection->up.toShutDown && connection->down.toShutDown)
                    connection->dead = true;
            }
            std::erase_if(connections, [this](const std::unique_ptr<Connection>& connection) {
                if (connection->dead)
                    close(*connection);
                return connection->dead;
            });
            for (auto& connection : connections)
                updateInterest(*connection);
            armTimer(nextDue());

            const int count = epoll_wait(epoll, events, 64, -1);
            for (int i = 0; i < count; ++i) {
                void* source = events[i].data.ptr;
                if (source == &stop)
                    return;
                if (source == &listener) {
                    accept();
                    continue;
                }
                if (source == &timer) {
                    std::uint64_t expirations = 0;
                    static_cast<void>(::read(timer, &expirations, sizeof expirations));
                    continue;
                }
                auto& endpoint = *static_cast<Endpoint*>(source);
                Connection& connection = *endpoint.connection;
                if (connection.dead)
                    continue;
                Direction& reading = endpoint.isClient ? connection.up : connection.down;
                Direction& writing = endpoint.isClient ? connection.down : connection.up;
                if (events[i].events & EPOLLERR) {
                    connection.dead = true;
                    continue;
                }
                if (events[i].events & EPOLLOUT)
                    writing.blocked = false;
                if (events[i].events & (EPOLLIN | EPOLLHUP | EPOLLERR))
                    read(connection, reading);
            }
        }
    }
};

ShapingRelay::ShapingRelay(int targetPort, LinkProfile link) : link_(std::move(link)), impl_(std::make_unique<Impl>()) {
    Impl& impl = *impl_;
    impl.link = link_;
    impl.targetPort = targetPort;
    const double bandwidthDelay = link_.bitsPerSecond / 8.0 * std::chrono::duration<double>(link_.roundTrip).count();
    impl.queueLimit = std::max<std::size_t>(256 * 1024, static_cast<std::size_t>(2 * bandwidthDelay));
    impl.listener = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    if (impl.listener < 0 || ::bind(impl.listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(impl.listener, 64) != 0 ||
        ::getsockname(impl.listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("the relay cannot listen on loopback");
    port_ = ntohs(address.sin_port);
    impl.epoll = epoll_create1(EPOLL_CLOEXEC);
    impl.timer = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    impl.stop = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    for (int* fd : {&impl.listener, &impl.timer, &impl.stop}) {
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.ptr = fd;
        epoll_ctl(impl.epoll, EPOLL_CTL_ADD, *fd, &event);
    }
    thread_ = std::thread([this] { impl_->run(); });
}

ShapingRelay::~ShapingRelay() {
    const std::uint64_t one = 1;
    static_cast<void>(::write(impl_->stop, &one, sizeof one));
    thread_.join();
    for (auto& connection : impl_->connections)
        impl_->close(*connection);
    for (const int fd : {impl_->listener, impl_->timer, impl_->stop, impl_->epoll})
        ::close(fd);
}

ShapingRelay::Counters ShapingRelay::counters() const {
    return {impl_->bytesUp.load(), impl_->bytesDown.load(), impl_->accepted.load()};
}

}
