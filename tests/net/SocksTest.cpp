// The socket's SOCKS client against a small SOCKS 4A/5 server of the test,
// which relays to the scripted HTTP server on 127.0.0.1.
#include "NetTestSupport.h"
#include "TestHttpServer.h"
#include "WSocket.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <thread>

using namespace verdane;
using namespace verdane::test;

namespace {

bool ReadExactly(int fd, void* buffer, std::size_t n) {
    auto* p = static_cast<char*>(buffer);
    while (n > 0) {
        ssize_t got = ::recv(fd, p, n, 0);
        if (got <= 0) return false;
        p += got;
        n -= static_cast<std::size_t>(got);
    }
    return true;
}

std::string ReadUntilNul(int fd) {
    std::string s;
    char c;
    while (ReadExactly(fd, &c, 1) && c != '\0') s += c;
    return s;
}

// One connection: the SOCKS handshake (user "user", password "pass" for level
// 5), then a relay to 127.0.0.1 at the port the client asked for.
class MiniSocksServer {
public:
    MiniSocksServer() {
        listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof sa;
        ::bind(listenFd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
        ::listen(listenFd_, 4);
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&sa), &len);
        port_ = ntohs(sa.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~MiniSocksServer() {
        ::shutdown(listenFd_, SHUT_RDWR);
        thread_.join();
        ::close(listenFd_);
    }
    int Port() const { return port_; }
    std::string requestedHost;
    std::string requestedAddress;  // level 4: the address of the request

private:
    void Serve() {
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) return;
        int target = Handshake(fd);
        if (target >= 0) Relay(fd, target);
        ::close(fd);
        if (target >= 0) ::close(target);
    }

    int Connect(std::uint16_t portNetworkOrder) {
        int t = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        sa.sin_port = portNetworkOrder;
        if (::connect(t, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
            ::close(t);
            return -1;
        }
        return t;
    }

    int Handshake(int fd) {
        unsigned char head[2];
        if (!ReadExactly(fd, head, 2)) return -1;
        if (head[0] == 4) {
            unsigned char rest[6];
            if (!ReadExactly(fd, rest, 6)) return -1;
            ReadUntilNul(fd);  // user id
            std::uint16_t port;
            std::memcpy(&port, rest, 2);
            requestedAddress = std::to_string(rest[2]) + "." + std::to_string(rest[3]) + "." + std::to_string(rest[4]) +
                               "." + std::to_string(rest[5]);
            if (rest[2] == 0 && rest[3] == 0 && rest[4] == 0 && rest[5] != 0) requestedHost = ReadUntilNul(fd);
            int t = Connect(port);
            unsigned char reply[8] = {0, static_cast<unsigned char>(t >= 0 ? 90 : 91), 0, 0, 0, 0, 0, 0};
            ::send(fd, reply, 8, MSG_NOSIGNAL);
            return t;
        }
        std::string methods(head[1], '\0');
        if (!ReadExactly(fd, methods.data(), methods.size())) return -1;
        bool auth = methods.find('\x02') != std::string::npos;
        unsigned char choice[2] = {5, static_cast<unsigned char>(auth ? 2 : 0xFF)};
        ::send(fd, choice, 2, MSG_NOSIGNAL);
        if (!auth) return -1;
        unsigned char ver[2];
        if (!ReadExactly(fd, ver, 2)) return -1;
        std::string user(ver[1], '\0');
        ReadExactly(fd, user.data(), user.size());
        unsigned char plen;
        ReadExactly(fd, &plen, 1);
        std::string pass(plen, '\0');
        ReadExactly(fd, pass.data(), pass.size());
        bool ok = user == "user" && pass == "pass";
        unsigned char status[2] = {1, static_cast<unsigned char>(ok ? 0 : 1)};
        ::send(fd, status, 2, MSG_NOSIGNAL);
        if (!ok) return -1;
        unsigned char req[4];
        if (!ReadExactly(fd, req, 4)) return -1;
        if (req[3] == 3) {
            unsigned char n;
            ReadExactly(fd, &n, 1);
            requestedHost.assign(n, '\0');
            ReadExactly(fd, requestedHost.data(), n);
        } else {
            unsigned char a[4];
            ReadExactly(fd, a, 4);
        }
        std::uint16_t port;
        ReadExactly(fd, &port, 2);
        int t = Connect(port);
        unsigned char reply[10] = {5, static_cast<unsigned char>(t >= 0 ? 0 : 5), 0, 1, 127, 0, 0, 1, 0, 0};
        ::send(fd, reply, 10, MSG_NOSIGNAL);
        return t;
    }

    static void Relay(int a, int b) {
        char buffer[4096];
        for (;;) {
            pollfd fds[2] = {{a, POLLIN, 0}, {b, POLLIN, 0}};
            if (::poll(fds, 2, 10000) <= 0) return;
            for (int i = 0; i < 2; ++i) {
                if (!fds[i].revents) continue;
                ssize_t got = ::recv(fds[i].fd, buffer, sizeof buffer, 0);
                if (got <= 0) return;
                ::send(fds[1 - i].fd, buffer, static_cast<std::size_t>(got), MSG_NOSIGNAL);
            }
        }
    }

    int listenFd_ = -1;
    int port_ = 0;
    std::thread thread_;
};

struct SocksRun {
    std::string answer;
    std::vector<int> connectErrors;
    std::string socksError;
};

SocksRun FetchThroughSocks(const std::string& level, const std::string& password, const std::string& target,
                           int targetPort, int socksPort, const std::string& socksServer = "127.0.0.1") {
    QtApp();
    SocksRun run;
    TWSocket s;
    s.SetSocksServer(socksServer);
    s.SetSocksPort(std::to_string(socksPort));
    s.SetSocksLevel(level);
    s.SocksUsercode = "user";
    s.SocksPassword = password;
    s.SocksAuthentication = TSocksAuthentication::socksAuthenticateUsercode;
    bool closed = false;
    s.OnSessionConnected = [&](TCustomWSocket& sock, std::uint16_t e) {
        run.connectErrors.push_back(e);
        if (e == 0) sock.SendStr("GET /socks HTTP/1.0\r\n\r\n");
    };
    s.OnSocksError = [&](TCustomWSocket&, int, const std::string& msg) { run.socksError = msg; };
    s.OnDataAvailable = [&](TCustomWSocket& sock, std::uint16_t) { run.answer += sock.ReceiveStr(); };
    s.OnSessionClosed = [&](TCustomWSocket&, std::uint16_t) { closed = true; };
    s.SetAddr(target);
    s.SetPort(std::to_string(targetPort));
    s.Connect();
    RunUntil([&] { return closed; });
    return run;
}

TEST(Socks, Level5WithUserCodeReachesTheTargetByName) {
    TestHttpServer http;
    http.On("/socks", {Send("through socks")});
    MiniSocksServer socks;
    SocksRun run = FetchThroughSocks("5", "pass", "localhost", http.Port(), socks.Port());
    EXPECT_EQ(run.connectErrors, std::vector<int>{0});
    EXPECT_EQ(run.answer, "through socks");
    EXPECT_EQ(socks.requestedHost, "localhost");
}

TEST(Socks, Level4AHandsTheNameToTheServer) {
    TestHttpServer http;
    http.On("/socks", {Send("four a")});
    MiniSocksServer socks;
    SocksRun run = FetchThroughSocks("4A", "", "localhost", http.Port(), socks.Port());
    EXPECT_EQ(run.connectErrors, std::vector<int>{0});
    EXPECT_EQ(run.answer, "four a");
    EXPECT_EQ(socks.requestedHost, "localhost");
}

// Level 4 carries an address only: the target's name and the SOCKS server's
// are looked up off the event loop's thread before the request goes out.
TEST(Socks, Level4LooksUpTheTargetsNameWithoutBlocking) {
    TestHttpServer http;
    http.On("/socks", {Send("four")});
    MiniSocksServer socks;
    SocksRun run = FetchThroughSocks("4", "", "localhost", http.Port(), socks.Port(), "localhost");
    EXPECT_EQ(run.connectErrors, std::vector<int>{0});
    EXPECT_EQ(run.answer, "four");
    EXPECT_EQ(socks.requestedAddress, "127.0.0.1");
    EXPECT_EQ(socks.requestedHost, "");
    SocksRun unknown = FetchThroughSocks("4", "", "nohost..invalid", http.Port(), socks.Port());
    ASSERT_EQ(unknown.connectErrors.size(), 1u);
    EXPECT_NE(unknown.connectErrors[0], 0);
    EXPECT_EQ(unknown.socksError, "can't resolve the host 'nohost..invalid': Host not found (Error #11001)");
}

TEST(Socks, AWrongPasswordFailsTheConnection) {
    MiniSocksServer socks;
    SocksRun run = FetchThroughSocks("5", "wrong", "localhost", 1, socks.Port());
    ASSERT_EQ(run.connectErrors.size(), 1u);
    EXPECT_NE(run.connectErrors[0], 0);
    EXPECT_EQ(run.socksError, "socks authentication failed");
}

TEST(Socks, SettingsChangeOnlyWhileClosedAndLevelsAreChecked) {
    QtApp();
    TWSocket s;
    try {
        s.SetSocksLevel("3");
        FAIL();
    } catch (const ESocketException& e) {
        EXPECT_STREQ(e.what(), "Invalid socks level. Must be 4, 4A or 5.");
    }
    s.SetSocksServer("127.0.0.1");
    s.SetAddr("127.0.0.1");
    s.SetPort("80");
    s.SetProto("udp");
    try {
        s.Connect();
        FAIL();
    } catch (const ESocketException& e) {
        EXPECT_STREQ(e.what(), "tcp is the only protocol supported thru socks server");
    }
    try {
        s.Listen();
        FAIL();
    } catch (const ESocketException& e) {
        EXPECT_STREQ(e.what(), "Listening is not supported thru socks server");
    }
}

}  // namespace
