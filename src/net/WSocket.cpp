// The base socket component: properties, connect, listen and accept, the send
// queue, receiving, closing, and the translation of socket readiness into the
// component's events.
#include "WSocketInternal.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

namespace verdane {


// ---------------------------------------------------------------------------
// TBuffer

TBuffer::TBuffer(int size) : buf_(static_cast<std::size_t>(size > 0 ? size : 1514)) {}

int TBuffer::Write(const char* data, int len) {
    int room = BufSize() - wrCount_;
    int take = len < room ? len : room;
    if (take <= 0) return 0;
    std::memcpy(buf_.data() + wrCount_, data, static_cast<std::size_t>(take));
    wrCount_ += take;
    return take;
}

const char* TBuffer::Peek(int& len) const {
    len = wrCount_ - rdCount_;
    return buf_.data() + rdCount_;
}

void TBuffer::Remove(int n) {
    if (n <= 0) return;
    rdCount_ += n;
    if (rdCount_ >= wrCount_) rdCount_ = wrCount_ = 0;
}

void TBuffer::SetBufSize(int size) {
    if (size <= 0) size = 1514;
    if (size < wrCount_) size = wrCount_;
    buf_.resize(static_cast<std::size_t>(size));
}

TCustomWSocket::TCustomWSocket()
    : window_(std::make_unique<THiddenWindow>([this](const TMessageEvent& m) { WndProc(m); })) {}

TCustomWSocket::~TCustomWSocket() {
    destroying_ = true;
    try {
        CancelDnsLookup();
    } catch (...) {
    }
    DropHostLookup();
    if (fd_ >= 0) {
        try {
            InternalClose(false);
        } catch (...) {
        }
    }
    DeleteNotifiers();
    if (fd_ >= 0) ::close(fd_);
    bufList_.clear();
}

void TCustomWSocket::Post(int msg, std::uintptr_t wParam, std::intptr_t lParam) {
    window_->Post(msg, wParam, lParam, serial_);
}

void TCustomWSocket::ChangeState(TSocketState newState) {
    TSocketState old = state_;
    state_ = newState;
    if (old != newState) TriggerChangeState(old, newState);
}

void TCustomWSocket::TriggerSessionConnected(std::uint16_t error) {
    if (OnSessionConnected) OnSessionConnected(*this, error);
}
void TCustomWSocket::TriggerSessionClosed(std::uint16_t error) {
    if (OnSessionClosed) OnSessionClosed(*this, error);
}
void TCustomWSocket::TriggerSessionAvailable(std::uint16_t error) {
    if (OnSessionAvailable) OnSessionAvailable(*this, error);
}
bool TCustomWSocket::TriggerDataAvailable(std::uint16_t error) {
    if (!OnDataAvailable) return false;
    OnDataAvailable(*this, error);
    return true;
}
void TCustomWSocket::TriggerDataSent(std::uint16_t error) {
    if (OnDataSent) OnDataSent(*this, error);
}
void TCustomWSocket::TriggerDnsLookupDone(std::uint16_t error) {
    if (OnDnsLookupDone) OnDnsLookupDone(*this, error);
}
void TCustomWSocket::TriggerSendData(int bytesSent) {
    if (OnSendData) OnSendData(*this, bytesSent);
}
void TCustomWSocket::TriggerChangeState(TSocketState oldState, TSocketState newState) {
    if (OnChangeState) OnChangeState(*this, oldState, newState);
}
void TCustomWSocket::TriggerError() {
    if (OnError) OnError(*this);
}

void TCustomWSocket::RaiseException(const std::string& msg) {
    lastErrorText_ = msg;
    if (OnError)
        TriggerError();
    else
        throw ESocketException(msg);
}

void TCustomWSocket::SocketError(const std::string& op, int error) {
    lastError_ = error;
    std::string text = "Error " + std::to_string(error) + " in function " + op + "\r\n" + WSocketErrorDesc(error);
    if (error == WSAECONNRESET || error == WSAENOTCONN) {
        DeleteNotifiers();
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        ChangeState(TSocketState::wsClosed);
    }
    RaiseException(text);
}

// ---------------------------------------------------------------------------
// Properties

// The connection's settings are fixed while a socket is open.
bool TCustomWSocket::CanChange(const char* property) {
    if (state_ == TSocketState::wsClosed) return true;
    RaiseException(std::string("Cannot change ") + property + " if not closed");
    return false;
}

void TCustomWSocket::SetAddr(const std::string& value) {
    std::string v = Trim(value);
    if (v == addr_) return;
    if (!CanChange("Addr")) return;
    addr_ = v;
    addrResolved_ = false;
}

void TCustomWSocket::SetPort(const std::string& value) {
    std::string v = Trim(value);
    if (v == port_) return;
    if (!CanChange("Port")) return;
    port_ = v;
    portResolved_ = false;
}

void TCustomWSocket::SetProto(const std::string& value) {
    if (value == proto_) return;
    if (!CanChange("Proto")) return;
    proto_ = value;
    protoResolved_ = false;
    portResolved_ = false;
}

void TCustomWSocket::SetLocalAddr(const std::string& value) {
    if (!CanChange("LocalAddr")) return;
    std::string v = Trim(value);
    if (v.empty()) v = "0.0.0.0";
    in_addr a{};
    if (::inet_pton(AF_INET, v.c_str(), &a) != 1) {
        RaiseException("SetLocalAddr(): Invalid IP address");
        return;
    }
    localAddr_ = Dotted(a.s_addr);
}

void TCustomWSocket::SetLocalPort(const std::string& value) {
    if (!CanChange("LocalPort")) return;
    localPort_ = value;
    localPortResolved_ = false;
}

void TCustomWSocket::SetSendFlags(TSocketSendFlags value) {
    if (value != TSocketSendFlags::wsSendNormal && value != TSocketSendFlags::wsSendUrgent) {
        RaiseException("Invalid SendFlags");
        return;
    }
    sendFlags_ = value;
}

std::string TCustomWSocket::PeerAddr() const {
    if (state_ != TSocketState::wsConnected || fd_ < 0) return "error";
    sockaddr_storage peer{};
    socklen_t len = sizeof peer;
    if (::getpeername(fd_, reinterpret_cast<sockaddr*>(&peer), &len) != 0) return "error";
    if (peer.ss_family == AF_INET6) {
        char text[INET6_ADDRSTRLEN];
        ::inet_ntop(AF_INET6, &reinterpret_cast<sockaddr_in6*>(&peer)->sin6_addr, text, sizeof text);
        return text;
    }
    return Dotted(reinterpret_cast<sockaddr_in*>(&peer)->sin_addr.s_addr);
}

std::string TCustomWSocket::PeerPort() const {
    if (state_ != TSocketState::wsConnected || fd_ < 0) return "error";
    sockaddr_storage peer{};
    socklen_t len = sizeof peer;
    if (::getpeername(fd_, reinterpret_cast<sockaddr*>(&peer), &len) != 0) return "error";
    return std::to_string(ntohs(peer.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&peer)->sin6_port
                                                            : reinterpret_cast<sockaddr_in*>(&peer)->sin_port));
}

int TCustomWSocket::RcvdCount() {
    if (fd_ < 0) return 0;
    int count = 0;
    if (::ioctl(fd_, FIONREAD, &count) != 0) {
        SocketError("ioctlSocket", LastSystemError());
        return 0;
    }
    return count;
}

// ---------------------------------------------------------------------------
// Readiness: two notifiers stand in for the WinSock event selection. The read
// notifier is switched off while a read event waits for the program to call
// Receive, as WinSock re-enables its read event only on a receive; the write
// notifier is on while connecting and while a send waits for room.

void TCustomWSocket::CreateNotifiers(bool wantWrite) {
    DeleteNotifiers();
    readNotifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    writeNotifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Write);
    // Exceptions from the handlers must not cross the event loop: they go to the
    // background-exception handling, as for posted messages.
    QObject::connect(readNotifier_.get(), &QSocketNotifier::activated, window_.get(), [this] {
        try {
            OnReadReady();
        } catch (const std::exception& e) {
            HandleBackgroundException(e);
        }
    });
    QObject::connect(writeNotifier_.get(), &QSocketNotifier::activated, window_.get(), [this] {
        try {
            OnWriteReady();
        } catch (const std::exception& e) {
            HandleBackgroundException(e);
        }
    });
    readWanted_ = !wantWrite;
    writeWanted_ = wantWrite;
    readNotifier_->setEnabled(readWanted_ && !paused_);
    writeNotifier_->setEnabled(writeWanted_ && !paused_);
}

void TCustomWSocket::DeleteNotifiers() {
    // A notifier may be inside its own signal here, so it goes later, switched off.
    for (auto* notifier : {&readNotifier_, &writeNotifier_}) {
        if (!*notifier) continue;
        (*notifier)->setEnabled(false);
        QObject::disconnect(notifier->get(), nullptr, nullptr, nullptr);
        notifier->release()->deleteLater();
    }
    readWanted_ = writeWanted_ = false;
}

void TCustomWSocket::EnableRead() {
    receivedInPass_ = true;
    if (readNotifier_ && !readWanted_ && state_ != TSocketState::wsConnecting) {
        readWanted_ = true;
        readNotifier_->setEnabled(!paused_);
    }
}

void TCustomWSocket::OnWriteReady() {
    if (fd_ < 0 || !writeNotifier_) return;
    writeWanted_ = false;
    writeNotifier_->setEnabled(false);
    if (state_ == TSocketState::wsConnecting) {
        int error = 0;
        socklen_t len = sizeof error;
        ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &len);
        if (error != 0) {
            ProcessSocketEvent(FD_CONNECT, static_cast<std::uint16_t>(WinSockErrorFromErrno(error)));
            return;
        }
        readWanted_ = true;
        readNotifier_->setEnabled(!paused_);
        ProcessSocketEvent(FD_CONNECT, 0);
        return;
    }
    ProcessSocketEvent(FD_WRITE, 0);
}

void TCustomWSocket::OnReadReady() {
    if (fd_ < 0 || !readNotifier_) return;
    if (state_ == TSocketState::wsListening) {
        ProcessSocketEvent(FD_ACCEPT, 0);
        return;
    }
    readWanted_ = false;
    readNotifier_->setEnabled(false);
    if (sockType_ == SOCK_DGRAM) {
        ProcessSocketEvent(FD_READ, 0);
        return;
    }
    int count = 0;
    if (::ioctl(fd_, FIONREAD, &count) == 0 && count > 0) {
        ProcessSocketEvent(FD_READ, 0);
        return;
    }
    // Nothing waiting: the peer closed or reset the connection, or the wake-up was spurious.
    char probe;
    ssize_t got = ::recv(fd_, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
    if (got > 0) {
        ProcessSocketEvent(FD_READ, 0);
    } else if (got == 0) {
        ProcessSocketEvent(FD_CLOSE, static_cast<std::uint16_t>(readFailure_));
    } else if (errno == EAGAIN || errno == EINTR) {
        readWanted_ = true;
        readNotifier_->setEnabled(!paused_);
    } else {
        ProcessSocketEvent(FD_CLOSE, static_cast<std::uint16_t>(LastSystemError()));
    }
}

void TCustomWSocket::WndProc(const TMessageEvent& message) {
    try {
        switch (message.Msg) {
        case kSocketEvent:
            if (message.Serial != serial_ || static_cast<int>(message.WParam) != fd_ || fd_ < 0) return;
            ProcessSocketEvent(static_cast<int>(message.LParam & 0xFFFF),
                               static_cast<std::uint16_t>((message.LParam >> 16) & 0xFFFF));
            break;
        case kLookupDone:
        case kReverseLookupDone:
            LookupDone(message);
            break;
        case kHostLookupDone:
            ConnectLookupDone(message);
            break;
        case kListenLookupDone:
            ListenLookupDone(message);
            break;
        case kCloseNow:
            Close();
            break;
        case kDestroy: {
            // The window is inside its own event handler: let it go later.
            THiddenWindow* window = window_.release();
            window->Detach();
            window->deleteLater();
            delete this;
            return;
        }
        case kTestException:
            throw ESocketException("Test exception in WSocket");
        default:
            break;
        }
    } catch (const std::exception& e) {
        HandleBackgroundException(e);
    }
}

void TCustomWSocket::HandleBackgroundException(const std::exception& e) {
    bool canClose = true;
    if (OnBgException) {
        try {
            OnBgException(*this, e, canClose);
        } catch (...) {
        }
    }
    if (canClose) {
        try {
            Abort();
        } catch (...) {
        }
    }
}

void TCustomWSocket::ProcessSocketEvent(int events, std::uint16_t error) {
    if (paused_) return;
    std::uint64_t serial = serial_;
    if ((events & FD_CONNECT) && state_ != TSocketState::wsConnected) {
        ChangeState(TSocketState::wsConnected);
        TriggerSessionConnected(error);
        if (error != 0 && state_ != TSocketState::wsClosed) Close();
    }
    if (serial != serial_ || fd_ < 0) return;
    if (events & FD_READ) {
        if (state_ != TSocketState::wsConnected) {
            ChangeState(TSocketState::wsConnected);
            TriggerSessionConnected(error);
        }
        ReceiveLoop(error, (ComponentOptions & wsoNoReceiveLoop) != 0);
    }
    if (serial != serial_ || fd_ < 0) return;
    if (events & FD_WRITE) {
        // One data-sent event per emptied queue, however many write events arrive.
        if (TryToSend() && serial == serial_ && dataSentPending_) {
            dataSentPending_ = false;
            TriggerDataSent(error);
        }
    }
    if (serial != serial_ || fd_ < 0) return;
    if (events & FD_ACCEPT) TriggerSessionAvailable(error);
    if (serial != serial_ || fd_ < 0) return;
    if ((events & FD_CLOSE) && state_ != TSocketState::wsConnecting) {
        ReceiveLoop(error, true);
        if (serial != serial_) return;
        if (!closeInvoked_) {
            closeInvoked_ = true;
            TriggerSessionClosed(error);
        }
        if (serial == serial_ && state_ != TSocketState::wsClosed) Close();
    }
}

void TCustomWSocket::ReceiveLoop(std::uint16_t error, bool once) {
    std::uint64_t serial = serial_;
    for (;;) {
        lastError_ = 0;
        receivedInPass_ = false;
        receiveDrained_ = false;
        if (!TriggerDataAvailable(error)) {
            // Nobody wants the data: read and drop it so the connection keeps moving.
            char discard[1024];
            int got = Receive(discard, sizeof discard);
            if (got < 0 && lastError_ == WSAEWOULDBLOCK) lastError_ = 0;
        }
        if (once || serial != serial_ || fd_ < 0 || lastError_ != 0) return;
        // A handler that read nothing this pass would make the loop spin; a read
        // that got less than it asked for emptied the network buffer.
        if (!receivedInPass_ || receiveDrained_) return;
        int count = 0;
        if (sockType_ == SOCK_DGRAM || ::ioctl(fd_, FIONREAD, &count) != 0 || count <= 0) return;
    }
}

// ---------------------------------------------------------------------------
// Connect, listen, accept

void TCustomWSocket::ResolveForConnect(bool lookUpNames) {
    if (!protoResolved_) {
        protoNum_ = WSocketResolveProto(proto_);
        sockType_ = protoNum_ == IPPROTO_UDP ? SOCK_DGRAM : SOCK_STREAM;
        protoResolved_ = true;
    }
    if (!portResolved_) {
        sin_.sin_port = htons(WSocketResolvePort(port_, proto_));
        portResolved_ = true;
    }
    if (!localPortResolved_) {
        localPortNum_ = WSocketResolvePort(localPort_, proto_);
        localPortResolved_ = true;
    }
    if (!addrResolved_) {
        // An IPv6 literal needs no lookup; every other address is IPv4.
        ipv6_ = ::inet_pton(AF_INET6, addr_.c_str(), &sin6_.sin6_addr) == 1;
        if (ipv6_) addrResolved_ = true;
    }
    if (!addrResolved_ && (lookUpNames || IsDottedQuad(addr_) || addr_.empty() || addr_.size() > 256)) {
        sin_.sin_addr.s_addr = WSocketResolveHost(addr_);
        addrResolved_ = true;
    }
    sin_.sin_family = AF_INET;
    sin6_.sin6_family = AF_INET6;
    sin6_.sin6_port = sin_.sin_port;
}

void TCustomWSocket::ConnectLookupDone(const TMessageEvent& message) {
    int error = 0;
    std::uint32_t address = 0;
    if (!TakeHostLookup(message, error, address)) return;
    if (state_ != TSocketState::wsConnecting || fd_ >= 0) return;
    if (error != 0) {
        lastError_ = error;
        ChangeState(TSocketState::wsClosed);
        TriggerSessionConnected(static_cast<std::uint16_t>(error));
        return;
    }
    sin_.sin_addr.s_addr = address;
    addrResolved_ = true;
    state_ = TSocketState::wsClosed;  // Connect goes on from where the lookup began
    TCustomWSocket::Connect();
}

void TCustomWSocket::ListenLookupDone(const TMessageEvent& message) {
    int error = 0;
    std::uint32_t address = 0;
    if (!TakeHostLookup(message, error, address)) return;
    if (fd_ >= 0) return;
    if (error != 0) {
        lastError_ = error;
        SocketError("Listen (looking up '" + addr_ + "')", error);
        return;
    }
    sin_.sin_addr.s_addr = address;
    addrResolved_ = true;
    Listen();
}

void TCustomWSocket::ApplyLinger() {
    if (LingerOnOff == TSocketLingerOnOff::wsLingerNoSet || fd_ < 0) return;
    linger l{};
    l.l_onoff = LingerOnOff == TSocketLingerOnOff::wsLingerOn ? 1 : 0;
    l.l_linger = LingerTimeout;
    if (::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &l, sizeof l) != 0)
        SocketError("setsockopt(SO_LINGER)", LastSystemError());
}

void TCustomWSocket::Connect() {
    if (fd_ >= 0 && state_ != TSocketState::wsClosed) {
        RaiseException("Connect: Socket already in use");
        return;
    }
    if (port_.empty()) {
        RaiseException("Connect: No Port Specified");
        return;
    }
    if (addr_.empty()) {
        RaiseException("Connect: No IP Address Specified");
        return;
    }
    if (proto_.empty()) {
        RaiseException("Connect: No Protocol Specified");
        return;
    }
    try {
        ResolveForConnect(false);
    } catch (const std::exception& e) {
        RaiseException(std::string("connect: ") + e.what());
        return;
    }
    if (sockType_ == SOCK_STREAM && sin_.sin_port == 0) {
        lastError_ = WSAEINVAL;
        RaiseException("connect: Invalid Port '" + port_ + "' (a port is a number from 1 to 65535).");
        return;
    }
    if (!addrResolved_) {
        // A host name: looked up off this thread; the connect goes on when the
        // address comes (ConnectLookupDone). Closing or aborting drops the lookup.
        try {
            StartHostLookup(addr_, kHostLookupDone);
        } catch (const std::exception& e) {
            RaiseException(std::string("connect: can't start the lookup of '") + addr_ + "': " + e.what());
            return;
        }
        ChangeState(TSocketState::wsConnecting);
        return;
    }
    DeleteBufferedData();
    fd_ = ::socket(ipv6_ ? AF_INET6 : AF_INET, sockType_ | SOCK_NONBLOCK | SOCK_CLOEXEC, protoNum_);
    if (fd_ < 0) {
        int error = LastSystemError();
        fd_ = -1;
        SocketError("Connect (socket)", error);
        return;
    }
    ++serial_;
    closeInvoked_ = false;
    allSent_ = true;
    dataSentPending_ = false;
    readFailure_ = 0;
    ChangeState(TSocketState::wsOpened);
    int on = 1;
    if (sockType_ == SOCK_STREAM) {
        if (::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) {
            SocketError("setsockopt(SO_REUSEADDR)", LastSystemError());
            return;
        }
        ApplyLinger();
        if (fd_ < 0) return;
        if (::setsockopt(fd_, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on) != 0) {
            SocketError("setsockopt(SO_KEEPALIVE)", LastSystemError());
            return;
        }
    }
    if (!ipv6_ && (sockType_ == SOCK_DGRAM || localPortNum_ != 0 || localAddr_ != "0.0.0.0")) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = htons(localPortNum_);
        ::inet_pton(AF_INET, localAddr_.c_str(), &local.sin_addr);
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
            int error = LastSystemError();
            lastError_ = error;
            RaiseException("winsock.bind failed, error #" + std::to_string(error));
            return;
        }
        socklen_t len = sizeof local;
        if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &len) != 0) {
            int error = LastSystemError();
            lastError_ = error;
            RaiseException("winsock.getsockname failed, error #" + std::to_string(error));
            return;
        }
        localPort_ = std::to_string(ntohs(local.sin_port));
        localPortNum_ = ntohs(local.sin_port);
        if (sockType_ == SOCK_DGRAM && sin_.sin_addr.s_addr == INADDR_BROADCAST &&
            ::setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
            SocketError("setsockopt(SO_BROADCAST)", LastSystemError());
            return;
        }
    }
    if (sockType_ == SOCK_DGRAM) {
        CreateNotifiers(false);
        ChangeState(TSocketState::wsConnected);
        TriggerSessionConnected(0);
        return;
    }
    CreateNotifiers(true);
    const bool started = ipv6_ ? ::connect(fd_, reinterpret_cast<sockaddr*>(&sin6_), sizeof sin6_) == 0
                               : ::connect(fd_, reinterpret_cast<sockaddr*>(&sin_), sizeof sin_) == 0;
    if (!started && errno != EINPROGRESS && errno != EAGAIN) {
        int error = LastSystemError();
        lastError_ = error;
        SocketError("Connect", error);
        return;
    }
    ChangeState(TSocketState::wsConnecting);
}

void TCustomWSocket::Listen() {
    if (port_.empty()) {
        lastError_ = WSAEINVAL;
        RaiseException("listen: port not assigned");
        return;
    }
    if (proto_.empty()) {
        lastError_ = WSAEINVAL;
        RaiseException("listen: protocol not assigned");
        return;
    }
    if (addr_.empty()) {
        lastError_ = WSAEINVAL;
        RaiseException("listen: address not assigned");
        return;
    }
    try {
        ResolveForConnect(false);
    } catch (const std::exception& e) {
        RaiseException(std::string("listen: ") + e.what());
        return;
    }
    if (!addrResolved_) {
        // A host name: looked up off this thread, never blocking the caller;
        // listening starts when the address comes (ListenLookupDone), and a
        // failed lookup goes the error path. Closing drops the lookup.
        try {
            StartHostLookup(addr_, kListenLookupDone);
        } catch (const std::exception& e) {
            RaiseException(std::string("listen: can't start the lookup of '") + addr_ + "': " + e.what());
        }
        return;
    }
    fd_ = ::socket(AF_INET, sockType_ | SOCK_NONBLOCK | SOCK_CLOEXEC, protoNum_);
    if (fd_ < 0) {
        int error = LastSystemError();
        fd_ = -1;
        SocketError("socket", error);
        return;
    }
    ++serial_;
    closeInvoked_ = false;
    ChangeState(TSocketState::wsOpened);
    int on = 1;
    if (sockType_ == SOCK_STREAM) ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&sin_), sizeof sin_) != 0) {
        SocketError("Bind", LastSystemError());
        return;
    }
    ChangeState(TSocketState::wsBound);
    if (sockType_ == SOCK_DGRAM) {
        CreateNotifiers(false);
        ChangeState(TSocketState::wsConnected);
        TriggerSessionConnected(0);
        return;
    }
    if (::listen(fd_, 5) != 0) {
        SocketError("Listen", LastSystemError());
        return;
    }
    CreateNotifiers(false);
    ChangeState(TSocketState::wsListening);
}

int TCustomWSocket::Accept() {
    if (state_ != TSocketState::wsListening) {
        lastError_ = WSAEINVAL;
        RaiseException("not a listening socket");
        return -1;
    }
    int accepted = ::accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (accepted < 0) {
        SocketError("Accept", LastSystemError());
        return -1;
    }
    return accepted;
}

void TCustomWSocket::Dup(int newHSocket) {
    if (newHSocket < 0) {
        lastError_ = WSAENOTSOCK;
        SocketError("Dup", WSAENOTSOCK);
        return;
    }
    if (fd_ >= 0 && fd_ != newHSocket) {
        DeleteNotifiers();
        if (::close(fd_) != 0) {
            fd_ = -1;
            SocketError("Dup (closesocket)", LastSystemError());
            return;
        }
    }
    fd_ = newHSocket;
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
    ++serial_;
    closeInvoked_ = false;
    allSent_ = true;
    sockType_ = SOCK_STREAM;
    ApplyLinger();
    if (fd_ < 0) return;
    CreateNotifiers(false);
    ChangeState(TSocketState::wsConnected);
}

void TCustomWSocket::Shutdown(int how) {
    if (fd_ >= 0) ::shutdown(fd_, how);
}

void TCustomWSocket::Pause() {
    paused_ = true;
    if (readNotifier_) readNotifier_->setEnabled(false);
    if (writeNotifier_) writeNotifier_->setEnabled(false);
}

void TCustomWSocket::Resume() {
    paused_ = false;
    if (readNotifier_) readNotifier_->setEnabled(readWanted_);
    if (writeNotifier_) writeNotifier_->setEnabled(writeWanted_);
}

int TCustomWSocket::GetSockName(sockaddr_in& name) {
    socklen_t len = sizeof name;
    return ::getsockname(fd_, reinterpret_cast<sockaddr*>(&name), &len) == 0 ? 0 : -1;
}

int TCustomWSocket::GetPeerName(sockaddr_in& name) {
    if (state_ != TSocketState::wsConnected) {
        lastError_ = WSAENOTCONN;
        return -1;
    }
    socklen_t len = sizeof name;
    if (::getpeername(fd_, reinterpret_cast<sockaddr*>(&name), &len) != 0) {
        SocketError("GetPeerName", LastSystemError());
        return -1;
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Sending

void TCustomWSocket::DeleteBufferedData() {
    bufList_.clear();
    allSent_ = true;
}

int TCustomWSocket::Send(const void* data, int len) {
    if (state_ != TSocketState::wsConnected) {
        lastError_ = WSAENOTCONN;
        SocketError("Send", WSAENOTCONN);
        return -1;
    }
    if (len <= 0) return 0;
    allSent_ = false;
    dataSentPending_ = true;
    const char* p = static_cast<const char*>(data);
    int left = len;
    if (bufList_.empty()) bufList_.push_back(std::make_unique<TBuffer>(bufSize_));
    while (left > 0) {
        int taken = bufList_.back()->Write(p, left);
        if (taken == 0) {
            bufList_.push_back(std::make_unique<TBuffer>(bufSize_));
            continue;
        }
        p += taken;
        left -= taken;
    }
    std::uint64_t serial = serial_;
    bool emptied = TryToSend();
    // The data-sent event always arrives through the event loop, never inside Send.
    if (emptied && serial == serial_ && fd_ >= 0) Post(kSocketEvent, static_cast<std::uintptr_t>(fd_), FD_WRITE);
    return len;
}

int TCustomWSocket::SendTo(const sockaddr_in& dest, const void* data, int len) {
    ssize_t sent = ::sendto(fd_, data, static_cast<std::size_t>(len), MSG_NOSIGNAL,
                            reinterpret_cast<const sockaddr*>(&dest), sizeof dest);
    if (sent < 0) {
        lastError_ = LastSystemError();
        return -1;
    }
    return static_cast<int>(sent);
}

// Sends what the queue holds; true when it is empty afterwards.
bool TCustomWSocket::TryToSend() {
    if (fd_ < 0) return false;
    while (!bufList_.empty()) {
        TBuffer& first = *bufList_.front();
        int len = 0;
        const char* p = first.Peek(len);
        if (len <= 0) {
            if (bufList_.size() == 1) break;
            bufList_.pop_front();
            continue;
        }
        ssize_t sent;
        if (sockType_ == SOCK_DGRAM)
            sent = ::sendto(fd_, p, static_cast<std::size_t>(len), MSG_NOSIGNAL,
                            reinterpret_cast<const sockaddr*>(&sin_), sizeof sin_);
        else
            sent = ::send(fd_, p, static_cast<std::size_t>(len),
                          MSG_NOSIGNAL | (sendFlags_ == TSocketSendFlags::wsSendUrgent ? MSG_OOB : 0));
        if (sent < 0) {
            int error = LastSystemError();
            if (error == WSAEWOULDBLOCK) {
                writeWanted_ = true;
                if (writeNotifier_) writeNotifier_->setEnabled(!paused_);
                return false;
            }
            lastError_ = error;
            if (error == WSAEINVAL || error == WSAENOTSOCK || error == WSAECONNABORTED || error == WSAECONNRESET ||
                error == WSAENOTCONN) {
                closeInvoked_ = true;
                InternalClose(false);
                TriggerSessionClosed(static_cast<std::uint16_t>(error));
            } else {
                SocketError("TryToSend failed", error);
            }
            return false;
        }
        first.Remove(static_cast<int>(sent));
        TriggerSendData(static_cast<int>(sent));
        if (fd_ < 0) return false;
        if (sent < len) {
            writeWanted_ = true;
            if (writeNotifier_) writeNotifier_->setEnabled(!paused_);
            return false;
        }
        if (bufList_.size() > 1) bufList_.pop_front();
    }
    allSent_ = true;
    return true;
}

// ---------------------------------------------------------------------------
// Receiving

int TCustomWSocket::Receive(void* buffer, int size) {
    if (fd_ < 0) {
        lastError_ = WSAENOTSOCK;
        return -1;
    }
    EnableRead();
    if (size <= 0) return 0;
    ssize_t got = ::recv(fd_, buffer, static_cast<std::size_t>(size), 0);
    if (got < 0) {
        lastError_ = LastSystemError();
        // The system reports a reset only once; keep it for the close event.
        if (lastError_ != WSAEWOULDBLOCK && lastError_ != WSAEINTR) readFailure_ = lastError_;
        return -1;
    }
    receiveDrained_ = got < size;
    readCount_ += got;
    return static_cast<int>(got);
}

std::string TCustomWSocket::ReceiveStr() {
    int count = RcvdCount();
    if (count < 0) return {};
    if (count == 0) count = 255;
    std::string s(static_cast<std::size_t>(count), '\0');
    int got = Receive(s.data(), count);
    s.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return s;
}

int TCustomWSocket::ReceiveFrom(void* buffer, int size, sockaddr_in& from) {
    if (fd_ < 0) {
        lastError_ = WSAENOTSOCK;
        return -1;
    }
    EnableRead();
    socklen_t len = sizeof from;
    ssize_t got = ::recvfrom(fd_, buffer, static_cast<std::size_t>(size), 0, reinterpret_cast<sockaddr*>(&from), &len);
    if (got < 0) {
        lastError_ = LastSystemError();
        return -1;
    }
    readCount_ += got;
    return static_cast<int>(got);
}

// ---------------------------------------------------------------------------
// Closing

void TCustomWSocket::AssignDefaultValue() {
    DeleteNotifiers();
    readFailure_ = 0;
    fd_ = -1;
    ++serial_;
    state_ = TSocketState::wsClosed;
    addr_.clear();
    port_.clear();
    proto_ = "tcp";
    localAddr_ = "0.0.0.0";
    localPort_ = "0";
    addrResolved_ = portResolved_ = protoResolved_ = localPortResolved_ = false;
    LingerOnOff = TSocketLingerOnOff::wsLingerOn;
    LingerTimeout = 0;
    paused_ = false;
}

void TCustomWSocket::InternalClose(bool shutdownFirst) {
    DropHostLookup();
    if (fd_ < 0) {
        if (state_ != TSocketState::wsClosed) {
            ChangeState(TSocketState::wsClosed);
            AssignDefaultValue();
        }
        return;
    }
    if (state_ == TSocketState::wsClosed) return;
    if (shutdownFirst) ::shutdown(fd_, SHUT_WR);
    DeleteNotifiers();
    int closeError = ::close(fd_) == 0 ? 0 : LastSystemError();
    fd_ = -1;
    ++serial_;
    ChangeState(TSocketState::wsClosed);
    bool report = !destroying_ && !closeInvoked_;
    closeInvoked_ = true;
    AssignDefaultValue();
    // Closing on Linux never asks to be retried; any other failure is reported.
    if (closeError != 0 && closeError != WSAEINTR) SocketError("Disconnect (closesocket)", closeError);
    if (report) TriggerSessionClosed(0);
}

void TCustomWSocket::Close() { InternalClose(true); }

void TCustomWSocket::Abort() {
    CancelDnsLookup();
    DeleteBufferedData();
    if (fd_ >= 0 && sockType_ == SOCK_STREAM && state_ == TSocketState::wsConnected) {
        LingerOnOff = TSocketLingerOnOff::wsLingerOff;
        ApplyLinger();
    }
    InternalClose(false);
}

void TCustomWSocket::PostCloseEvent(int error) {
    if (fd_ >= 0) Post(kSocketEvent, static_cast<std::uintptr_t>(fd_), FD_CLOSE | (error << 16));
}

void TCustomWSocket::CloseDelayed() { Post(kCloseNow); }

void TCustomWSocket::Release() { window_->Post(kDestroy, 0, 0, serial_); }

void TCustomWSocket::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

}  // namespace verdane
