// The HTTP/1.0 client: request start, the connection (directly, through a
// proxy, through a CONNECT tunnel), the request head, relocations, the time
// limit, the end of a request and Abort. The answer's reading is in HttpAnswer.cpp.
#include "HttpInternal.h"
#include "ShownText.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace verdane {

namespace {

bool SameHost(const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }

// Seconds of a millisecond count as a short text ("60", "0.5").
std::string SecondsText(int ms) {
    std::string text = std::to_string(ms / 1000);
    if (int part = ms % 1000; part != 0) {
        char digits[8];
        std::snprintf(digits, sizeof digits, ".%03d", part);
        std::string d = digits;
        while (d.back() == '0') d.pop_back();
        text += d;
    }
    return text;
}

}  // namespace

std::string SizeLimitText(long long bytes) {
    constexpr long long kMB = 1LL << 20, kKB = 1LL << 10;
    if (bytes >= kMB) return std::to_string((bytes + kMB / 2) / kMB) + " MB";
    if (bytes >= kKB) return std::to_string((bytes + kKB / 2) / kKB) + " KB";
    return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

std::string FailureDescription(int error, const std::string& host) {
    switch (error) {
    case 0: return "connection closed";
    case WSAECONNREFUSED: return "connection refused";
    case WSAECONNRESET: return "connection reset by the server";
    case WSAECONNABORTED: return "connection aborted";
    case WSAETIMEDOUT: return "connection timed out";
    case 10051: return "network unreachable";
    case 10065: return "no route to host";
    case WSAEINTR: return "cancelled";
    case WSAHOST_NOT_FOUND: return "host not found: " + host;
    case WSATRY_AGAIN: return "host not found (the name server did not answer): " + host;
    case WSANO_DATA: return "host has no IPv4 address: " + host;
    case WSANO_RECOVERY: return "name lookup failed: " + host;
    default: break;
    }
    // Any other error: the socket layer's text, as a phrase of a sentence.
    std::string text = WSocketErrorDesc(error);
    if (text.empty()) return "network error " + std::to_string(error);
    if (text.size() > 1 && std::isupper(static_cast<unsigned char>(text[0])) &&
        std::islower(static_cast<unsigned char>(text[1])))
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '.')) text.pop_back();
    return text;
}

namespace {

// The If-Modified-Since date of a day count since 30 Dec 1899, without any
// time-zone conversion.
std::string HttpDate(double dateTime) {
    long long days = static_cast<long long>(dateTime);
    double fraction = dateTime - static_cast<double>(days);
    if (fraction < 0) fraction = -fraction;
    // The time of day to the nearest millisecond (a day count holds it only that
    // precisely); the seconds are its whole seconds.
    long long millis = std::llround(fraction * 86400000.0);
    if (millis >= 86400000) millis = 86399999;
    long long seconds = millis / 1000;
    // Civil date from the day number (1970-01-01 is day 25569).
    long long z = days - 25569 + 719468;
    long long era = (z >= 0 ? z : z - 146096) / 146097;
    long long doe = z - era * 146097;
    long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long y = yoe + era * 400;
    long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long long mp = (5 * doy + 2) / 153;
    long long d = doy - (153 * mp + 2) / 5 + 1;
    long long m = mp < 10 ? mp + 3 : mp - 9;
    if (m <= 2) ++y;
    static const char weekdays[] = "MonTueWedThuFriSatSun";
    static const char months[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
    long long w = ((days - 2) % 7 + 7) % 7;
    char text[128];
    std::snprintf(text, sizeof text, "%.3s, %2.2lld %.3s %4.4lld %2.2lld:%2.2lld:%2.2lld", weekdays + w * 3, d,
                  months + (m - 1) * 3, y, seconds / 3600, seconds / 60 % 60, seconds % 60);
    return text;
}

}  // namespace

// ---------------------------------------------------------------------------

THttpCli::THttpCli()
    : ctrlSocket_(std::make_unique<TWSocket>()),
      window_(std::make_unique<THiddenWindow>([this](const TMessageEvent& m) { WndProc(m); })),
      bodyBuffer_(std::make_unique<char[]>(kBodyBlockSize)),
      timer_(std::make_unique<QTimer>()), deadline_(std::make_unique<QTimer>()) {
    // Each socket event counts its depth, so a client deleted by one of its
    // handlers leaves the socket alive until the event is over.
    auto guarded = [this](void (THttpCli::*handler)(std::uint16_t)) {
        return [this, handler](TCustomWSocket&, std::uint16_t e) {
            struct Depth {
                THttpCli* client;
                std::weak_ptr<char> life;
                ~Depth() {
                    if (!life.expired()) --client->socketEventDepth_;
                }
            } depth{this, Life()};
            ++socketEventDepth_;
            (this->*handler)(e);
        };
    };
    ctrlSocket_->OnSessionClosed = guarded(&THttpCli::SocketSessionClosed);
    ctrlSocket_->OnDataAvailable = guarded(&THttpCli::SocketDataAvailable);
    ctrlSocket_->OnSessionConnected = guarded(&THttpCli::SocketSessionConnected);
    ctrlSocket_->OnDataSent = guarded(&THttpCli::SocketDataSent);
    ctrlSocket_->OnDnsLookupDone = guarded(&THttpCli::SocketDnsLookupDone);
    ctrlSocket_->OnSslHandshakeDone = guarded(&THttpCli::SocketTunnelSecured);
    timer_->setSingleShot(true);
    QObject::connect(timer_.get(), &QTimer::timeout, window_.get(), [this] { TimedOut(); });
    deadline_->setSingleShot(true);
    QObject::connect(deadline_.get(), &QTimer::timeout, window_.get(), [this] { TookTooLong(); });
    rcvdBuffer_[0] = 0;
}

THttpCli::~THttpCli() {
    life_.reset();
    if (syncLoop_) syncLoop_->exit(1);
    timer_->stop();
    deadline_->stop();
    window_->Detach();
    // Posted messages still queued for the window are dropped with it.
    window_.release()->deleteLater();
    TWSocket& socket = *ctrlSocket_;
    socket.OnSessionClosed = nullptr;
    socket.OnDataAvailable = nullptr;
    socket.OnSessionConnected = nullptr;
    socket.OnDataSent = nullptr;
    socket.OnDnsLookupDone = nullptr;
    socket.OnSslHandshakeDone = nullptr;
    try {
        socket.Abort();
    } catch (...) {
    }
    // Deleted from inside a socket event: the socket's own code is still running.
    if (socketEventDepth_ > 0) ctrlSocket_.release()->Release();
}

namespace {

// Raises an event through a copy of its handler: the handler may delete the
// client, and with it the function object that is running.
template <typename F, typename... A>
void Raise(const F& handler, A&&... args) {
    if (!handler) return;
    F copy = handler;
    copy(std::forward<A>(args)...);
}

}  // namespace

void THttpCli::TriggerStateChange() { Raise(OnStateChange, *this); }
void THttpCli::TriggerSessionConnected() { Raise(OnSessionConnected, *this); }
void THttpCli::TriggerRequestHeaderBegin() { Raise(OnRequestHeaderBegin, *this); }
void THttpCli::TriggerRequestHeaderEnd() { Raise(OnRequestHeaderEnd, *this); }
void THttpCli::TriggerHeaderBegin() { Raise(OnHeaderBegin, *this); }
void THttpCli::TriggerHeaderEnd() { Raise(OnHeaderEnd, *this); }
void THttpCli::TriggerHeaderData() { Raise(OnHeaderData, *this); }
void THttpCli::TriggerDocBegin() { Raise(OnDocBegin, *this); }
void THttpCli::TriggerDocData(const char* data, int len) { Raise(OnDocData, *this, data, len); }
void THttpCli::TriggerDocEnd() { Raise(OnDocEnd, *this); }
void THttpCli::TriggerSendBegin() { Raise(OnSendBegin, *this); }
void THttpCli::TriggerSendData(const char* data, int len) { Raise(OnSendData, *this, data, len); }
void THttpCli::TriggerSendEnd() { Raise(OnSendEnd, *this); }
void THttpCli::TriggerLocationChange() { Raise(OnLocationChange, *this); }
void THttpCli::TriggerCommand(std::string& s) { Raise(OnCommand, *this, s); }
void THttpCli::TriggerCookie(const std::string& data, bool& accept) { Raise(OnCookie, *this, data, accept); }
void THttpCli::TriggerRequestDone() {
    Raise(OnRequestDone, *this, requestType_, requestDoneError_);
}

void THttpCli::SetState(THttpState newState) {
    if (newState == state_) return;
    state_ = newState;
    if (newState != hsReady) {
        Progress();
    } else {
        timer_->stop();
        deadline_->stop();
    }
    std::weak_ptr<char> life = Life();
    TriggerStateChange();
    if (life.expired()) return;
    if (newState == hsReady) {
        window_->Post(kRequestDone, static_cast<std::uintptr_t>(requestType_), requestDoneError_, requestSerial_);
        if (syncLoop_) syncLoop_->exit(0);
    }
}

void THttpCli::PostMessage(int msg) { window_->Post(msg, 0, 0, requestSerial_); }

void THttpCli::WndProc(const TMessageEvent& message) {
    switch (message.Msg) {
    case kRequestDone:
        // Always delivered, even when the next request has already started.
        Raise(OnRequestDone, *this, static_cast<THttpRequest>(message.WParam),
              static_cast<std::uint16_t>(message.LParam));
        break;
    case kSetReady:
        if (message.Serial == requestSerial_) SetState(hsReady);
        break;
    case kRelocate:
        if (message.Serial == requestSerial_) {
            contentLength_ = -1;
            DoLookup();
        }
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------------------
// Time limit

void THttpCli::Progress() {
    if (TimeoutMs > 0) timer_->start(TimeoutMs);
}

void THttpCli::TimedOut() {
    if (state_ == hsReady || state_ == hsAborting) return;
    std::string text = "timed out after " + SecondsText(TimeoutMs) + " s";
    const bool inHeader = state_ == hsWaitingHeader && headerLineCount_ > 0;
    if (inHeader) text += ": the answer's header did not end";
    AbortWith(text, WSAETIMEDOUT, inHeader ? THttpFailure::HeaderTimedOut : THttpFailure::TimedOut);
}

void THttpCli::TookTooLong() {
    if (state_ == hsReady || state_ == hsAborting) return;
    AbortWith("timed out: the download took longer than " + SecondsText(MaxTimeMs) + " s", WSAETIMEDOUT,
              THttpFailure::MaxTime);
}

// ---------------------------------------------------------------------------
// Starting a request

void THttpCli::Get() { DoRequestSync(httpGET); }
void THttpCli::Post() { DoRequestSync(httpPOST); }
void THttpCli::Head() { DoRequestSync(httpHEAD); }
void THttpCli::GetASync() { DoRequestAsync(httpGET); }
void THttpCli::PostASync() { DoRequestAsync(httpPOST); }
void THttpCli::HeadASync() { DoRequestAsync(httpHEAD); }

void THttpCli::DoRequestSync(THttpRequest rq) {
    DoRequestAsync(rq);
    std::weak_ptr<char> life = Life();
    // Blocks in an event loop of its own while nothing happens; every step of
    // the request arrives as an event. The program's end (its quit ends every
    // running loop) ends the request too.
    while (!life.expired() && state_ != hsReady) {
        if (QCoreApplication::closingDown()) {
            AbortWith("the program is closing", 3);
            break;
        }
        QEventLoop loop;
        syncLoop_ = &loop;
        int rc = loop.exec();
        if (life.expired()) break;
        syncLoop_ = nullptr;
        if (rc == 0 && state_ == hsReady) break;
        if (state_ != hsReady) AbortWith("the program is closing", 3);
    }
    if (life.expired()) throw EHttpException("the HTTP component was deleted during the request", 0);
    if (!failureText_.empty()) throw EHttpException(failureText_, failed_ ? 0 : statusCode_);
}

void THttpCli::DoRequestAsync(THttpRequest rq) {
    if (state_ != hsReady) throw EHttpException("HTTP component is busy", 1);
    if (rq == httpPOST && !SendStream) throw EHttpException("HTTP component has nothing to post", 2);
    ++requestSerial_;
    receivedHeaders_.clear();
    requestType_ = rq;
    requestDoneError_ = 0;
    relocationClose_ = false;
    SetState(hsNotConnected);
    if (state_ != hsNotConnected) return;  // aborted by a handler
    documentName_.clear();
    statusCode_ = 0;
    reasonPhrase_.clear();
    receivedCount_ = sentCount_ = 0;
    headerLineCount_ = bodyBlockCount_ = headerBytes_ = 0;
    relocations_ = 0;
    contentLength_ = -1;
    contentType_.clear();
    sendingBody_ = false;
    locationChangePending_ = false;
    failed_ = false;
    failureText_.clear();
    rcvdCount_ = 0;
    location_ = URL;
    credentialsAllowed_ = true;

    if (MaxTimeMs > 0) deadline_->start(MaxTimeMs);
    TUrlParts u = ParseURL(URL);
    std::string scheme = u.Proto.empty() ? std::string("http") : Lower(u.Proto);
    // The credentials of a URL belong to this request alone.
    user_ = u.User.empty() ? Username : u.User;
    pass_ = u.User.empty() && u.Pass.empty() ? Password : u.Pass;
    std::string port = u.Port.empty() ? DefaultPort(scheme) : u.Port;
    std::string failure = SetTarget(scheme + "://" + UrlHost(u.Host) + (port.empty() ? "" : ":" + port) + u.Path);
    // Nothing typed may end a line of the request early.
    if (HoldsControl(URL)) {
        failure = "the URL holds a control character: \"" + EscapeControls(URL) + "\"";
        targetFailure_ = THttpFailure::UrlControl;
    }
    originalScheme_ = scheme_;
    originalHost_ = targetHost_;
    originalPort_ = targetPort_;
    if (failure.empty() && !Proxy.empty()) {
        TUrlParts p = ParseURL(Proxy);
        if (!IsValidPort(p.Port.empty() ? ProxyPort : p.Port))
            failure = "invalid proxy port: \"" + (p.Port.empty() ? ProxyPort : p.Port) + "\"";
    }
    if (!failure.empty()) {
        // Nothing was sent anywhere; the request ends as a local failure.
        LocalFailure(failure, 0, targetFailure_ != THttpFailure::None ? targetFailure_ : THttpFailure::BadUrl);
        PostMessage(kSetReady);
        return;
    }
    documentName_ = u.Path;
    if (rq == httpPOST) {
        SendStream->clear();
        postStart_ = SendStream->tellg();
    }
    if (documentName_.empty() || documentName_ == "/") {
        documentName_ = "document.htm";
    } else {
        if (documentName_.back() == '/') documentName_.pop_back();
        if (auto slash = documentName_.rfind('/'); slash != std::string::npos) documentName_.erase(0, slash + 1);
        documentName_ = documentName_.substr(0, 255);
        if (auto query = documentName_.find('?'); query != std::string::npos) documentName_.erase(query);
    }
    DoLookup();
}

std::string THttpCli::SetTarget(const std::string& url) {
    TUrlParts u = ParseURL(url);
    std::string scheme = Lower(u.Proto);
    targetFailure_ = THttpFailure::UnsupportedScheme;
    if (scheme != "http" && scheme != "https") return "unsupported scheme: " + u.Proto;
    targetFailure_ = THttpFailure::BadUrl;
    if (u.Host.empty()) return "no host name in the URL \"" + url + "\"";
    std::string port = u.Port.empty() ? DefaultPort(scheme) : u.Port;
    if (!IsValidPort(port)) return "invalid port in the URL: \"" + u.Port + "\"";
    targetFailure_ = THttpFailure::None;
    scheme_ = scheme;
    targetHost_ = u.Host;
    targetPort_ = port;
    std::string originPath = u.Path.empty() ? "/" : RequestTarget(u.Path);
    if (originPath[0] == '?') originPath.insert(0, "/");
    targetUrl_ = scheme + "://" + Authority(scheme, u.Host, port) + originPath;
    tunnel_ = !Proxy.empty() && scheme == "https";
    if (Proxy.empty()) {
        hostName_ = u.Host;
        port_ = port;
        path_ = originPath;
    } else {
        TUrlParts p = ParseURL(Proxy);
        hostName_ = p.Host;
        port_ = p.Port.empty() ? ProxyPort : p.Port;
        // A plain request asks the proxy for the absolute URL; through a tunnel
        // the server itself is asked.
        path_ = tunnel_ ? originPath : targetUrl_;
    }
    return {};
}

void THttpCli::DoLookup() {
    dnsResult_.clear();
    SetState(hsDnsLookup);
    if (state_ != hsDnsLookup) return;  // aborted by a handler
    try {
        ctrlSocket_->DnsLookup(hostName_);
    } catch (const std::exception& e) {
        LocalFailure(e.what(), 0);
        connected_ = false;
        SetState(hsReady);
    }
}

// The first failure of a request is its reason: what follows from it (the close
// a timeout makes, an abort after a failed step) never replaces it.
void THttpCli::LocalFailure(const std::string& reason, std::uint16_t error, THttpFailure kind) {
    if (failed_) return;
    requestDoneError_ = error;
    // What a server sent may be part of it (a reason phrase, a header value).
    failureText_ = EscapeControls(reason);
    failed_ = true;
    if (kind == THttpFailure::Other && error != 0) {
        if (error == tlsHandshakeFailed || error == tlsStreamFailed)
            kind = ctrlSocket_->SslVerifyError().empty() ? THttpFailure::Tls : THttpFailure::TlsVerify;
        else
            kind = error == WSAEINTR ? THttpFailure::Cancelled : THttpFailure::Socket;
    }
    failureKind_ = kind;
}

std::string THttpCli::SocketErrorText(int error) {
    if ((error == tlsHandshakeFailed || error == tlsStreamFailed) && !ctrlSocket_->SslErrorText().empty())
        return ctrlSocket_->SslErrorText();
    return FailureDescription(error, hostName_);
}

// ---------------------------------------------------------------------------
// Socket events

void THttpCli::SocketDnsLookupDone(std::uint16_t error) {
    if (error != 0) {
        if (state_ == hsAborting) return;
        LocalFailure(FailureDescription(error, hostName_), error);
        CloseHandler(error);
        return;
    }
    dnsResult_ = ctrlSocket_->DnsResult();
    SetState(hsDnsLookupDone);
    if (state_ != hsDnsLookupDone) return;  // aborted by a handler
    try {
        ctrlSocket_->SetAddr(dnsResult_);
        ctrlSocket_->SetPort(port_);
        ctrlSocket_->SetProto("tcp");
        // Straight to an https server: the socket's TLS layer runs the handshake
        // before the connection counts as up. Through a proxy it starts after CONNECT.
        ctrlSocket_->SslEnable = scheme_ == "https" && !tunnel_;
        ctrlSocket_->SslServerName = targetHost_;
        ctrlSocket_->SslVerifyPeer = SslVerifyPeer;
        ctrlSocket_->Connect();
    } catch (const std::exception& e) {
        int n = ctrlSocket_->LastError();
        LocalFailure("can't connect: " + (n != 0 ? FailureDescription(n, hostName_) : std::string(e.what())),
                     static_cast<std::uint16_t>(n));
        if (ctrlSocket_->State() != TSocketState::wsClosed) {
            ctrlSocket_->Close();  // its close event runs the close handler
            return;
        }
        CloseHandler(static_cast<std::uint16_t>(n));
    }
}

void THttpCli::SocketSessionConnected(std::uint16_t error) {
    if (error != 0) {
        LocalFailure(SocketErrorText(error), error);
        CloseHandler(error);
        return;
    }
    connected_ = true;
    answerClosed_ = false;
    rcvdCount_ = 0;
    SetState(hsConnected);
    if (state_ != hsConnected) return;  // aborted by a handler
    std::weak_ptr<char> life = Life();
    TriggerSessionConnected();
    if (life.expired() || state_ != hsConnected) return;  // aborted by a handler
    if (tunnel_) {
        SendTunnelRequest();
        return;
    }
    next_ = &THttpCli::HeaderHandler;
    SetState(hsWaitingHeader);
    if (state_ != hsWaitingHeader) return;
    try {
        SendRequest();
    } catch (const std::exception& e) {
        RecordFailure(e.what(), KindOf(e));
        ctrlSocket_->Close();
    }
}

// https through the proxy: "CONNECT host:port" asks it for a tunnel to the
// server; the TLS handshake and the request go through that tunnel.
void THttpCli::SendTunnelRequest() {
    std::string authority = UrlHost(targetHost_) + ":" + targetPort_;
    std::string head = "CONNECT " + authority + " HTTP/1.0\r\nHost: " + authority + "\r\n";
    if (!Agent.empty()) head += "User-Agent: " + Agent + "\r\n";
    if (!ProxyUsername.empty())
        head += "Proxy-Authorization: Basic " + EncodeBase64(ProxyUsername + ":" + ProxyPassword) + "\r\n";
    head += "\r\n";
    next_ = &THttpCli::TunnelHeaderHandler;
    headerLineCount_ = headerBytes_ = 0;
    // The proxy's answer is read as a header, without the header events.
    SetState(hsWaitingHeader);
    if (state_ != hsWaitingHeader) return;  // aborted by a handler
    ctrlSocket_->SendStr(head);
}

void THttpCli::EndConnection() {
    if (ctrlSocket_->State() != TSocketState::wsClosed) ctrlSocket_->Close();
}

void THttpCli::SecureTunnel() { ctrlSocket_->StartSslHandshake(); }

void THttpCli::SocketTunnelSecured(std::uint16_t error) {
    if (error != 0) {
        // The socket closes itself after a failed handshake; its close event ends the request.
        LocalFailure(SocketErrorText(error), error);
        return;
    }
    next_ = &THttpCli::HeaderHandler;
    Progress();
    try {
        SendRequest();
    } catch (const std::exception& e) {
        RecordFailure(e.what(), KindOf(e));
        ctrlSocket_->Close();
    }
}

void THttpCli::SocketDataSent(std::uint16_t) {
    if (state_ == hsReady || state_ == hsAborting) return;
    Progress();
    if (sendingBody_) SendBodyBlock();
}

THttpFailure THttpCli::KindOf(const std::exception& e) {
    const auto* http = dynamic_cast<const EHttpException*>(&e);
    return http && http->ErrorCode == 7 ? THttpFailure::BadRelocation : THttpFailure::Other;
}

void THttpCli::RecordFailure(const std::string& reason, THttpFailure kind) {
    if (failed_ || state_ == hsAborting) return;
    LocalFailure(reason, 0, kind);
}

void THttpCli::SocketDataAvailable(std::uint16_t error) {
    try {
        if (state_ == hsWaitingBody && rcvdCount_ == 0 && !answerClosed_) {
            // The body: each read is one block, passed on without another copy.
            int got = ctrlSocket_->Receive(bodyBuffer_.get(), kBodyBlockSize);
            if (requestType_ == httpNone || got <= 0) return;
            std::string_view block(bodyBuffer_.get(), static_cast<std::size_t>(got));
            if (next_) (this->*next_)(block, error);
            else PostMessage(kSetReady);
            return;
        }
        if (rcvdCount_ >= kBufferSize) throw EHttpException("HTTP line too long", 4);
        int got = ctrlSocket_->Receive(rcvdBuffer_ + rcvdCount_, kBufferSize - rcvdCount_);
        if (requestType_ == httpNone || got <= 0) return;
        rcvdCount_ += got;
        rcvdBuffer_[rcvdCount_] = 0;
        ProcessReceived(error);
    } catch (const std::exception& e) {
        // The socket's background handling aborts the connection; the request
        // then ends through the close handler, as a failure.
        RecordFailure(e.what(), KindOf(e));
        throw;
    }
}

// ---------------------------------------------------------------------------
// The end of a connection

void THttpCli::SocketSessionClosed(std::uint16_t error) {
    if (relocationClose_) RelocationHandler(error);
    else CloseHandler(error);
}

void THttpCli::CloseHandler(std::uint16_t error) {
    connected_ = false;
    if (state_ != hsAborting && !failed_ && statusCode_ < 400) {
        std::string reason;
        if (ClosedTooEarly(error, reason))
            LocalFailure(reason, error, error != 0 ? THttpFailure::Other
                                        : state_ == hsWaitingBody ? THttpFailure::Incomplete : THttpFailure::Closed);
    }
    if (bodyBlockCount_ > 0) {
        std::weak_ptr<char> life = Life();
        TriggerDocEnd();
        if (life.expired()) return;
    }
    PostMessage(kSetReady);
}

void THttpCli::RelocationHandler(std::uint16_t) {
    connected_ = false;
    locationChangePending_ = false;
    relocationClose_ = false;
    if (++relocations_ > kMaxRelocations) {
        LocalFailure("too many relocations", 0, THttpFailure::TooManyRelocations);
        PostMessage(kSetReady);
        return;
    }
    std::string failure = SetTarget(location_);
    if (!failure.empty()) {
        LocalFailure(failure, 0, targetFailure_);
        PostMessage(kSetReady);
        return;
    }
    // Server credentials stay with the scheme, host and port they were given
    // for; once they were withheld, a way back gets none either.
    if (scheme_ != originalScheme_ || !SameHost(targetHost_, originalHost_) || targetPort_ != originalPort_)
        credentialsAllowed_ = false;
    std::weak_ptr<char> life = Life();
    TriggerLocationChange();
    if (life.expired()) return;
    PostMessage(kRelocate);
}

void THttpCli::Abort() { AbortWith("cancelled", WSAEINTR); }

void THttpCli::AbortWith(const std::string& reason, std::uint16_t error, THttpFailure kind) {
    if (state_ == hsReady) {
        if (ctrlSocket_->State() != TSocketState::wsClosed) ctrlSocket_->Close();
        return;
    }
    THttpState old = state_;
    std::weak_ptr<char> life = Life();
    SetState(hsAborting);
    if (life.expired()) return;
    if (old == hsDnsLookup) {
        try {
            ctrlSocket_->CancelDnsLookup();
        } catch (...) {
        }
    }
    LocalFailure(reason, error, kind);
    relocationClose_ = false;
    if (old == hsDnsLookup || ctrlSocket_->State() == TSocketState::wsClosed)
        CloseHandler(0);
    else
        ctrlSocket_->Close();  // its close event runs the close handler
    if (life.expired()) return;
    // Messages still queued for this request (a relocation restart) are dropped.
    ++requestSerial_;
    SetState(hsReady);
}

// ---------------------------------------------------------------------------
// The request

void THttpCli::SendCommand(std::string& head, std::string line) {
    TriggerCommand(line);
    // A CR or LF would end the line and begin another of someone else's choosing.
    if (HoldsControl(line)) throw EHttpException("a request line holds a control character: " + EscapeControls(line), 8);
    if (!line.empty()) head += line;
    head += "\r\n";
}

void THttpCli::SendRequest() {
    static const char* const methods[] = {"", "GET", "POST", "HEAD"};
    std::string head;
    // A handler (of a command line too) may delete the client.
    std::weak_ptr<char> life = Life();
    auto command = [&](std::string line) {
        if (!life.expired()) SendCommand(head, std::move(line));
    };
    TriggerRequestHeaderBegin();
    if (life.expired()) return;
    // A fragment ("#...") names a place inside the document; it is never sent.
    command(std::string(methods[requestType_]) + " " + path_.substr(0, path_.find('#')) + " HTTP/1.0");
    if (!Sender.empty()) command("From: " + Sender);
    if (!Accept.empty()) command("Accept: " + Accept);
    if (!Reference.empty()) command("Referer: " + Reference);
    if (requestType_ == httpPOST && !ContentTypePost.empty()) command("Content-Type: " + ContentTypePost);
    if (!Agent.empty()) command("User-Agent: " + Agent);
    command("Host: " + UrlHost(targetHost_));
    if (NoCache) command("Pragma: no-cache");
    if (requestType_ == httpPOST) {
        // The body read to its end left the stream failed; every sending of the
        // request (a relocation sends it again) starts at the same place.
        SendStream->clear();
        SendStream->seekg(0, std::ios::end);
        std::streampos end = SendStream->tellg();
        SendStream->seekg(postStart_);
        // The body is what the stream holds from where it stood when the request began.
        long long length = end >= postStart_ ? static_cast<long long>(end - postStart_) : 0;
        command("Content-Length: " + std::to_string(length));
    }
    if (ModifiedSince != 0) command("If-Modified-Since: " + HttpDate(ModifiedSince) + " GMT");
    // Server credentials go only to the host that was asked for, never to a
    // relocation target elsewhere.
    if (!user_.empty() && credentialsAllowed_)
        command("Authorization: Basic " + EncodeBase64(user_ + ":" + pass_));
    if (!Proxy.empty() && !tunnel_ && !ProxyUsername.empty())
        command("Proxy-Authorization: Basic " + EncodeBase64(ProxyUsername + ":" + ProxyPassword));
    if (!Cookie.empty()) command("Cookie: " + Cookie);
    if (!ContentRangeBegin.empty() || !ContentRangeEnd.empty()) {
        command("Range: bytes=" + ContentRangeBegin + "-" + ContentRangeEnd);
        ContentRangeBegin.clear();
        ContentRangeEnd.clear();
    }
    if (life.expired()) return;
    acceptRanges_.clear();
    TriggerRequestHeaderEnd();
    if (life.expired()) return;
    head += "\r\n";
    ctrlSocket_->SendStr(head);
    if (requestType_ == httpPOST) {
        TriggerSendBegin();
        if (life.expired()) return;
        sendingBody_ = true;
        SendBodyBlock();
    }
}

void THttpCli::SendBodyBlock() {
    char block[8193];
    SendStream->read(block, sizeof block);
    auto got = static_cast<int>(SendStream->gcount());
    if (got > 0) {
        sentCount_ += got;
        std::weak_ptr<char> life = Life();
        TriggerSendData(block, got);
        if (life.expired()) return;
        ctrlSocket_->Send(block, got);
    } else {
        sendingBody_ = false;
        TriggerSendEnd();
    }
}

}  // namespace verdane
