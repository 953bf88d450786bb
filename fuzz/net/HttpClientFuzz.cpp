// Fuzz target: the whole HTTP client, its answer parser, its connection code
// and its TLS layer, against a scripted server on 127.0.0.1. The input is the
// server's answer, sent in pieces split at points the input chooses, over
// plain TCP or TLS (a key and certificate made at start), ended by a close, a
// TLS close_notify or a reset. Every name resolves to 127.0.0.1 and a
// relocation to any other port is cancelled, so nothing leaves this machine.
// The request must end, never holding more body than the size limit, and a
// page that succeeded with a Content-Length has exactly that many bytes.
//
// Input: byte 0 the flags (bit 0 TLS, bit 1 HEAD, bit 2 a small size limit,
// bits 3-4 the end: close, close_notify then close, reset), byte 1 the seed
// of the split points, then the answer.
#include "HttpProt.h"
#include "WSocket.h"

#include <QCoreApplication>

#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

// A server context with a fresh P-256 key and a self-signed certificate.
SSL_CTX* ServerContext() {
    SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
    EVP_PKEY* key = EVP_EC_gen("P-256");
    X509* cert = X509_new();
    ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
    X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert), 3600L * 24 * 365);
    X509_set_pubkey(cert, key);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1,
                               0);
    X509_set_issuer_name(cert, name);
    X509_sign(cert, key, EVP_sha256());
    SSL_CTX_use_certificate(ctx, cert);
    SSL_CTX_use_PrivateKey(ctx, key);
    X509_free(cert);
    EVP_PKEY_free(key);
    return ctx;
}

struct Script {
    bool tls = false;
    int end = 0;  // 0 close, 1 close_notify then close, 2 reset
    std::uint8_t seed = 0;
    std::string answer;
};

// Waits until `fd` is ready for `events` or the run ends; false then.
bool WaitFor(int fd, short events, const std::atomic<bool>& stop) {
    for (int i = 0; i < 400 && !stop; ++i) {
        pollfd p{fd, events, 0};
        if (::poll(&p, 1, 5) > 0) return true;
    }
    return false;
}

void Serve(int fd, SSL_CTX* ctx, const Script& script, const std::atomic<bool>& stop) {
    SSL* ssl = nullptr;
    if (script.tls) {
        ssl = SSL_new(ctx);
        SSL_set_fd(ssl, fd);
        for (;;) {
            int rc = SSL_accept(ssl);
            if (rc == 1) break;
            int e = SSL_get_error(ssl, rc);
            if ((e == SSL_ERROR_WANT_READ && WaitFor(fd, POLLIN, stop)) ||
                (e == SSL_ERROR_WANT_WRITE && WaitFor(fd, POLLOUT, stop)))
                continue;
            SSL_free(ssl);
            ::close(fd);
            return;
        }
    }
    // The request head, up to its empty line.
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
        int got = ssl ? SSL_read(ssl, buffer, sizeof buffer) : static_cast<int>(::recv(fd, buffer, sizeof buffer, 0));
        if (got > 0) {
            head.append(buffer, static_cast<std::size_t>(got));
            continue;
        }
        bool again = ssl ? SSL_get_error(ssl, got) == SSL_ERROR_WANT_READ : (got < 0 && errno == EAGAIN);
        if (!again || !WaitFor(fd, POLLIN, stop)) break;
    }
    // The answer in pieces of 1 to 64 bytes (or larger ones for long answers),
    // each sent on its own.
    std::uint32_t state = script.seed * 2654435761u + 1;
    const std::size_t unit = script.answer.size() > 4096 ? script.answer.size() / 16 : 64;
    for (std::size_t at = 0; at < script.answer.size() && !stop;) {
        state = state * 1103515245u + 12345u;
        std::size_t n = std::min<std::size_t>(script.answer.size() - at, 1 + (state >> 8) % unit);
        const char* p = script.answer.data() + at;
        while (n > 0 && !stop) {
            int put = ssl ? SSL_write(ssl, p, static_cast<int>(n))
                          : static_cast<int>(::send(fd, p, n, MSG_NOSIGNAL));
            if (put > 0) {
                p += put;
                at += static_cast<std::size_t>(put);
                n -= static_cast<std::size_t>(put);
                continue;
            }
            bool again = ssl ? SSL_get_error(ssl, put) == SSL_ERROR_WANT_WRITE : (put < 0 && errno == EAGAIN);
            if (!again || !WaitFor(fd, POLLOUT, stop)) {
                at = script.answer.size();
                break;
            }
        }
        std::this_thread::yield();
    }
    if (script.end == 2) {
        linger l{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    } else if (ssl && script.end == 1) {
        SSL_shutdown(ssl);
    }
    if (ssl) SSL_free(ssl);
    ::close(fd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_http_client";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static SSL_CTX* ctx = ServerContext();
    static int listener = [] {
        // OpenSSL writes with plain write(): a client that went away is no signal.
        ::signal(SIGPIPE, SIG_IGN);
        // Every name is this machine: no lookup ever leaves it.
        verdane::SetHostResolver([](const std::string&, std::vector<std::uint32_t>& addresses) {
            addresses.push_back(htonl(INADDR_LOOPBACK));
            return 0;
        });
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
        ::listen(fd, 64);
        return fd;
    }();
    if (size < 2 || size > 200000) return 0;
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&sa), &len);
    const int port = ntohs(sa.sin_port);

    Script script;
    script.tls = data[0] & 1;
    script.end = (data[0] >> 3) % 3;
    script.seed = data[1];
    script.answer.assign(reinterpret_cast<const char*>(data + 2), size - 2);
    const bool head = data[0] & 2;
    const long long limit = (data[0] & 4) ? 4096 : verdane::kDefaultMaxBodySize;

    // The server takes every connection of this run (a relocation opens another).
    std::atomic<bool> stop{false};
    std::thread server([&] {
        std::vector<std::thread> connections;
        while (!stop) {
            pollfd p{listener, POLLIN, 0};
            if (::poll(&p, 1, 5) <= 0) continue;
            int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd < 0) continue;
            int on = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            connections.emplace_back([&, fd] { Serve(fd, ctx, script, stop); });
        }
        for (auto& t : connections) t.join();
    });

    long long received = 0;
    {
        verdane::THttpCli http;
        http.URL = std::string(script.tls ? "https" : "http") + "://fuzz.test:" + std::to_string(port) + "/page";
        http.SslVerifyPeer = false;  // the certificate is made here; the bytes after it are the point
        http.TimeoutMs = 1000;
        http.MaxBodySize = limit;
        http.OnDocData = [&](verdane::THttpCli&, const char*, int n) { received += n; };
        http.OnLocationChange = [&](verdane::THttpCli& h) {
            verdane::TUrlParts u = verdane::ParseURL(h.Location());
            if (u.Port != std::to_string(port)) h.Abort();
        };
        bool failed = false;
        try {
            if (head) http.Head();
            else http.Get();
        } catch (const verdane::EHttpException& e) {
            failed = true;
            // The exception's text is the failure text (up to a NUL byte a URL may hold).
            const std::string& text = http.FailureText();
            if (text.substr(0, text.find('\0')) != e.what()) std::abort();
        }
        if (http.State() != verdane::hsReady) std::abort();
        if (failed != http.Failed()) std::abort();
        if (received > limit) std::abort();
        if (!failed && !head && http.StatusCode() >= 200 && http.StatusCode() != 204 && http.StatusCode() != 304 &&
            http.ContentLength() >= 0 && received != http.ContentLength())
            std::abort();
    }
    stop = true;
    server.join();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return 0;
}
