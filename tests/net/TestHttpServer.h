// A small HTTP server for the network tests and the download benchmark: it
// listens on 127.0.0.1 on a free port, captures each request head it receives
// and answers as a script says (bytes, pauses, a reset, silence); with TLS
// settings it speaks HTTPS with the certificate it is given.
#pragma once

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace verdane::test {

struct ServerStep {
    enum class Kind { Send, Delay, Reset, Hold, SendRepeated, TlsShutdown };
    Kind kind = Kind::Send;
    std::string bytes;       // Send, SendRepeated: the bytes (repeated up to `total`)
    int ms = 0;              // Delay
    long long total = 0;     // SendRepeated
};
using ServerScript = std::vector<ServerStep>;

// Script steps.
ServerStep Send(std::string bytes);
ServerStep Delay(int ms);            // a pause, so the answer arrives in several reads
ServerStep Reset();                  // SO_LINGER 0 and close: the client sees a reset
ServerStep Hold();                   // never answer (until the server stops)
ServerStep SendRepeated(std::string block, long long total);
// With TLS: sends close_notify and waits for the client's before it closes the
// connection (a two-way TLS shutdown); a client that never answers it is held
// until the server stops.
ServerStep TlsShutdown();

// A whole answer: status line, header lines, empty line, body.
std::string Answer(const std::string& statusLine, const std::vector<std::string>& headers, const std::string& body);

// TLS of the server: its certificate and key (PEM files) and the protocol
// versions it offers (0: OpenSSL's defaults), e.g. TLS1_1_VERSION.
struct TlsSettings {
    std::string certFile, keyFile;
    int minVersion = 0, maxVersion = 0;
};

class TestHttpServer {
public:
    TestHttpServer();
    explicit TestHttpServer(const TlsSettings& tls);
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    int Port() const { return port_; }
    // "http://127.0.0.1:PORT" + path ("https://" with TLS)
    std::string Url(const std::string& path) const;
    // The answer for a request path (the request-URI without scheme and host);
    // "*" answers every path without its own script.
    void On(const std::string& path, ServerScript script);
    // The request heads received so far, in order, each up to and including the empty line.
    std::vector<std::string> Requests() const;
    std::string LastRequest() const;
    // Bodies of POST requests, in order.
    std::vector<std::string> Bodies() const;
    void Stop();
    // With TLS: the server name each handshake asked for ("" without SNI), and
    // the reasons of the handshakes that failed.
    std::vector<std::string> ServerNames() const;
    std::vector<std::string> HandshakeErrors() const;
    // How many clients answered a TlsShutdown step's close_notify with their own.
    int CloseNotifiesReceived() const { return closeNotifies_; }

private:
    void Start();
    struct Connection;
    bool Receive(Connection& c, std::string& into);
    bool SendAll(Connection& c, const char* p, std::size_t n);
    bool WaitFor(int fd, short events, int ms) const;
    void AcceptLoop();
    void Serve(int fd);
    bool WaitReadable(int fd, int ms) const;  // false when stopping

    int listenFd_ = -1;
    int port_ = 0;
    int stopPipe_[2] = {-1, -1};
    std::atomic<bool> stopping_{false};
    std::atomic<int> closeNotifies_{0};
    mutable std::mutex mutex_;
    std::map<std::string, ServerScript> scripts_;
    std::vector<std::string> requests_;
    std::vector<std::string> bodies_;
    std::vector<std::string> serverNames_, handshakeErrors_;
    void* tls_ = nullptr;  // SSL_CTX
    std::thread acceptThread_;
    std::vector<std::thread> connections_;
};

}  // namespace verdane::test
