// Helpers of the network tests: the Qt application the components need, running
// the event loop until something happened, and counting open file descriptors.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <poll.h>

#include <algorithm>
#include <functional>

namespace verdane::test {

inline QCoreApplication& QtApp() {
    static int argc = 1;
    static char name[] = "verdane-net-test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// Runs the event loop until `done` holds or `timeoutMs` passed; returns `done()`.
// The loop sleeps while nothing happens (a timer wakes it at the deadline).
inline bool RunUntil(const std::function<bool()>& done, int timeoutMs = 20000) {
    QtApp();
    QElapsedTimer clock;
    clock.start();
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    while (!done() && clock.elapsed() < timeoutMs) {
        // A timer may fire a little early; then it is set again for the time left.
        if (!deadline.isActive()) deadline.start(static_cast<int>(std::max<qint64>(1, timeoutMs - clock.elapsed())));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return done();
}

// Handles every event already queued (posted messages), without waiting.
inline void DrainEvents() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

inline int OpenFdCount() {
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (dirent* entry = ::readdir(dir))
            if (entry->d_name[0] != '.') ++count;
        ::closedir(dir);
    }
    return count;
}

// A loopback port that nothing listens on (taken from the system, then released).
inline int FreePort() {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof sa;
    ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
    ::close(fd);
    return ntohs(sa.sin_port);
}

// Whether the count of open descriptors comes back to `count`. A name lookup
// thread that has just been cancelled may still hold the resolver's files for
// a moment, so the check allows it a few seconds.
inline bool FdCountReturnsTo(int count) {
    QElapsedTimer clock;
    clock.start();
    while (OpenFdCount() != count && clock.elapsed() < 5000) ::poll(nullptr, 0, 10);
    return OpenFdCount() == count;
}

}  // namespace verdane::test
