// The asynchronous socket component (TWSocket and its layers) on non-blocking
// POSIX sockets, driven by the Qt event loop of the thread that owns it. Used by
// the HTTP client (HttpProt.h); every event arrives on the owning thread.
#pragma once

#include "HiddenWindow.h"

#include <netinet/in.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

class QSocketNotifier;

namespace verdane {

class ESocketException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class TSocketState : std::uint8_t {
    wsInvalidState,
    wsOpened,
    wsBound,
    wsConnecting,
    wsConnected,
    wsAccepting,
    wsListening,
    wsClosed,
};

enum class TSocketLingerOnOff { wsLingerOff, wsLingerOn, wsLingerNoSet };
enum class TSocketSendFlags { wsSendNormal, wsSendUrgent };
enum TWSocketOption : unsigned { wsoNoReceiveLoop = 1 };
using TWSocketOptions = unsigned;  // a set of TWSocketOption bits
enum class TSocksAuthentication { socksNoAuthentication, socksAuthenticateUsercode };
enum class TSocksAuthState { socksAuthStart, socksAuthSuccess, socksAuthFailure, socksAuthNotRequired };

// WinSock event bits, as the socket events carry them.
enum : int { FD_READ = 0x01, FD_WRITE = 0x02, FD_OOB = 0x04, FD_ACCEPT = 0x08, FD_CONNECT = 0x10, FD_CLOSE = 0x20 };

// WinSock error numbers used by the layers above.
enum : int {
    WSAEINTR = 10004,
    WSAEINVAL = 10022,
    WSAEWOULDBLOCK = 10035,
    WSAENOTSOCK = 10038,
    WSAECONNABORTED = 10053,
    WSAECONNRESET = 10054,
    WSAENOTCONN = 10057,
    WSAETIMEDOUT = 10060,
    WSAECONNREFUSED = 10061,
    WSANOTINITIALISED = 10093,
    WSAHOST_NOT_FOUND = 11001,
    WSATRY_AGAIN = 11002,
    WSANO_RECOVERY = 11003,
    WSANO_DATA = 11004,
};

// The WinSock error number for a POSIX errno value (unknown values pass unchanged).
int WinSockErrorFromErrno(int error);
// The WinSock error number for a getaddrinfo() result.
int WinSockErrorFromGai(int gaiError);

std::string WSocketErrorDesc(int error);
// Network-order IPv4 address of a dotted address or a host name (blocking lookup).
std::uint32_t WSocketResolveHost(const std::string& name);
// The resolver of the lookups that run off the caller's thread: a host name to
// its IPv4 addresses (network order), returning a WinSock error number, 0 on
// success. The system's (getaddrinfo) unless one is set; an empty function
// sets the system's again. Tests set a slow or scripted one.
using THostResolver = std::function<int(const std::string& name, std::vector<std::uint32_t>& addresses)>;
void SetHostResolver(THostResolver resolver);
// Port number (host order) of a decimal port or a service name.
std::uint16_t WSocketResolvePort(const std::string& port, const std::string& proto);
int WSocketResolveProto(const std::string& proto);

// One block of the send queue: a fixed-capacity byte array read from the front.
class TBuffer {
public:
    explicit TBuffer(int size);
    // Copies as much of `data` as fits; returns the count taken.
    int Write(const char* data, int len);
    // The unread bytes: pointer and count.
    const char* Peek(int& len) const;
    // Marks n bytes read; when everything is read both counts return to 0.
    void Remove(int n);
    // Changes the capacity, keeping the written bytes.
    void SetBufSize(int size);
    int BufSize() const { return static_cast<int>(buf_.size()); }
    int Count() const { return wrCount_ - rdCount_; }

private:
    std::vector<char> buf_;
    int wrCount_ = 0;
    int rdCount_ = 0;
};

struct TLookupJob;  // a name lookup on a worker thread

// The base socket: resolution, connect, send queue, receive, close, listen and
// accept, UDP, and the event dispatch.
class TCustomWSocket {
public:
    using TSessionEvent = std::function<void(TCustomWSocket& sender, std::uint16_t error)>;

    TCustomWSocket();
    virtual ~TCustomWSocket();
    TCustomWSocket(const TCustomWSocket&) = delete;
    TCustomWSocket& operator=(const TCustomWSocket&) = delete;

    // Properties.
    const std::string& Addr() const { return addr_; }
    void SetAddr(const std::string& value);
    const std::string& Port() const { return port_; }
    void SetPort(const std::string& value);
    const std::string& Proto() const { return proto_; }
    void SetProto(const std::string& value);
    const std::string& LocalAddr() const { return localAddr_; }
    void SetLocalAddr(const std::string& value);
    const std::string& LocalPort() const { return localPort_; }
    void SetLocalPort(const std::string& value);
    std::string PeerAddr() const;
    std::string PeerPort() const;
    const std::string& DnsResult() const { return dnsResult_; }
    const std::vector<std::string>& DnsResultList() const { return dnsResultList_; }
    TSocketState State() const { return state_; }
    long long ReadCount() const { return readCount_; }
    void ResetReadCount() { readCount_ = 0; }
    virtual int RcvdCount();
    int LastError() const { return lastError_; }
    TWSocketOptions ComponentOptions = 0;
    TSocketSendFlags SendFlags() const { return sendFlags_; }
    void SetSendFlags(TSocketSendFlags value);
    TSocketLingerOnOff LingerOnOff = TSocketLingerOnOff::wsLingerOn;
    int LingerTimeout = 0;
    int HSocket() const { return fd_; }
    bool AllSent() const { return allSent_; }

    // Events.
    TSessionEvent OnSessionConnected, OnSessionClosed, OnSessionAvailable, OnDataAvailable, OnDataSent,
        OnDnsLookupDone;
    std::function<void(TCustomWSocket& sender, int bytesSent)> OnSendData;
    std::function<void(TCustomWSocket& sender, TSocketState oldState, TSocketState newState)> OnChangeState;
    std::function<void(TCustomWSocket& sender)> OnError;
    std::function<void(TCustomWSocket& sender, const std::exception& e, bool& canClose)> OnBgException;

    // Operations.
    virtual void Connect();
    virtual void Close();
    void Abort();
    void CloseDelayed();
    void Release();  // posted destruction; only for sockets made with new
    // Listens on Addr:Port. A host name as Addr is looked up off this thread
    // first: the state becomes wsListening when the address has come.
    virtual void Listen();
    int Accept();
    void Dup(int newHSocket);
    void Shutdown(int how);
    void Pause();
    void Resume();
    void DnsLookup(const std::string& hostName);
    void ReverseDnsLookup(const std::string& hostAddr);
    void CancelDnsLookup();
    // Queues bytes for sending; a layer above the socket (TLS) transforms them first.
    virtual int Send(const void* data, int len);
    int SendStr(const std::string& str) { return Send(str.data(), static_cast<int>(str.size())); }
    int SendTo(const sockaddr_in& dest, const void* data, int len);
    virtual int Receive(void* buffer, int size);
    std::string ReceiveStr();
    int ReceiveFrom(void* buffer, int size, sockaddr_in& from);
    int GetSockName(sockaddr_in& name);
    int GetPeerName(sockaddr_in& name);
    // Runs the pending events of this thread once.
    void ProcessMessages();
    // The text of the last error that went through the error path.
    const std::string& LastErrorText() const { return lastErrorText_; }

protected:
    // Trigger methods: each raises its event; subclasses override them.
    virtual void TriggerSessionConnected(std::uint16_t error);
    virtual void TriggerSessionClosed(std::uint16_t error);
    virtual void TriggerSessionAvailable(std::uint16_t error);
    // Returns false when no handler took the data.
    virtual bool TriggerDataAvailable(std::uint16_t error);
    virtual void TriggerDataSent(std::uint16_t error);
    virtual void TriggerDnsLookupDone(std::uint16_t error);
    virtual void TriggerSendData(int bytesSent);
    virtual void TriggerChangeState(TSocketState oldState, TSocketState newState);
    virtual void TriggerError();

    // Message dispatch of the hidden window; exceptions go to HandleBackgroundException.
    virtual void WndProc(const TMessageEvent& message);
    void HandleBackgroundException(const std::exception& e);
    void Post(int msg, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);

    // One socket event: event bits and an error number.
    virtual void ProcessSocketEvent(int events, std::uint16_t error);
    void ChangeState(TSocketState newState);
    // Ends the connection through the close event, with `error` as its error.
    void PostCloseEvent(int error);
    bool CanChange(const char* property);
    // Reports a failed system call of operation `op` with the error `error`.
    void SocketError(const std::string& op, int error);
    // The common error path: OnError if assigned, else ESocketException.
    void RaiseException(const std::string& msg);
    void InternalClose(bool shutdownFirst);
    void AssignDefaultValue();
    void ReceiveLoop(std::uint16_t error, bool once);
    bool TryToSend();
    void DeleteBufferedData();
    void ApplyLinger();
    // Resolves what Connect and Listen need; a host name that is no dotted
    // address is left for a lookup when `lookUpNames` is false.
    void ResolveForConnect(bool lookUpNames);
    void CreateNotifiers(bool wantWrite);
    void DeleteNotifiers();
    void EnableRead();
    void OnReadReady();
    void OnWriteReady();

    int fd_ = -1;
    std::unique_ptr<THiddenWindow> window_;
    std::unique_ptr<QSocketNotifier> readNotifier_, writeNotifier_;
    bool readWanted_ = false, writeWanted_ = false;
    std::uint64_t serial_ = 1;  // changes with every new handle, so old posted events are dropped
    TSocketState state_ = TSocketState::wsClosed;
    std::string addr_, port_, proto_ = "tcp", localAddr_ = "0.0.0.0", localPort_ = "0";
    sockaddr_in sin_{};
    // An IPv6 literal as the address (Addr "::1"): connected through sin6_.
    sockaddr_in6 sin6_{};
    bool ipv6_ = false;
    bool addrResolved_ = false, portResolved_ = false, protoResolved_ = false, localPortResolved_ = false;
    int protoNum_ = IPPROTO_TCP;
    int sockType_ = 1;  // SOCK_STREAM
    std::uint16_t localPortNum_ = 0;
    std::deque<std::unique_ptr<TBuffer>> bufList_;
    int bufSize_ = 1460;
    bool allSent_ = true;
    bool dataSentPending_ = false;  // data was queued since the last OnDataSent
    bool closeInvoked_ = false;
    bool paused_ = false;
    bool destroying_ = false;
    bool receivedInPass_ = false;
    bool receiveDrained_ = false;  // the last receive got less than it asked for
    int readFailure_ = 0;  // a receive failed (a reset): the close event carries this error
    long long readCount_ = 0;
    int lastError_ = 0;
    std::string lastErrorText_;
    TSocketSendFlags sendFlags_ = TSocketSendFlags::wsSendNormal;
    std::string dnsResult_;
    std::vector<std::string> dnsResultList_;

    std::shared_ptr<TLookupJob> lookup_;      // DnsLookup / ReverseDnsLookup
    std::shared_ptr<TLookupJob> hostLookup_;  // a host name Connect or SOCKS needs
    int nextLookupHandle_ = 1;
    void StartLookup(const std::string& name, bool reverse);
    void DropPendingLookup();
    void LookupDone(const TMessageEvent& message);
    // Looks up a host name off this thread; `msg` comes back with the answer,
    // which TakeHostLookup reads (false: not the pending lookup's answer).
    void StartHostLookup(const std::string& name, int msg);
    void DropHostLookup();
    bool TakeHostLookup(const TMessageEvent& message, int& error, std::uint32_t& address);
    void ConnectLookupDone(const TMessageEvent& message);
    void ListenLookupDone(const TMessageEvent& message);
};

// SOCKS 4, 4A and 5 client in front of Connect.
class TCustomSocksWSocket : public TCustomWSocket {
public:
    const std::string& SocksLevel() const { return socksLevel_; }
    void SetSocksLevel(const std::string& value);
    const std::string& SocksServer() const { return socksServer_; }
    void SetSocksServer(const std::string& value);
    const std::string& SocksPort() const { return socksPort_; }
    void SetSocksPort(const std::string& value);
    std::string SocksUsercode, SocksPassword;
    TSocksAuthentication SocksAuthentication = TSocksAuthentication::socksNoAuthentication;

    std::function<void(TCustomWSocket& sender, std::uint16_t error)> OnSocksConnected;
    std::function<void(TCustomWSocket& sender, int error, const std::string& msg)> OnSocksError;
    std::function<void(TCustomWSocket& sender, TSocksAuthState state)> OnSocksAuthState;

    void Connect() override;
    void Listen() override;
    int Receive(void* buffer, int size) override;
    int RcvdCount() override;

protected:
    void TriggerSessionConnected(std::uint16_t error) override;
    bool TriggerDataAvailable(std::uint16_t error) override;
    // True while the SOCKS handshake owns the connection's bytes.
    bool SocksBusy() const { return step_ != Step::None; }
    void WndProc(const TMessageEvent& message) override;
    virtual void TriggerSocksConnected(std::uint16_t error);
    virtual void TriggerSocksError(int error, const std::string& msg);
    virtual void TriggerSocksAuthState(TSocksAuthState state);

private:
    enum class Step { None, Greeting, Auth, Request, Done };
    void SocksSendGreeting();
    void SocksSendAuth();
    void SocksSendRequest();
    void SocksFail(int error, const std::string& msg);
    bool SocksHandleData();
    int SocksReplySize() const;

    std::string socksLevel_ = "5", socksServer_, socksPort_ = "1080";
    Step step_ = Step::None;
    std::string targetAddr_, targetPort_;
    std::uint32_t targetAddress_ = 0;  // SOCKS 4: the looked-up address of targetAddr_
    bool targetResolved_ = false;
    std::string socksReply_;   // bytes of the proxy's reply read so far
    std::string socksExtra_;   // bytes after the reply, handed out by Receive
};

// Error numbers of the TLS layer: the handshake failed (the server's certificate
// was refused, no common protocol, the connection ended), or the encrypted
// stream broke afterwards. SslErrorText() tells the reason.
enum : int { tlsHandshakeFailed = 20101, tlsStreamFailed = 20102 };

// TLS between the connection (and its SOCKS handshake) and the line layer.
// OpenSSL works on memory buffers only: the socket below still does every read
// and write, driven by the same readiness events, so nothing ever blocks.
class TCustomSslWSocket : public TCustomSocksWSocket {
public:
    TCustomSslWSocket();
    ~TCustomSslWSocket() override;

    // Run a TLS handshake as soon as the connection is up; OnSessionConnected
    // then tells the handshake's end (its error is tlsHandshakeFailed on failure).
    bool SslEnable = false;
    // The server's name: sent as SNI and checked against its certificate (a
    // dotted address is checked as an address). Empty: Addr.
    std::string SslServerName;
    // Verify the server's certificate chain against the system's authorities
    // (OpenSSL's default paths: SSL_CERT_FILE and SSL_CERT_DIR apply).
    bool SslVerifyPeer = true;
    // The reason of the last TLS failure, e.g. "certificate verify failed: self-signed certificate".
    const std::string& SslErrorText() const { return sslErrorText_; }
    // The certificate's fault when verifying it failed ("self-signed certificate"), else empty.
    const std::string& SslVerifyError() const { return sslVerifyError_; }
    // The handshake is over and the connection's bytes are encrypted.
    bool SslActive() const;
    // Starts a TLS handshake on a connection that is already up (after a proxy's
    // CONNECT answer); OnSslHandshakeDone tells its end.
    void StartSslHandshake();
    std::function<void(TCustomWSocket& sender, std::uint16_t error)> OnSslHandshakeDone;

    void Connect() override;
    int Send(const void* data, int len) override;
    int Receive(void* buffer, int size) override;
    int RcvdCount() override;

protected:
    void TriggerSessionConnected(std::uint16_t error) override;
    bool TriggerDataAvailable(std::uint16_t error) override;
    void TriggerDataSent(std::uint16_t error) override;
    void TriggerSessionClosed(std::uint16_t error) override;
    // True while the SOCKS or the TLS handshake owns the connection's bytes.
    bool LowerLayerBusy() const;

private:
    struct Session;
    void BeginHandshake(bool announceAsConnect);
    void ContinueHandshake();
    void HandshakeFailed(const std::string& reason, bool closeNow);
    void StreamFailed(const std::string& reason);
    int PullFromNetwork();
    void PushToNetwork();
    bool DeliverPlaintext(std::uint16_t error);

    std::unique_ptr<Session> session_;
    std::string sslErrorText_;
    std::string sslVerifyError_;
    bool plainProgress_ = false;  // a Receive of this pass returned plaintext
};

// Line mode: received bytes are cut at LineEnd and handed out one line at a time.
class TCustomLineWSocket : public TCustomSslWSocket {
public:
    bool LineMode() const { return lineMode_; }
    void SetLineMode(bool value);
    int LineLimit = 65536;
    std::string LineEnd = "\r\n";
    bool LineEcho = false;
    bool LineEdit = false;

    std::function<void(TCustomWSocket& sender)> OnLineTooLong;
    std::function<void(TCustomWSocket& sender, int rcvdLength, bool& clearData)> OnLineLimitExceeded;

    int Receive(void* buffer, int size) override;
    int RcvdCount() override;

protected:
    bool TriggerDataAvailable(std::uint16_t error) override;
    void TriggerSessionClosed(std::uint16_t error) override;
    virtual void TriggerLineLimitExceeded(int rcvdLength, bool& clearData);
    void WndProc(const TMessageEvent& message) override;

private:
    bool DeliverLines(std::uint16_t error, bool flushPartial);
    void EditLine(std::string& bytes);

    bool lineMode_ = false;
    std::string rcvdBuf_;    // bytes not yet handed out
    std::size_t lineLength_ = 0;  // length of the line being handed out, 0 = none
};

// Blocking waits on top of the asynchronous socket, by running the event loop.
class TCustomSyncWSocket : public TCustomLineWSocket {
public:
    // Runs the event loop until `flag` is true. Returns 0, or 12001 on timeout
    // (milliseconds, 0 = none) or when the application is ending.
    int WaitUntilReady(const bool& flag, int timeoutMs);
    // Waits for one line in line mode; returns false on timeout or close.
    bool ReadLine(int timeoutMs, std::string& line);
};

class TWSocket : public TCustomSyncWSocket {};

}  // namespace verdane
