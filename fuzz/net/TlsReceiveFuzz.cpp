// Fuzz target: arbitrary bytes as the server's side of a TLS handshake. The
// socket's TLS layer reads them through a real socket pair, driven by the event
// loop as ever; the handshake must fail cleanly (no valid certificate for the
// name can come from the input), and the socket must end closed.
#include "WSocket.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_net_tls_receive";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    if (size > 100000) return 0;  // more than the socket pair holds at once
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return 0;
    int handshakeResult = -1;
    bool closed = false;
    {
        verdane::TWSocket s;
        s.OnSslHandshakeDone = [&](verdane::TCustomWSocket&, std::uint16_t e) { handshakeResult = e; };
        s.OnSessionClosed = [&](verdane::TCustomWSocket&, std::uint16_t) { closed = true; };
        s.OnDataAvailable = [](verdane::TCustomWSocket& sock, std::uint16_t) {
            char buffer[4096];
            while (sock.Receive(buffer, sizeof buffer) > 0) {}
        };
        s.Dup(pair[0]);
        s.SslServerName = "fuzz.invalid";
        s.StartSslHandshake();
        std::size_t put = 0;
        while (put < size) {
            ssize_t n = ::send(pair[1], data + put, size - put, MSG_NOSIGNAL);
            if (n <= 0) break;
            put += static_cast<std::size_t>(n);
        }
        ::shutdown(pair[1], SHUT_WR);
        for (int i = 0; i < 200 && !closed && s.State() != verdane::TSocketState::wsClosed; ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        // Without a certificate chain for the name no handshake can succeed.
        if (handshakeResult == 0) std::abort();
        s.Abort();
        if (s.State() != verdane::TSocketState::wsClosed) std::abort();
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    ::close(pair[1]);
    return 0;
}
