#include "TestHttpServer.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <cstring>
#include <stdexcept>

namespace verdane::test {

ServerStep Send(std::string bytes) {
    ServerStep s;
    s.kind = ServerStep::Kind::Send;
    s.bytes = std::move(bytes);
    return s;
}
ServerStep Delay(int ms) {
    ServerStep s;
    s.kind = ServerStep::Kind::Delay;
    s.ms = ms;
    return s;
}
ServerStep Reset() {
    ServerStep s;
    s.kind = ServerStep::Kind::Reset;
    return s;
}
ServerStep Hold() {
    ServerStep s;
    s.kind = ServerStep::Kind::Hold;
    return s;
}
ServerStep TlsShutdown() {
    ServerStep s;
    s.kind = ServerStep::Kind::TlsShutdown;
    return s;
}

ServerStep SendRepeated(std::string block, long long total) {
    ServerStep s;
    s.kind = ServerStep::Kind::SendRepeated;
    s.bytes = std::move(block);
    s.total = total;
    return s;
}

std::string Answer(const std::string& statusLine, const std::vector<std::string>& headers, const std::string& body) {
    std::string out = statusLine + "\r\n";
    for (const auto& h : headers) out += h + "\r\n";
    return out + "\r\n" + body;
}

TestHttpServer::TestHttpServer(const TlsSettings& tls) {
    SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
    if (tls.minVersion != 0 || tls.maxVersion != 0) {
        // Old protocol versions need the lowest security level of this OpenSSL.
        SSL_CTX_set_security_level(ctx, 0);
        SSL_CTX_set_cipher_list(ctx, "DEFAULT:@SECLEVEL=0");
    }
    if (tls.minVersion != 0) SSL_CTX_set_min_proto_version(ctx, tls.minVersion);
    if (tls.maxVersion != 0) SSL_CTX_set_max_proto_version(ctx, tls.maxVersion);
    if (SSL_CTX_use_certificate_file(ctx, tls.certFile.c_str(), SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_use_PrivateKey_file(ctx, tls.keyFile.c_str(), SSL_FILETYPE_PEM) != 1) {
        SSL_CTX_free(ctx);
        throw std::runtime_error("test server: can't load " + tls.certFile);
    }
    tls_ = ctx;
    Start();
}

TestHttpServer::TestHttpServer() { Start(); }

void TestHttpServer::Start() {
    // OpenSSL writes with plain write(): a client that went away must not end the tests.
    ::signal(SIGPIPE, SIG_IGN);
    if (::pipe2(stopPipe_, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sa.sin_port = 0;
    socklen_t len = sizeof sa;
    if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
        ::listen(listenFd_, 64) != 0 || ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&sa), &len) != 0)
        throw std::runtime_error("test server cannot listen");
    port_ = ntohs(sa.sin_port);
    acceptThread_ = std::thread([this] { AcceptLoop(); });
}

TestHttpServer::~TestHttpServer() { Stop(); }

void TestHttpServer::Stop() {
    if (stopping_.exchange(true)) return;
    char c = 'x';
    (void)!::write(stopPipe_[1], &c, 1);
    if (acceptThread_.joinable()) acceptThread_.join();
    for (auto& t : connections_)
        if (t.joinable()) t.join();
    ::close(listenFd_);
    ::close(stopPipe_[0]);
    ::close(stopPipe_[1]);
    if (tls_) SSL_CTX_free(static_cast<SSL_CTX*>(tls_));
    tls_ = nullptr;
}

std::vector<std::string> TestHttpServer::ServerNames() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return serverNames_;
}

std::vector<std::string> TestHttpServer::HandshakeErrors() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return handshakeErrors_;
}

std::string TestHttpServer::Url(const std::string& path) const {
    return (tls_ ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(port_) + path;
}

void TestHttpServer::On(const std::string& path, ServerScript script) {
    std::lock_guard<std::mutex> lock(mutex_);
    scripts_[path] = std::move(script);
}

std::vector<std::string> TestHttpServer::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

std::string TestHttpServer::LastRequest() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_.empty() ? std::string() : requests_.back();
}

std::vector<std::string> TestHttpServer::Bodies() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return bodies_;
}

bool TestHttpServer::WaitFor(int fd, short events, int ms) const {
    pollfd fds[2] = {{fd, events, 0}, {stopPipe_[0], POLLIN, 0}};
    while (::poll(fds, 2, ms) < 0 && errno == EINTR) {}
    return !(fds[1].revents & POLLIN) && !stopping_;
}

bool TestHttpServer::WaitReadable(int fd, int ms) const {
    pollfd fds[2] = {{fd, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
    int n = fd >= 0 ? 2 : 1;
    pollfd* first = fd >= 0 ? fds : fds + 1;
    while (::poll(first, static_cast<nfds_t>(n), ms) < 0 && errno == EINTR) {}
    return !(fds[1].revents & POLLIN) && !stopping_;
}

void TestHttpServer::AcceptLoop() {
    for (;;) {
        if (!WaitReadable(listenFd_, -1)) return;
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        connections_.emplace_back([this, fd] { Serve(fd); });
    }
}

namespace {

std::string RequestPath(const std::string& head) {
    std::size_t a = head.find(' ');
    std::size_t b = head.find(' ', a + 1);
    if (a == std::string::npos || b == std::string::npos) return {};
    std::string path = head.substr(a + 1, b - a - 1);
    // An absolute request-URI (a proxied request) names the same path.
    if (auto scheme = path.find("://"); scheme != std::string::npos) {
        auto slash = path.find('/', scheme + 3);
        path = slash == std::string::npos ? "/" : path.substr(slash);
    }
    return path;
}

}  // namespace

struct TestHttpServer::Connection {
    int fd = -1;
    SSL* ssl = nullptr;
    ~Connection() {
        if (ssl) SSL_free(ssl);
        if (fd >= 0) ::close(fd);
    }
};

// Some bytes of the request; false when the connection or the server ended.
bool TestHttpServer::Receive(Connection& c, std::string& into) {
    char buffer[65536];
    if (!c.ssl) {
        if (!WaitReadable(c.fd, -1)) return false;
        ssize_t got = ::recv(c.fd, buffer, sizeof buffer, 0);
        if (got <= 0) return false;
        into.append(buffer, static_cast<std::size_t>(got));
        return true;
    }
    for (;;) {
        int got = SSL_read(c.ssl, buffer, sizeof buffer);
        if (got > 0) {
            into.append(buffer, static_cast<std::size_t>(got));
            return true;
        }
        int status = SSL_get_error(c.ssl, got);
        if (status == SSL_ERROR_WANT_READ && WaitFor(c.fd, POLLIN, -1)) continue;
        if (status == SSL_ERROR_WANT_WRITE && WaitFor(c.fd, POLLOUT, -1)) continue;
        return false;
    }
}

bool TestHttpServer::SendAll(Connection& c, const char* p, std::size_t n) {
    while (n > 0) {
        if (c.ssl) {
            int put = SSL_write(c.ssl, p, static_cast<int>(std::min<std::size_t>(n, 1 << 20)));
            if (put <= 0) {
                int status = SSL_get_error(c.ssl, put);
                if (status == SSL_ERROR_WANT_WRITE && WaitFor(c.fd, POLLOUT, -1)) continue;
                if (status == SSL_ERROR_WANT_READ && WaitFor(c.fd, POLLIN, -1)) continue;
                return false;
            }
            p += put;
            n -= static_cast<std::size_t>(put);
            continue;
        }
        ssize_t put = ::send(c.fd, p, n, MSG_NOSIGNAL);
        if (put < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += put;
        n -= static_cast<std::size_t>(put);
    }
    return true;
}

void TestHttpServer::Serve(int fd) {
    Connection c;
    c.fd = fd;
    if (tls_) {
        // The handshake waits for the client without blocking the server's end.
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        c.ssl = SSL_new(static_cast<SSL_CTX*>(tls_));
        SSL_set_fd(c.ssl, fd);
        for (;;) {
            ERR_clear_error();
            int rc = SSL_accept(c.ssl);
            if (rc == 1) break;
            int status = SSL_get_error(c.ssl, rc);
            if (status == SSL_ERROR_WANT_READ && WaitFor(fd, POLLIN, -1)) continue;
            if (status == SSL_ERROR_WANT_WRITE && WaitFor(fd, POLLOUT, -1)) continue;
            unsigned long code = ERR_get_error();
            const char* reason = code ? ERR_reason_error_string(code) : nullptr;
            std::lock_guard<std::mutex> lock(mutex_);
            handshakeErrors_.push_back(reason ? reason : "handshake failed");
            return;
        }
        const char* name = SSL_get_servername(c.ssl, TLSEXT_NAMETYPE_host_name);
        std::lock_guard<std::mutex> lock(mutex_);
        serverNames_.push_back(name ? name : "");
    }
    std::string head;
    std::size_t end;
    while ((end = head.find("\r\n\r\n")) == std::string::npos) {
        if (head.size() > (1u << 20) || !Receive(c, head)) return;
    }
    std::string body = head.substr(end + 4);
    head.resize(end + 4);
    // A POST body as its Content-Length announces.
    if (auto cl = head.find("Content-Length: "); cl != std::string::npos) {
        std::size_t want = std::stoul(head.substr(cl + 16));
        while (body.size() < want)
            if (!Receive(c, body)) break;
    }
    ServerScript script;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(head);
        if (head.rfind("POST ", 0) == 0) bodies_.push_back(body);
        auto it = scripts_.find(RequestPath(head));
        if (it == scripts_.end()) it = scripts_.find("*");
        if (it != scripts_.end()) script = it->second;
        else script = {Send(Answer("HTTP/1.0 404 Not Found", {}, ""))};
    }
    for (const auto& step : script) {
        switch (step.kind) {
        case ServerStep::Kind::Send:
            if (!SendAll(c, step.bytes.data(), step.bytes.size())) return;
            break;
        case ServerStep::Kind::SendRepeated: {
            long long left = step.total;
            while (left > 0) {
                std::size_t n = static_cast<std::size_t>(std::min<long long>(left, static_cast<long long>(step.bytes.size())));
                if (!SendAll(c, step.bytes.data(), n)) return;
                left -= static_cast<long long>(n);
            }
            break;
        }
        case ServerStep::Kind::Delay:
            if (!WaitReadable(-1, step.ms)) return;
            break;
        case ServerStep::Kind::Reset: {
            linger l{1, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
            return;
        }
        case ServerStep::Kind::Hold:
            WaitReadable(-1, -1);
            return;
        case ServerStep::Kind::TlsShutdown: {
            if (!c.ssl) return;
            // The first call sends close_notify; the next ones wait for the peer's.
            for (;;) {
                ERR_clear_error();
                int rc = SSL_shutdown(c.ssl);
                if (rc == 1) {
                    ++closeNotifies_;
                    break;
                }
                if (rc == 0) continue;
                int status = SSL_get_error(c.ssl, rc);
                if (status == SSL_ERROR_WANT_READ && WaitFor(fd, POLLIN, -1)) continue;
                if (status == SSL_ERROR_WANT_WRITE && WaitFor(fd, POLLOUT, -1)) continue;
                // The peer closed without close_notify: hold, as a server waiting for it would.
                WaitReadable(-1, -1);
                return;
            }
            // The connection stays open until the client ends it.
            char rest[4096];
            while (WaitReadable(fd, -1) && ::recv(fd, rest, sizeof rest, 0) > 0) {}
            return;
        }
        }
    }
    if (c.ssl) SSL_shutdown(c.ssl);  // the TLS end of the stream, then the connection's
    ::shutdown(fd, SHUT_WR);
    // Let the client read everything and close first, so no reset overtakes the data.
    char buffer[4096];
    while (WaitReadable(fd, 10000)) {
        ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) break;
    }
}

}  // namespace verdane::test
