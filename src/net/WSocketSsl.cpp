// The TLS layer of the socket: a client-side OpenSSL session on memory
// buffers. Bytes the socket receives go into the session; what the session
// writes goes out through the socket's send queue. The handshake and the
// stream move only when readiness events arrive, so the event loop never blocks.
#include "WSocket.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace verdane {

namespace {

// Most network bytes taken into the session at one time; the rest waits in the
// socket until the session's plaintext has been handed out.
constexpr int kPullBlock = 262144;

// One client context for the program. It is made again when SSL_CERT_FILE or
// SSL_CERT_DIR changed, so the authorities a request sees are those of its time.
SSL_CTX* ClientContext(std::string& error) {
    static std::mutex mutex;
    static SSL_CTX* context = nullptr;
    static std::string madeFor;
    const char* file = std::getenv(X509_get_default_cert_file_env());
    const char* dir = std::getenv(X509_get_default_cert_dir_env());
    std::string key = std::string(file ? file : "") + '\n' + (dir ? dir : "");
    std::lock_guard<std::mutex> lock(mutex);
    if (context && key == madeFor) return context;
    SSL_CTX* made = SSL_CTX_new(TLS_client_method());
    if (!made) {
        error = "can't create a TLS context";
        return nullptr;
    }
    SSL_CTX_set_min_proto_version(made, TLS1_2_VERSION);
    SSL_CTX_set_default_verify_paths(made);
    ERR_clear_error();  // a missing default file or folder is no failure here
    if (context) SSL_CTX_free(context);  // sessions still open keep their own reference
    context = made;
    madeFor = key;
    return context;
}

bool IsIpAddress(const std::string& host) {
    unsigned char buffer[16];
    return ::inet_pton(AF_INET, host.c_str(), buffer) == 1 || ::inet_pton(AF_INET6, host.c_str(), buffer) == 1;
}

// The text of OpenSSL's first queued error, and the queue emptied.
std::string TakeOpenSslError() {
    unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0) return {};
    const char* reason = ERR_reason_error_string(code);
    return reason ? reason : "error " + std::to_string(ERR_GET_REASON(code));
}

}  // namespace

struct TCustomSslWSocket::Session {
    enum class Phase { Handshake, Open, Failed };
    SSL* ssl = nullptr;
    BIO* in = nullptr;   // network bytes for the session (owned by ssl)
    BIO* out = nullptr;  // network bytes from the session (owned by ssl)
    Phase phase = Phase::Handshake;
    bool announceAsConnect = false;  // OnSessionConnected tells the handshake's end
    bool peerClosed = false;         // the server ended the TLS stream
    std::vector<char> block;         // staging for bytes between the socket and the session

    ~Session() {
        if (ssl) SSL_free(ssl);
    }
};

TCustomSslWSocket::TCustomSslWSocket() = default;
TCustomSslWSocket::~TCustomSslWSocket() = default;

bool TCustomSslWSocket::SslActive() const { return session_ && session_->phase == Session::Phase::Open; }

bool TCustomSslWSocket::LowerLayerBusy() const {
    return SocksBusy() || (session_ && session_->phase == Session::Phase::Handshake);
}

void TCustomSslWSocket::Connect() {
    session_.reset();
    sslErrorText_.clear();
    sslVerifyError_.clear();
    TCustomSocksWSocket::Connect();
}

void TCustomSslWSocket::StartSslHandshake() {
    if (state_ != TSocketState::wsConnected) {
        RaiseException("StartSslHandshake: socket not connected");
        return;
    }
    BeginHandshake(false);
}

void TCustomSslWSocket::BeginHandshake(bool announceAsConnect) {
    session_.reset();
    sslErrorText_.clear();
    sslVerifyError_.clear();
    std::string error;
    SSL_CTX* context = ClientContext(error);
    auto session = std::make_unique<Session>();
    session->announceAsConnect = announceAsConnect;
    session->block.resize(kPullBlock);
    if (context) session->ssl = SSL_new(context);
    if (!session->ssl) {
        session_ = std::move(session);
        HandshakeFailed(error.empty() ? "can't create a TLS session" : error, true);
        return;
    }
    session->in = BIO_new(BIO_s_mem());
    session->out = BIO_new(BIO_s_mem());
    BIO_set_mem_eof_return(session->in, -1);  // an empty input means "more to come", not the end
    SSL_set_bio(session->ssl, session->in, session->out);
    SSL_set_connect_state(session->ssl);
    std::string host = SslServerName.empty() ? addr_ : SslServerName;
    if (SslVerifyPeer) {
        SSL_set_verify(session->ssl, SSL_VERIFY_PEER, nullptr);
        if (IsIpAddress(host))
            X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(session->ssl), host.c_str());
        else
            SSL_set1_host(session->ssl, host.c_str());
    } else {
        SSL_set_verify(session->ssl, SSL_VERIFY_NONE, nullptr);
    }
    // Server names go out as SNI; addresses may not.
    if (!host.empty() && !IsIpAddress(host)) SSL_set_tlsext_host_name(session->ssl, host.c_str());
    session_ = std::move(session);
    ContinueHandshake();
}

void TCustomSslWSocket::ContinueHandshake() {
    Session& s = *session_;
    ERR_clear_error();
    int rc = SSL_do_handshake(s.ssl);
    int status = rc == 1 ? SSL_ERROR_NONE : SSL_get_error(s.ssl, rc);
    PushToNetwork();
    if (!session_ || session_->phase != Session::Phase::Handshake) return;
    if (status == SSL_ERROR_WANT_READ || status == SSL_ERROR_WANT_WRITE) return;
    if (status != SSL_ERROR_NONE) {
        long verify = SSL_get_verify_result(s.ssl);
        std::string reason;
        sslVerifyError_.clear();
        if (verify != X509_V_OK) {
            sslVerifyError_ = X509_verify_cert_error_string(verify);
            reason = "certificate verify failed: " + sslVerifyError_;
        }
        else if (std::string text = TakeOpenSslError(); !text.empty())
            reason = "TLS handshake failed: " + text;
        else
            reason = "TLS handshake failed";
        ERR_clear_error();
        HandshakeFailed(reason, true);
        return;
    }
    s.phase = Session::Phase::Open;
    std::uint64_t serial = serial_;
    if (s.announceAsConnect)
        TCustomSocksWSocket::TriggerSessionConnected(0);
    else if (OnSslHandshakeDone)
        OnSslHandshakeDone(*this, 0);
    // Application bytes may have come with the handshake's last message.
    if (serial == serial_ && SslActive() && (SSL_pending(session_->ssl) > 0 || BIO_ctrl_pending(session_->in) > 0))
        DeliverPlaintext(0);
}

void TCustomSslWSocket::HandshakeFailed(const std::string& reason, bool closeNow) {
    session_->phase = Session::Phase::Failed;
    sslErrorText_ = reason;
    lastError_ = tlsHandshakeFailed;
    lastErrorText_ = reason;
    std::uint64_t serial = serial_;
    if (session_->announceAsConnect)
        TCustomSocksWSocket::TriggerSessionConnected(tlsHandshakeFailed);
    else if (OnSslHandshakeDone)
        OnSslHandshakeDone(*this, tlsHandshakeFailed);
    if (closeNow && serial == serial_ && state_ != TSocketState::wsClosed) Close();
}

// The encrypted stream broke after the handshake (a forged or damaged record):
// the connection ends with tlsStreamFailed, through the normal close event.
void TCustomSslWSocket::StreamFailed(const std::string& reason) {
    if (session_->phase == Session::Phase::Failed) return;
    session_->phase = Session::Phase::Failed;
    sslErrorText_ = "TLS stream failed: " + (reason.empty() ? std::string("damaged data") : reason);
    readFailure_ = tlsStreamFailed;
    PostCloseEvent(tlsStreamFailed);
}

// Moves what the socket has received into the session; returns the count taken,
// 0 when nothing was waiting (or the peer closed).
int TCustomSslWSocket::PullFromNetwork() {
    Session& s = *session_;
    int got = TCustomSocksWSocket::Receive(s.block.data(), static_cast<int>(s.block.size()));
    if (got <= 0) return 0;
    BIO_write(s.in, s.block.data(), got);
    return got;
}

// Queues what the session wrote for the network on the socket.
void TCustomSslWSocket::PushToNetwork() {
    Session& s = *session_;
    while (BIO_ctrl_pending(s.out) > 0) {
        int n = BIO_read(s.out, s.block.data(), static_cast<int>(s.block.size()));
        if (n <= 0) break;
        if (state_ != TSocketState::wsConnected) continue;  // nothing can go out any more
        TCustomSocksWSocket::Send(s.block.data(), n);
        if (!session_) return;
    }
}

int TCustomSslWSocket::Send(const void* data, int len) {
    if (!session_ || SocksBusy()) return TCustomSocksWSocket::Send(data, len);
    if (session_->phase != Session::Phase::Open || state_ != TSocketState::wsConnected) {
        lastError_ = WSAENOTCONN;
        SocketError("Send", WSAENOTCONN);
        return -1;
    }
    if (len <= 0) return 0;
    ERR_clear_error();
    // A memory output never runs full, so the session takes everything at once.
    int put = SSL_write(session_->ssl, data, len);
    if (put <= 0) {
        StreamFailed(TakeOpenSslError());
        lastError_ = tlsStreamFailed;
        return -1;
    }
    PushToNetwork();
    return len;
}

int TCustomSslWSocket::Receive(void* buffer, int size) {
    if (!session_ || SocksBusy()) return TCustomSocksWSocket::Receive(buffer, size);
    Session& s = *session_;
    if (s.phase != Session::Phase::Open) {
        // Bytes after a failure (or during the handshake, which reads for itself) are not for the caller.
        if (s.phase == Session::Phase::Failed) PullFromNetwork();
        lastError_ = s.phase == Session::Phase::Failed ? int{tlsStreamFailed} : int{WSAEWOULDBLOCK};
        return -1;
    }
    if (size <= 0) return 0;
    char* out = static_cast<char*>(buffer);
    int got = 0;
    ERR_clear_error();
    while (got < size && !s.peerClosed) {
        int n = SSL_read(s.ssl, out + got, size - got);
        if (n > 0) {
            got += n;
            continue;
        }
        int status = SSL_get_error(s.ssl, n);
        if (status == SSL_ERROR_WANT_READ) {
            if (PullFromNetwork() > 0) continue;
            break;
        }
        if (status == SSL_ERROR_ZERO_RETURN) {
            // The server's close_notify ends the stream: it is answered and the
            // connection closes, for a server that waits for our close_notify
            // before it closes its end would otherwise wait as long as we do.
            s.peerClosed = true;
            SSL_shutdown(s.ssl);
            PushToNetwork();
            if (session_) PostCloseEvent(0);
            break;
        }
        if (status == SSL_ERROR_WANT_WRITE) {
            PushToNetwork();
            continue;
        }
        StreamFailed(TakeOpenSslError());
        break;
    }
    // Reading may have made the session answer (a key update).
    if (session_ && BIO_ctrl_pending(s.out) > 0) PushToNetwork();
    if (got > 0) {
        plainProgress_ = true;
        return got;
    }
    if (s.peerClosed) return 0;
    lastError_ = s.phase == Session::Phase::Failed ? int{tlsStreamFailed} : int{WSAEWOULDBLOCK};
    return -1;
}

int TCustomSslWSocket::RcvdCount() {
    if (!session_ || SocksBusy()) return TCustomSocksWSocket::RcvdCount();
    if (!SslActive()) return 0;
    int pending = SSL_pending(session_->ssl);
    // Not yet decrypted: the network bytes waiting are an upper bound.
    return pending > 0 ? pending : TCustomSocksWSocket::RcvdCount();
}

// Raises the data event while the session may still hold plaintext: one read
// event of the socket can carry several records, more than one Receive takes.
bool TCustomSslWSocket::DeliverPlaintext(std::uint16_t error) {
    std::uint64_t serial = serial_;
    for (;;) {
        plainProgress_ = false;
        if (!TCustomSocksWSocket::TriggerDataAvailable(error)) {
            char discard[4096];
            while (Receive(discard, sizeof discard) > 0 && serial == serial_ && session_) {}
        }
        if (serial != serial_ || !session_ || !SslActive()) return true;
        if (!plainProgress_) return true;
        if (SSL_pending(session_->ssl) == 0 && BIO_ctrl_pending(session_->in) == 0) return true;
    }
}

bool TCustomSslWSocket::TriggerDataAvailable(std::uint16_t error) {
    if (!session_ || SocksBusy()) return TCustomSocksWSocket::TriggerDataAvailable(error);
    switch (session_->phase) {
    case Session::Phase::Handshake:
        PullFromNetwork();
        ContinueHandshake();
        return true;
    case Session::Phase::Failed:
        PullFromNetwork();
        return true;
    case Session::Phase::Open:
        return DeliverPlaintext(error);
    }
    return true;
}

void TCustomSslWSocket::TriggerSessionConnected(std::uint16_t error) {
    // The connection (and the SOCKS handshake, when there is one) is up: the TLS
    // handshake comes before the session counts as connected.
    if (SocksBusy() || error != 0 || !SslEnable || session_) {
        TCustomSocksWSocket::TriggerSessionConnected(error);
        return;
    }
    BeginHandshake(true);
}

void TCustomSslWSocket::TriggerDataSent(std::uint16_t error) {
    // The handshake's own messages are no data of the caller.
    if (session_ && session_->phase == Session::Phase::Handshake) return;
    TCustomSocksWSocket::TriggerDataSent(error);
}

void TCustomSslWSocket::TriggerSessionClosed(std::uint16_t error) {
    if (session_ && session_->phase == Session::Phase::Handshake) {
        std::string why = error != 0 ? WSocketErrorDesc(error) : "the server closed the connection";
        HandshakeFailed("TLS handshake failed: " + why, false);
        if (error == 0) error = tlsHandshakeFailed;
    }
    TCustomSocksWSocket::TriggerSessionClosed(error);
}

}  // namespace verdane
