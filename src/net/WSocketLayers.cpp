// The layers above the base socket: the SOCKS 4/4A/5 handshake in front of a
// connection, line mode, and blocking waits that run the event loop.
#include "WSocket.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>

namespace verdane {

namespace {

constexpr int kLineModeDeliver = 20;

// Error numbers of the SOCKS layer, reported with OnSocksError and as the error
// of OnSessionConnected.
enum : int {
    socksProtocolError = 20001,
    socksVersionError,
    socksAuthMethodError,
    socksGeneralFailure,
    socksConnectionNotAllowed,
    socksNetworkUnreachable,
    socksHostUnreachable,
    socksConnectionRefused,
    socksTtlExpired,
    socksUnknownCommand,
    socksUnknownAddressType,
    socksRequestRejected,
    socksAuthenticationFailed,
    socksUnassignedError,
};

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

// ---------------------------------------------------------------------------
// SOCKS

void TCustomSocksWSocket::SetSocksLevel(const std::string& value) {
    if (state_ != TSocketState::wsClosed) {
        RaiseException("Can't change socks level if not closed");
        return;
    }
    if (value != "4" && value != "4A" && value != "4a" && value != "5") {
        RaiseException("Invalid socks level. Must be 4, 4A or 5.");
        return;
    }
    socksLevel_ = value;
}

void TCustomSocksWSocket::SetSocksServer(const std::string& value) {
    if (state_ != TSocketState::wsClosed) {
        RaiseException("Can't change socks server if not closed");
        return;
    }
    socksServer_ = value;
}

void TCustomSocksWSocket::SetSocksPort(const std::string& value) {
    if (state_ != TSocketState::wsClosed) {
        RaiseException("Can't change socks port if not closed");
        return;
    }
    socksPort_ = value;
}

void TCustomSocksWSocket::TriggerSocksConnected(std::uint16_t error) {
    if (OnSocksConnected) OnSocksConnected(*this, error);
}
void TCustomSocksWSocket::TriggerSocksError(int error, const std::string& msg) {
    if (OnSocksError) OnSocksError(*this, error, msg);
}
void TCustomSocksWSocket::TriggerSocksAuthState(TSocksAuthState state) {
    if (OnSocksAuthState) OnSocksAuthState(*this, state);
}

void TCustomSocksWSocket::Connect() {
    step_ = Step::None;
    socksReply_.clear();
    socksExtra_.clear();
    if (socksServer_.empty()) {
        TCustomWSocket::Connect();
        return;
    }
    if (Lower(proto_) != "tcp" && proto_ != "6") {
        RaiseException("tcp is the only protocol supported thru socks server");
        return;
    }
    // The connection goes to the SOCKS server; the target is named in the handshake.
    targetAddr_ = addr_;
    targetPort_ = port_;
    if (targetAddr_.empty() || targetPort_.empty()) {
        TCustomWSocket::Connect();  // reports the missing address or port
        return;
    }
    addr_ = socksServer_;
    port_ = socksPort_;
    addrResolved_ = portResolved_ = false;
    step_ = Step::Greeting;
    TCustomWSocket::Connect();
    if (state_ == TSocketState::wsClosed) step_ = Step::None;
}

void TCustomSocksWSocket::Listen() {
    if (!socksServer_.empty()) {
        RaiseException("Listening is not supported thru socks server");
        return;
    }
    TCustomWSocket::Listen();
}

void TCustomSocksWSocket::TriggerSessionConnected(std::uint16_t error) {
    if (step_ != Step::Greeting) {
        TCustomWSocket::TriggerSessionConnected(error);
        return;
    }
    if (error != 0) {
        step_ = Step::None;
        TriggerSocksConnected(error);
        TriggerSessionConnected(error);
        return;
    }
    if (socksLevel_ == "5")
        SocksSendGreeting();
    else
        SocksSendRequest();
}

void TCustomSocksWSocket::SocksSendGreeting() {
    std::string greeting("\x05", 1);
    if (SocksAuthentication == TSocksAuthentication::socksAuthenticateUsercode)
        greeting += std::string("\x02\x00\x02", 3);
    else
        greeting += std::string("\x01\x00", 2);
    step_ = Step::Greeting;
    SendStr(greeting);
}

void TCustomSocksWSocket::SocksSendAuth() {
    std::string auth("\x01", 1);
    auth += static_cast<char>(std::min<std::size_t>(SocksUsercode.size(), 255));
    auth += SocksUsercode.substr(0, 255);
    auth += static_cast<char>(std::min<std::size_t>(SocksPassword.size(), 255));
    auth += SocksPassword.substr(0, 255);
    step_ = Step::Auth;
    TriggerSocksAuthState(TSocksAuthState::socksAuthStart);
    SendStr(auth);
}

void TCustomSocksWSocket::SocksSendRequest() {
    std::uint16_t port;
    try {
        port = htons(WSocketResolvePort(targetPort_, "tcp"));
    } catch (const std::exception& e) {
        SocksFail(socksProtocolError, e.what());
        return;
    }
    std::string request;
    bool dotted = inet_addr(targetAddr_.c_str()) != INADDR_NONE;
    if (socksLevel_ == "5") {
        request = std::string("\x05\x01\x00", 3);
        if (dotted) {
            std::uint32_t a = inet_addr(targetAddr_.c_str());
            request += '\x01';
            request.append(reinterpret_cast<const char*>(&a), 4);
        } else {
            std::string host = targetAddr_.substr(0, 255);
            request += '\x03';
            request += static_cast<char>(host.size());
            request += host;
        }
        request.append(reinterpret_cast<const char*>(&port), 2);
    } else {
        request = std::string("\x04\x01", 2);
        request.append(reinterpret_cast<const char*>(&port), 2);
        bool level4A = socksLevel_ != "4" && !dotted;
        std::uint32_t a;
        if (level4A) {
            a = htonl(1);  // 0.0.0.1: the server resolves the name that follows
        } else {
            try {
                a = WSocketResolveHost(targetAddr_);
            } catch (const std::exception& e) {
                SocksFail(socksProtocolError, e.what());
                return;
            }
        }
        request.append(reinterpret_cast<const char*>(&a), 4);
        request += SocksUsercode;
        request += '\0';
        if (level4A) {
            request += targetAddr_;
            request += '\0';
        }
    }
    step_ = Step::Request;
    SendStr(request);
}

void TCustomSocksWSocket::SocksFail(int error, const std::string& msg) {
    step_ = Step::None;
    lastError_ = error;
    TriggerSocksError(error, msg);
    // The layers above hear of the connection's end through their own trigger.
    TriggerSessionConnected(static_cast<std::uint16_t>(error));
    Close();
}

// How many bytes the reply of the current step needs; 0 when still unknown.
int TCustomSocksWSocket::SocksReplySize() const {
    if (socksLevel_ != "5") return 8;
    if (step_ != Step::Request) return 2;
    if (socksReply_.size() < 5) return 0;
    switch (static_cast<unsigned char>(socksReply_[3])) {
    case 1: return 10;
    case 3: return 7 + static_cast<unsigned char>(socksReply_[4]);
    case 4: return 22;
    default: return 10;
    }
}

// Reads the proxy's reply; returns true when the handshake is over.
bool TCustomSocksWSocket::SocksHandleData() {
    char buffer[512];
    int got = TCustomWSocket::Receive(buffer, sizeof buffer);
    if (got <= 0) {
        if (got < 0 && lastError_ != WSAEWOULDBLOCK) SocksFail(socksProtocolError, "data receive error");
        else lastError_ = 0;
        return step_ == Step::None;
    }
    socksReply_.append(buffer, static_cast<std::size_t>(got));
    while (step_ != Step::None && step_ != Step::Done) {
        int need = SocksReplySize();
        if (need == 0 || socksReply_.size() < static_cast<std::size_t>(need)) return false;
        std::string reply = socksReply_.substr(0, static_cast<std::size_t>(need));
        socksReply_.erase(0, static_cast<std::size_t>(need));
        auto b = [&reply](std::size_t i) { return static_cast<unsigned char>(reply[i]); };
        if (socksLevel_ != "5") {
            if (b(0) != 0) return SocksFail(socksVersionError, "socks version error"), true;
            if (b(1) == 92 || b(1) == 93) return SocksFail(socksAuthenticationFailed, "authentification failed"), true;
            if (b(1) != 90) return SocksFail(socksRequestRejected, "request rejected or failed"), true;
            step_ = Step::Done;
        } else if (step_ == Step::Greeting) {
            if (b(0) != 5) return SocksFail(socksVersionError, "socks version error"), true;
            if (b(1) == 0) {
                TriggerSocksAuthState(TSocksAuthState::socksAuthNotRequired);
                SocksSendRequest();
            } else if (b(1) == 2 && SocksAuthentication == TSocksAuthentication::socksAuthenticateUsercode) {
                SocksSendAuth();
            } else {
                return SocksFail(socksAuthMethodError, "authentification method not acceptable"), true;
            }
        } else if (step_ == Step::Auth) {
            if (b(1) != 0) {
                TriggerSocksAuthState(TSocksAuthState::socksAuthFailure);
                return SocksFail(socksAuthenticationFailed, "socks authentication failed"), true;
            }
            TriggerSocksAuthState(TSocksAuthState::socksAuthSuccess);
            SocksSendRequest();
        } else {
            static const char* const texts[] = {"general SOCKS server failure", "connection not allowed by ruleset",
                                                "network unreachable", "host unreachable", "connection refused",
                                                "time to live expired", "command not supported",
                                                "address type not supported"};
            if (b(0) != 5) return SocksFail(socksVersionError, "socks version error"), true;
            if (b(1) != 0) {
                int code = b(1);
                if (code >= 1 && code <= 8) return SocksFail(socksGeneralFailure + code - 1, texts[code - 1]), true;
                return SocksFail(socksUnassignedError, "unassigned error #" + std::to_string(code)), true;
            }
            step_ = Step::Done;
        }
    }
    if (step_ != Step::Done) return true;
    step_ = Step::None;
    socksExtra_ = std::move(socksReply_);
    socksReply_.clear();
    std::uint64_t serial = serial_;
    TriggerSocksConnected(0);
    if (serial != serial_) return true;
    // The layers above (TLS) start their own work from here.
    TriggerSessionConnected(0);
    if (serial == serial_ && !socksExtra_.empty() && fd_ >= 0) TriggerDataAvailable(0);
    return true;
}

bool TCustomSocksWSocket::TriggerDataAvailable(std::uint16_t error) {
    if (step_ == Step::None) return TCustomWSocket::TriggerDataAvailable(error);
    SocksHandleData();
    return true;
}

int TCustomSocksWSocket::Receive(void* buffer, int size) {
    if (socksExtra_.empty()) return TCustomWSocket::Receive(buffer, size);
    int n = std::min(size, static_cast<int>(socksExtra_.size()));
    if (n <= 0) return 0;
    std::memcpy(buffer, socksExtra_.data(), static_cast<std::size_t>(n));
    socksExtra_.erase(0, static_cast<std::size_t>(n));
    readCount_ += n;
    EnableRead();
    return n;
}

int TCustomSocksWSocket::RcvdCount() {
    if (!socksExtra_.empty()) return static_cast<int>(socksExtra_.size());
    return TCustomWSocket::RcvdCount();
}

// ---------------------------------------------------------------------------
// Line mode

void TCustomLineWSocket::SetLineMode(bool value) {
    if (value == lineMode_) return;
    lineMode_ = value;
    lineLength_ = 0;
    // Bytes already buffered are delivered in the new mode by a posted message.
    if (!rcvdBuf_.empty()) Post(kLineModeDeliver);
}

void TCustomLineWSocket::TriggerLineLimitExceeded(int rcvdLength, bool& clearData) {
    if (OnLineLimitExceeded) OnLineLimitExceeded(*this, rcvdLength, clearData);
}

void TCustomLineWSocket::EditLine(std::string& bytes) {
    std::string edited;
    for (char c : bytes) {
        if (c == '\b') {
            if (!rcvdBuf_.empty() || !edited.empty()) {
                if (!edited.empty()) edited.pop_back();
                else rcvdBuf_.pop_back();
                if (LineEcho) SendStr("\b \b");
            }
        } else if (c == '\t') {
            std::size_t column = rcvdBuf_.size() + edited.size();
            std::size_t last = (rcvdBuf_ + edited).rfind('\n');
            if (last != std::string::npos) column -= last + 1;
            edited.append(8 - column % 8, ' ');
        } else {
            edited += c;
        }
    }
    bytes = std::move(edited);
}

bool TCustomLineWSocket::TriggerDataAvailable(std::uint16_t error) {
    if (!lineMode_ || LineEnd.empty() || LowerLayerBusy()) return TCustomSslWSocket::TriggerDataAvailable(error);
    // Everything that can be read now: a TLS layer may hold more than one read
    // event announced.
    std::string bytes;
    char block[16384];
    for (;;) {
        int got = TCustomSslWSocket::Receive(block, sizeof block);
        if (got <= 0) break;
        bytes.append(block, static_cast<std::size_t>(got));
        if (got < static_cast<int>(sizeof block) && !SslActive()) break;
    }
    if (lastError_ == WSAEWOULDBLOCK) lastError_ = 0;
    if (bytes.empty()) return true;
    if (LineEcho) SendStr(bytes);
    if (LineEdit) EditLine(bytes);
    rcvdBuf_ += bytes;
    DeliverLines(error, false);
    return true;
}

// Hands out every complete line; returns false when the socket went away.
bool TCustomLineWSocket::DeliverLines(std::uint16_t error, bool flushPartial) {
    std::uint64_t serial = serial_;
    for (;;) {
        std::size_t end = lineMode_ && !LineEnd.empty() ? rcvdBuf_.find(LineEnd) : std::string::npos;
        if (end != std::string::npos) {
            lineLength_ = end + LineEnd.size();
        } else if ((flushPartial || !lineMode_) && !rcvdBuf_.empty()) {
            lineLength_ = rcvdBuf_.size();
        } else {
            break;
        }
        if (OnDataAvailable) OnDataAvailable(*this, error);
        if (serial != serial_) return false;
        // A line the handler did not take is dropped, so the loop always advances.
        if (lineLength_ > 0) {
            rcvdBuf_.erase(0, lineLength_);
            lineLength_ = 0;
        }
    }
    if (LineLimit > 0 && rcvdBuf_.size() > static_cast<std::size_t>(LineLimit)) {
        bool clearData = true;
        TriggerLineLimitExceeded(static_cast<int>(rcvdBuf_.size()), clearData);
        if (clearData) rcvdBuf_.clear();
    }
    return true;
}

int TCustomLineWSocket::Receive(void* buffer, int size) {
    if (lineLength_ == 0) {
        if (lineMode_ && !LineEnd.empty()) return 0;
        return TCustomSslWSocket::Receive(buffer, size);
    }
    int n = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(std::max(size, 0)), lineLength_));
    std::memcpy(buffer, rcvdBuf_.data(), static_cast<std::size_t>(n));
    rcvdBuf_.erase(0, static_cast<std::size_t>(n));
    lineLength_ -= static_cast<std::size_t>(n);
    return n;
}

int TCustomLineWSocket::RcvdCount() {
    if (lineLength_ > 0) return static_cast<int>(lineLength_);
    if (lineMode_ && !LineEnd.empty()) return 0;
    return TCustomSslWSocket::RcvdCount();
}

void TCustomLineWSocket::TriggerSessionClosed(std::uint16_t error) {
    // A last line without its line end is still a line.
    if (!rcvdBuf_.empty()) DeliverLines(error, true);
    rcvdBuf_.clear();
    lineLength_ = 0;
    TCustomSslWSocket::TriggerSessionClosed(error);
}

void TCustomLineWSocket::WndProc(const TMessageEvent& message) {
    if (message.Msg != kLineModeDeliver) {
        TCustomSslWSocket::WndProc(message);
        return;
    }
    try {
        DeliverLines(0, false);
    } catch (const std::exception& e) {
        HandleBackgroundException(e);
    }
}

// ---------------------------------------------------------------------------
// Blocking waits

int TCustomSyncWSocket::WaitUntilReady(const bool& flag, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    QTimer wakeUp;  // wakes the wait at the deadline
    wakeUp.setSingleShot(true);
    if (timeoutMs > 0) wakeUp.start(timeoutMs);
    while (!flag) {
        if (QCoreApplication::closingDown()) return 12001;
        if (timeoutMs > 0 && clock.elapsed() >= timeoutMs) return 12001;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return 0;
}

bool TCustomSyncWSocket::ReadLine(int timeoutMs, std::string& line) {
    bool gotLine = false, finished = false;
    auto previousData = OnDataAvailable;
    auto previousClosed = OnSessionClosed;
    OnDataAvailable = [&](TCustomWSocket& s, std::uint16_t) {
        if (finished) return;
        int count = s.RcvdCount();
        line.assign(static_cast<std::size_t>(std::max(count, 0)), '\0');
        int got = s.Receive(line.data(), count);
        line.resize(static_cast<std::size_t>(std::max(got, 0)));
        gotLine = finished = true;
    };
    OnSessionClosed = [&](TCustomWSocket&, std::uint16_t) { finished = true; };
    WaitUntilReady(finished, timeoutMs);
    OnDataAvailable = previousData;
    OnSessionClosed = previousClosed;
    return gotLine;
}

}  // namespace verdane
