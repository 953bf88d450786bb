// Debian's tinyproxy as the HTTP proxy of the tests: started in the foreground
// on a free loopback port with Basic authentication (user "proxyuser",
// password "s3cret"), stopped when the object goes. Used by the network tests
// and the download window's tests.
#pragma once

#include "NetTestSupport.h"
#include "TestSupport.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <string>
#include <vector>

extern char** environ;

namespace verdane::test {

inline const char* const kTinyproxy = "/usr/bin/tinyproxy";

inline bool Accepts(int port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sa.sin_port = htons(static_cast<std::uint16_t>(port));
    bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
    ::close(fd);
    return ok;
}

// tinyproxy in the foreground with its own configuration, log and port.
class Tinyproxy {
public:
    // `connectPort`: the one port CONNECT may reach (0: no CONNECT line).
    explicit Tinyproxy(const TempDir& dir, int connectPort = 0) {
        port_ = FreePort();
        std::string conf = dir.File("tinyproxy.conf");
        log_ = dir.File("tinyproxy.log");
        WriteFile(conf, "Port " + std::to_string(port_) +
                            "\nListen 127.0.0.1\nTimeout 30\nMaxClients 20\n"
                            "LogFile \"" + log_ + "\"\nLogLevel Info\nAllow 127.0.0.1\n"
                            "BasicAuth proxyuser s3cret\nDisableViaHeader Yes\n" +
                            (connectPort ? "ConnectPort " + std::to_string(connectPort) + "\n" : ""));
        std::vector<std::string> args = {kTinyproxy, "-d", "-c", conf};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (::posix_spawn(&pid_, kTinyproxy, nullptr, nullptr, argv.data(), environ) != 0) pid_ = -1;
        // Wait until it listens (it starts in a few milliseconds; allow a loaded machine 20 s).
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (pid_ > 0 && !Accepts(port_) && std::chrono::steady_clock::now() < deadline) {
            int status;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;  // it refused to start; the log says why
                break;
            }
            ::poll(nullptr, 0, 20);
        }
    }
    ~Tinyproxy() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        int status;
        ::waitpid(pid_, &status, 0);
    }
    int Port() const { return port_; }
    bool Running() const { return pid_ > 0 && Accepts(port_); }
    std::string Log() const { return FileExists(log_) ? ReadFile(log_) : ""; }

private:
    pid_t pid_ = -1;
    int port_ = 0;
    std::string log_;
};

}  // namespace verdane::test
