// The SOCKS layer of the socket: the SOCKS 4, 4A and 5 handshake in front of a
// connection, with user-code authentication for level 5.
#include "WSocketInternal.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace verdane {

namespace {

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

void TCustomSocksWSocket::WndProc(const TMessageEvent& message) {
    if (message.Msg != kSocksTargetLookupDone) {
        TCustomWSocket::WndProc(message);
        return;
    }
    int error = 0;
    std::uint32_t address = 0;
    if (!TakeHostLookup(message, error, address) || step_ != Step::Request) return;
    try {
        if (error != 0) {
            SocksFail(socksProtocolError, "can't resolve the host '" + targetAddr_ + "': " + WSocketErrorDesc(error) +
                                              " (Error #" + std::to_string(error) + ")");
            return;
        }
        targetAddress_ = address;
        targetResolved_ = true;
        SocksSendRequest();
    } catch (const std::exception& e) {
        HandleBackgroundException(e);
    }
}

void TCustomSocksWSocket::Connect() {
    step_ = Step::None;
    targetResolved_ = false;
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
    bool dotted = IsDottedQuad(targetAddr_);
    if (socksLevel_ == "5") {
        request = std::string("\x05\x01\x00", 3);
        if (dotted) {
            std::uint32_t a = inet_addr(Trim(targetAddr_).c_str());
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
        } else if (dotted) {
            a = inet_addr(Trim(targetAddr_).c_str());
        } else if (targetResolved_) {
            a = targetAddress_;
        } else {
            // SOCKS 4 carries an address only: the name is looked up off this
            // thread, and the request goes out when the answer comes.
            step_ = Step::Request;
            try {
                StartHostLookup(targetAddr_, kSocksTargetLookupDone);
            } catch (const std::exception& e) {
                SocksFail(socksProtocolError, e.what());
            }
            return;
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

}  // namespace verdane
