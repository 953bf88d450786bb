// A small HTTP server for the network tests and the download benchmark: it
// listens on 127.0.0.1 on a free port, captures each request head it receives
// and answers as a script says (bytes, pauses, a reset, silence).
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
    enum class Kind { Send, Delay, Reset, Hold, SendRepeated };
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

// A whole answer: status line, header lines, empty line, body.
std::string Answer(const std::string& statusLine, const std::vector<std::string>& headers, const std::string& body);

class TestHttpServer {
public:
    TestHttpServer();
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    int Port() const { return port_; }
    // "http://127.0.0.1:PORT" + path
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

private:
    void AcceptLoop();
    void Serve(int fd);
    bool WaitReadable(int fd, int ms) const;  // false when stopping

    int listenFd_ = -1;
    int port_ = 0;
    int stopPipe_[2] = {-1, -1};
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::map<std::string, ServerScript> scripts_;
    std::vector<std::string> requests_;
    std::vector<std::string> bodies_;
    std::thread acceptThread_;
    std::vector<std::thread> connections_;
};

}  // namespace verdane::test
