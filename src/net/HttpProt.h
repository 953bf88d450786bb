// THttpCli: one HTTP/1.0 request at a time (GET, POST, HEAD) over a TWSocket,
// for http:// and https:// URLs, directly or through an HTTP proxy (https
// through a CONNECT tunnel), with Basic authentication and relocations; the body
// is passed on block by block. Used by the download window and `verdane-cli fetch`.
#pragma once

#include "WSocket.h"

#include <cstdint>
#include <functional>
#include <istream>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class QEventLoop;
class QTimer;

namespace verdane {

class EHttpException : public std::runtime_error {
public:
    EHttpException(const std::string& msg, int errorCode) : std::runtime_error(msg), ErrorCode(errorCode) {}
    int ErrorCode;
};

enum THttpState : std::uint8_t {
    hsReady = 0,
    hsNotConnected = 1,
    hsConnected = 2,
    hsDnsLookup = 3,
    hsDnsLookupDone = 4,
    hsWaitingHeader = 5,
    hsWaitingBody = 6,
    hsAborting = 7,
};

enum THttpRequest : int { httpNone = 0, httpGET = 1, httpPOST = 2, httpHEAD = 3 };

// The kind of failure FailureText() names, for callers that say it in their
// own words: Status (StatusCode(), ReasonPhrase()), Socket (RequestDoneError()
// is the socket's error number), Tls and TlsVerify (the socket's
// SslErrorText() and SslVerifyError()), the others the request's own checks.
enum class THttpFailure {
    None, Status, Cancelled, Socket, Tls, TlsVerify, TimedOut, HeaderTimedOut, MaxTime, TooManyRelocations,
    UnsupportedScheme, BadUrl, UrlControl, NoRelocationAddress, BadRelocation, PageTooLarge, ProxyTunnel,
    Incomplete, Closed, TwoLengths, TransferCoding, NoStatusLine, Other
};

// The parts of a URL as the client reads it. An IPv6 literal's host is the
// address without its brackets ("[::1]:8080" gives "::1" and "8080").
struct TUrlParts {
    std::string Proto, User, Pass, Host, Port, Path;
};
TUrlParts ParseURL(const std::string& url);

// The absolute URL a relocation's Location value names, seen from the absolute
// URL `base` that answered with it: an absolute URL stands as it is (its
// scheme's port when it gives none), "//host/path" takes the base's scheme,
// "/path" the base's scheme and host, "?query" the base's path, and any other
// relative reference is taken from the base's folder.
std::string ResolveRelocation(const std::string& base, const std::string& location);

// The port of the scheme ("80" for http, "443" for https, "" for any other).
std::string DefaultPort(const std::string& scheme);
// A port as a URL or a setting gives it: decimal digits only, 1 to 65535.
bool IsValidPort(const std::string& port);

// The path and query of a URL as a request line sends them: each space and
// each byte outside ASCII (a character in UTF-8) written as "%XX"; what is
// percent-encoded already stays as it is.
std::string RequestTarget(std::string_view path);

// Standard Base64 (A-Z a-z 0-9 + /, "=" padding, no line breaks).
std::string EncodeBase64(std::string_view bytes);

// Most relocations followed for one request.
constexpr int kMaxRelocations = 20;
// Most bytes of one answer's header (its lines with their line ends); a server
// that sends header lines without end fails the request instead of filling memory.
constexpr int kMaxHeaderSize = 262144;
// Most body bytes of one answer by default: the largest text a DOC database
// holds (65,535 records of 4,096 bytes). A larger page could not be edited.
constexpr long long kDefaultMaxBodySize = 65535LL * 4096;

// A byte count as the failure of the size limit gives it: whole megabytes
// ("256 MB" for the default limit), kilobytes below one megabyte, else bytes.
std::string SizeLimitText(long long bytes);

class THttpCli {
public:
    using TNotifyEvent = std::function<void(THttpCli& sender)>;
    using TDocDataEvent = std::function<void(THttpCli& sender, const char* buffer, int len)>;

    THttpCli();
    virtual ~THttpCli();
    THttpCli(const THttpCli&) = delete;
    THttpCli& operator=(const THttpCli&) = delete;

    // Published properties.
    std::string URL;
    std::string Proxy;
    std::string ProxyPort = "80";
    std::string Sender;
    std::string Agent = "Mozilla/3.0 (compatible)";
    std::string Accept = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
    std::string Reference;
    std::string Username, Password;
    std::string ProxyUsername, ProxyPassword;
    bool NoCache = false;
    double ModifiedSince = 0;  // days since 30 Dec 1899
    std::string Cookie;
    std::string ContentTypePost = "application/x-www-form-urlencoded";
    std::string ContentRangeBegin, ContentRangeEnd;
    const std::string& AcceptRanges() const { return acceptRanges_; }
    // Verify the certificates of https servers (on by default). Turning it off
    // leaves the connection open to anyone between the program and the server.
    bool SslVerifyPeer = true;
    // Milliseconds the request may go without progress (no state change, no
    // body data, no request data sent), and within which an answer's header must
    // end; the request then fails with "timed out: ...". 0: no limit.
    int TimeoutMs = 0;
    // Milliseconds the whole request may take, relocations included (a body
    // trickled slowly never ends otherwise); the request then fails with
    // "timed out: the download took longer than 600 s". 0: no limit.
    int MaxTimeMs = 0;
    // Most body bytes one answer may have; a larger page fails the request with
    // "the page is larger than 256 MB" (its own size) as soon as its header
    // announces more or its bytes pass the limit. 0: no limit.
    long long MaxBodySize = kDefaultMaxBodySize;

    // Published events.
    TNotifyEvent OnStateChange, OnSessionConnected, OnRequestHeaderBegin, OnRequestHeaderEnd, OnHeaderBegin,
        OnHeaderEnd, OnHeaderData, OnDocBegin, OnDocEnd, OnSendBegin, OnSendEnd, OnLocationChange;
    TDocDataEvent OnDocData, OnSendData;
    std::function<void(THttpCli& sender, std::string& s)> OnCommand;
    std::function<void(THttpCli& sender, const std::string& data, bool& accept)> OnCookie;
    std::function<void(THttpCli& sender, THttpRequest rqType, std::uint16_t error)> OnRequestDone;

    // Run-time state.
    THttpState State() const { return state_; }
    THttpRequest RequestType() const { return requestType_; }
    int StatusCode() const { return statusCode_; }
    const std::string& ReasonPhrase() const { return reasonPhrase_; }
    long long ContentLength() const { return contentLength_; }
    // A second Content-Length of the answer that differs from ContentLength()
    // (-1 when none), and a Transfer-Encoding it named other than "identity".
    long long OtherContentLength() const { return otherLength_; }
    const std::string& TransferCoding() const { return transferCoding_; }
    const std::string& ContentType() const { return contentType_; }
    const std::vector<std::string>& ReceivedHeaders() const { return receivedHeaders_; }
    const std::vector<std::string>& AuthChallenges() const { return authChallenges_; }
    const std::string& DocumentName() const { return documentName_; }
    const std::string& Location() const { return location_; }
    std::ostream* ReceiveStream = nullptr;  // not owned
    std::istream* SendStream = nullptr;     // not owned
    long long ReceivedCount() const { return receivedCount_; }
    long long SentCount() const { return sentCount_; }
    std::uint16_t RequestDoneError() const { return requestDoneError_; }
    TWSocket& CtrlSocket() { return *ctrlSocket_; }
    // The path sent in the request line (an absolute URL through a proxy).
    const std::string& RequestPath() const { return path_; }

    // Why the last request failed, empty when it did not: an HTTP failure as its
    // status and reason ("404 Not Found", "407 Proxy Authentication Required",
    // the code alone when the server gave no reason), a local failure in this
    // program's words ("connection refused", "host not found: example.invalid",
    // "timed out after 60 s", "cancelled"). A local failure never sets StatusCode().
    const std::string& FailureText() const { return failureText_; }
    bool Failed() const { return !failureText_.empty(); }
    THttpFailure FailureKind() const {
        return failureText_.empty() ? THttpFailure::None : failed_ ? failureKind_ : THttpFailure::Status;
    }

    // Synchronous requests: run the event loop until the request is over; raise
    // EHttpException with FailureText() for a status of 400 or more (ErrorCode:
    // the status) and for every local failure (ErrorCode 0).
    void Get();
    void Post();
    void Head();
    // Asynchronous starts; OnRequestDone tells the end.
    void GetASync();
    void PostASync();
    void HeadASync();
    void Abort();

protected:
    // Hands answer bytes to the answer parser exactly as if the socket had
    // received them, for tests that split answers anywhere (through a subclass).
    // BeginAnswer puts the client into the state of a request whose head was just sent.
    void BeginAnswer(THttpRequest rqType = httpGET);
    void ReceiveAnswerBytes(std::string_view bytes, std::uint16_t error = 0);

    // Trigger methods: each raises its event; subclasses override them.
    virtual void TriggerStateChange();
    virtual void TriggerSessionConnected();
    virtual void TriggerRequestHeaderBegin();
    virtual void TriggerRequestHeaderEnd();
    virtual void TriggerHeaderBegin();
    virtual void TriggerHeaderEnd();
    virtual void TriggerHeaderData();
    virtual void TriggerDocBegin();
    virtual void TriggerDocData(const char* data, int len);
    virtual void TriggerDocEnd();
    virtual void TriggerSendBegin();
    virtual void TriggerSendData(const char* data, int len);
    virtual void TriggerSendEnd();
    virtual void TriggerLocationChange();
    virtual void TriggerCommand(std::string& s);
    virtual void TriggerCookie(const std::string& data, bool& accept);
    virtual void TriggerRequestDone();

private:
    using LineHandler = void (THttpCli::*)(std::string_view line, std::uint16_t error);

    void SetState(THttpState newState);
    // Takes the absolute URL of the next hop: scheme, host, port and path, the
    // connection's end (the proxy or the server) and the request-URI. Returns
    // the reason when the URL can't be fetched ("unsupported scheme: ftp").
    std::string SetTarget(const std::string& url);
    void AbortWith(const std::string& reason, std::uint16_t error, THttpFailure kind = THttpFailure::Other);
    void Progress();
    void TimedOut();
    void TookTooLong();
    std::string SocketErrorText(int error);
    // A weak reference to this client: a handler may delete the client, and
    // code after an event checks this before it touches the client again.
    std::weak_ptr<char> Life() const { return life_; }
    void DoRequestSync(THttpRequest rq);
    void DoRequestAsync(THttpRequest rq);
    void DoLookup();
    void WndProc(const TMessageEvent& message);
    void PostMessage(int msg);
    // `kind` Other: the kind follows from `error` (none, a socket's, TLS, cancelled).
    void LocalFailure(const std::string& reason, std::uint16_t error, THttpFailure kind = THttpFailure::Other);

    // Socket events, each told the socket's error.
    void SocketDnsLookupDone(std::uint16_t error);
    void SocketSessionConnected(std::uint16_t error);
    void SocketDataAvailable(std::uint16_t error);
    void SocketDataSent(std::uint16_t error);
    void SocketSessionClosed(std::uint16_t error);
    void SocketTunnelSecured(std::uint16_t error);
    void TunnelHeaderHandler(std::string_view line, std::uint16_t error);
    void SendTunnelRequest();
    // The answer's reading is over early (an error status, a relocation, a
    // refused tunnel): the connection closes, and its close event ends the request.
    void EndConnection();
    // The proxy's tunnel stands: the TLS handshake with the server begins.
    void SecureTunnel();
    // A failure inside the answer's handling: recorded, then passed on.
    void RecordFailure(const std::string& reason, THttpFailure kind = THttpFailure::Other);
    // The kind of a failure raised as an exception inside the answer's handling.
    static THttpFailure KindOf(const std::exception& e);

    // Answer parsing: the buffered bytes, then one handler per state.
    void ProcessReceived(std::uint16_t error);
    void HeaderHandler(std::string_view line, std::uint16_t error);
    void BodyHandler(std::string_view block, std::uint16_t error);
    void StartBody(std::string_view first, std::uint16_t error);
    // Whether the answer has a body: not for HEAD, 1xx, 204 and 304.
    bool BodyExpected() const;
    // The body's length as the header gives it (0 when there is no body), -1 unknown.
    long long BodyLength() const;
    // The whole body has arrived before the connection's end: the connection
    // closes, and its close event ends the request as a success.
    void FinishBody();
    // The body passed MaxBodySize: the request fails and the connection closes.
    void BodyTooLarge();
    void HandleHeaderLine(std::string_view line);
    // Whether the header's end leaves a body whose framing can be trusted;
    // when not, the answer fails with the reason and the connection closes.
    bool FramingTrusted();
    void HandleLocation(const std::string& value);

    // End of the connection, in a normal request and after a relocation answer.
    void CloseHandler(std::uint16_t error);
    void RelocationHandler(std::uint16_t error);
    bool ClosedTooEarly(std::uint16_t error, std::string& reason) const;

    void SendRequest();
    void SendCommand(std::string& head, std::string line);
    void SendBodyBlock();

    std::unique_ptr<TWSocket> ctrlSocket_;
    std::unique_ptr<THiddenWindow> window_;
    std::uint64_t requestSerial_ = 0;  // posted messages of an older request are dropped

    THttpState state_ = hsReady;
    THttpRequest requestType_ = httpNone;
    int statusCode_ = 0;
    std::string reasonPhrase_;
    std::string failureText_;  // FailureText()
    THttpFailure failureKind_ = THttpFailure::None;
    THttpFailure targetFailure_ = THttpFailure::None;  // why SetTarget refused its URL
    long long contentLength_ = -1;
    long long otherLength_ = -1;  // a second Content-Length that differs from the first
    std::string transferCoding_;  // a Transfer-Encoding other than "identity"
    std::string contentType_;
    std::vector<std::string> receivedHeaders_;
    std::vector<std::string> authChallenges_;
    std::string documentName_;
    std::string location_;
    std::string acceptRanges_;
    long long receivedCount_ = 0, sentCount_ = 0;
    std::uint16_t requestDoneError_ = 0;

    std::string hostName_;    // host to connect to
    std::string port_;        // port to connect to
    std::string scheme_;      // "http" or "https" of the current hop
    std::string targetHost_;  // for the Host line
    std::string targetPort_;  // the server's port
    std::string targetUrl_;   // absolute URL of the current hop; relocations resolve from it
    std::string path_;        // request-URI
    // Scheme, host and port of the URL asked for: credentials go only there.
    std::string originalScheme_, originalHost_, originalPort_;
    std::string user_, pass_;   // server credentials of this request
    bool credentialsAllowed_ = true;  // false once a relocation left the scheme, host or port
    bool tunnel_ = false;       // https through the proxy: CONNECT first
    bool connected_ = false;
    bool locationChangePending_ = false;
    bool sendingBody_ = false;
    std::streampos postStart_ = 0;  // where the POST body starts in SendStream; a relocation sends it again
    bool answerClosed_ = false;  // the client ended this answer; later bytes are dropped
    bool failed_ = false;      // a failure was recorded; the close must not hide it
    int headerLineCount_ = 0;
    int headerBytes_ = 0;  // bytes of the current answer's header so far
    int bodyBlockCount_ = 0;
    int relocations_ = 0;
    bool relocationClose_ = false;  // the socket's close runs the relocation handler
    std::string dnsResult_;

    static constexpr int kBufferSize = 8192;  // the longest header line, and the header's buffer
    char rcvdBuffer_[kBufferSize + 1];
    // Body bytes are read in larger blocks straight into this buffer and passed on.
    static constexpr int kBodyBlockSize = 262144;
    std::unique_ptr<char[]> bodyBuffer_;
    int rcvdCount_ = 0;
    std::string_view lineEnd_;  // the line end that followed the line being handled
    LineHandler next_ = nullptr;
    std::shared_ptr<char> life_ = std::make_shared<char>();
    std::unique_ptr<QTimer> timer_;
    std::unique_ptr<QTimer> deadline_;  // MaxTimeMs
    QEventLoop* syncLoop_ = nullptr;  // the loop of a synchronous request
    int socketEventDepth_ = 0;  // inside a socket event: the socket must outlive it
};

}  // namespace verdane
