// The HTTP client over TLS against the tests' own HTTPS server on 127.0.0.1,
// with a certificate authority and certificates the test makes: a good
// certificate, refused ones (self-signed, expired, another host, an unknown
// authority), a server offering only old protocol versions, bodies cut short,
// relocations between http and https, and the limits of a request.
#include "HttpProt.h"
#include "HttpTestSupport.h"
#include "NetTestSupport.h"
#include "TestCertificates.h"
#include "TestHttpServer.h"
#include "TestSupport.h"

#include <openssl/ssl.h>

#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <sstream>

using namespace verdane;
using namespace verdane::test;

namespace {

// SSL_CERT_FILE for the length of a test, restored afterwards.
class CertFileSetting {
public:
    explicit CertFileSetting(const std::string& file) {
        if (const char* old = std::getenv("SSL_CERT_FILE")) old_ = old, hadOld_ = true;
        ::setenv("SSL_CERT_FILE", file.c_str(), 1);
    }
    ~CertFileSetting() {
        if (hadOld_) ::setenv("SSL_CERT_FILE", old_.c_str(), 1);
        else ::unsetenv("SSL_CERT_FILE");
    }

private:
    std::string old_;
    bool hadOld_ = false;
};

class Https : public ::testing::Test {
protected:
    void SetUp() override {
        QtApp();
        ca_ = std::make_unique<TestCertificateAuthority>(dir_.Path());
        good_ = ca_->Issue("good", {"DNS:localhost", "IP:127.0.0.1"});
        certFile_ = std::make_unique<CertFileSetting>(ca_->CaFile());
        fdsBefore_ = OpenFdCount();
        http_ = std::make_unique<THttpCli>();
        http_->OnDocData = [this](THttpCli&, const char* p, int n) { body_.append(p, static_cast<std::size_t>(n)); };
    }

    void TearDown() override {
        http_.reset();
        DrainEvents();
        servers_.clear();
        EXPECT_TRUE(FdCountReturnsTo(fdsBefore_)) << "a socket was left open";
    }

    TestHttpServer& Server(const TestCertificate& cert, int minVersion = 0, int maxVersion = 0) {
        servers_.push_back(std::make_unique<TestHttpServer>(TlsSettings{cert.certFile, cert.keyFile, minVersion, maxVersion}));
        return *servers_.back();
    }
    TestHttpServer& PlainServer() {
        servers_.push_back(std::make_unique<TestHttpServer>());
        return *servers_.back();
    }

    std::pair<std::string, int> Get(const std::string& url) {
        body_.clear();
        return GetOutcome(*http_, url);
    }

    TempDir dir_;
    std::unique_ptr<TestCertificateAuthority> ca_;
    TestCertificate good_;
    std::unique_ptr<CertFileSetting> certFile_;
    std::vector<std::unique_ptr<TestHttpServer>> servers_;
    std::unique_ptr<THttpCli> http_;
    std::string body_;
    int fdsBefore_ = 0;
};

TEST_F(Https, FetchesFromAServerWithAGoodCertificate) {
    TestHttpServer& server = Server(good_);
    server.On("/page", {Send(Answer("HTTP/1.0 200 OK", {"Content-Type: text/html", "Content-Length: 12"}, "<p>safe</p>\n"))});
    auto [error, code] = Get(server.Url("/page"));
    EXPECT_EQ(error, "");
    EXPECT_EQ(body_, "<p>safe</p>\n");
    EXPECT_EQ(http_->StatusCode(), 200);
    EXPECT_EQ(server.LastRequest(), "GET /page HTTP/1.0\r\nAccept: image/gif, image/x-xbitmap, image/jpeg, "
                                    "image/pjpeg, */*\r\nUser-Agent: Mozilla/3.0 (compatible)\r\nHost: 127.0.0.1\r\n\r\n");
    // By name: the name goes out as SNI (an address never does) and is checked.
    EXPECT_EQ(Get("https://localhost:" + std::to_string(server.Port()) + "/page").first, "");
    EXPECT_EQ(body_, "<p>safe</p>\n");
    EXPECT_EQ(server.ServerNames(), (std::vector<std::string>{"", "localhost"}));
    EXPECT_EQ(http_->State(), hsReady);
    EXPECT_EQ(http_->CtrlSocket().State(), TSocketState::wsClosed);
}

TEST_F(Https, ABodyOfManyRecordsArrivesWholeWhateverTheReadSizes) {
    TestHttpServer& server = Server(good_);
    std::string body;
    for (int i = 0; body.size() < 3'000'000; ++i) body += "line " + std::to_string(i) + " of a long page\r\n";
    server.On("/big", {Send("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n"),
                       Send(body.substr(0, 5)), Delay(50), Send(body.substr(5))});
    EXPECT_EQ(Get(server.Url("/big")).first, "");
    EXPECT_EQ(body_.size(), body.size());
    EXPECT_TRUE(body_ == body);
    EXPECT_EQ(http_->ReceivedCount(), static_cast<long long>(body.size()));
}

TEST_F(Https, PostsItsBodyThroughTheEncryptedConnection) {
    TestHttpServer& server = Server(good_);
    server.On("/form", {Send(Answer("HTTP/1.0 200 OK", {}, "thanks"))});
    std::string sent(50000, 'x');
    std::istringstream stream(sent);
    http_->SendStream = &stream;
    http_->URL = server.Url("/form");
    http_->Post();
    EXPECT_EQ(body_, "thanks");
    ASSERT_EQ(server.Bodies().size(), 1u);
    EXPECT_TRUE(server.Bodies()[0] == sent);
}

struct RefusedCase {
    std::string name;
    std::string reason;
};

class HttpsRefused : public Https, public ::testing::WithParamInterface<RefusedCase> {};

// Every refused certificate ends the request in hsReady with its reason; the
// server never sees a request and no socket stays open.
TEST_P(HttpsRefused, FailsWithTheReasonBeforeAnyRequest) {
    const RefusedCase& c = GetParam();
    TestCertificate cert;
    std::string host = "127.0.0.1";
    if (c.name == "SelfSigned") cert = ca_->Issue("self", {"DNS:localhost", "IP:127.0.0.1"}, -1, 30, true);
    if (c.name == "Expired") cert = ca_->Issue("expired", {"DNS:localhost", "IP:127.0.0.1"}, -30, -1);
    if (c.name == "NotYetValid") cert = ca_->Issue("future", {"DNS:localhost", "IP:127.0.0.1"}, 2, 30);
    if (c.name == "OtherAddress") cert = ca_->Issue("other-ip", {"DNS:localhost", "IP:127.0.0.2"});
    if (c.name == "OtherName") {
        cert = ca_->Issue("other-name", {"DNS:www.example.com", "IP:127.0.0.1"});
        host = "localhost";
    }
    if (c.name == "UnknownAuthority") {
        cert = good_;
        certFile_ = std::make_unique<CertFileSetting>(dir_.File("no-such-file.pem"));
    }
    TestHttpServer& server = Server(cert);
    server.On("*", {Send(Answer("HTTP/1.0 200 OK", {}, "must not arrive"))});
    std::vector<THttpState> states;
    http_->OnStateChange = [&](THttpCli& h) { states.push_back(h.State()); };
    auto [error, code] = Get("https://" + host + ":" + std::to_string(server.Port()) + "/");
    EXPECT_EQ(error, c.reason);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(body_, "");
    EXPECT_TRUE(server.Requests().empty());
    EXPECT_EQ(http_->State(), hsReady);
    ASSERT_FALSE(states.empty());
    EXPECT_EQ(states.back(), hsReady);
    EXPECT_EQ(http_->CtrlSocket().State(), TSocketState::wsClosed);
}

INSTANTIATE_TEST_SUITE_P(
    Certificates, HttpsRefused,
    ::testing::Values(RefusedCase{"SelfSigned", "certificate verify failed: self-signed certificate"},
                      RefusedCase{"Expired", "certificate verify failed: certificate has expired"},
                      RefusedCase{"NotYetValid", "certificate verify failed: certificate is not yet valid"},
                      RefusedCase{"OtherAddress", "certificate verify failed: IP address mismatch"},
                      RefusedCase{"OtherName", "certificate verify failed: hostname mismatch"},
                      RefusedCase{"UnknownAuthority", "certificate verify failed: unable to get local issuer certificate"}),
    [](const auto& info) { return info.param.name; });

TEST_F(Https, WithoutVerificationASelfSignedServerIsReached) {
    TestHttpServer& server = Server(ca_->Issue("self", {"IP:127.0.0.1"}, -1, 30, true));
    server.On("/", {Send(Answer("HTTP/1.0 200 OK", {}, "anyone"))});
    http_->SslVerifyPeer = false;
    EXPECT_EQ(Get(server.Url("/")).first, "");
    EXPECT_EQ(body_, "anyone");
}

TEST_F(Https, AServerOfferingOnlyOldProtocolsIsRefused) {
    std::unique_ptr<TestHttpServer> probe;
    TestHttpServer& server = Server(good_, TLS1_VERSION, TLS1_1_VERSION);
    server.On("/", {Send(Answer("HTTP/1.0 200 OK", {}, "old"))});
    auto [error, code] = Get(server.Url("/"));
    std::vector<std::string> serverErrors = server.HandshakeErrors();
    // This machine's OpenSSL may be unable to offer the old versions at all.
    if (error.find("protocol") == std::string::npos && !serverErrors.empty() &&
        serverErrors[0].find("no protocols available") != std::string::npos)
        GTEST_SKIP() << "this OpenSSL cannot serve TLS 1.0 or 1.1: " << serverErrors[0];
    EXPECT_TRUE(error.rfind("TLS handshake failed: ", 0) == 0) << error;
    EXPECT_NE(error.find("protocol"), std::string::npos) << error;
    EXPECT_EQ(body_, "");
    EXPECT_TRUE(server.Requests().empty());
}

TEST_F(Https, ABodyCutShortOrResetFails) {
    TestHttpServer& server = Server(good_);
    server.On("/short", {Send(Answer("HTTP/1.0 200 OK", {"Content-Length: 1000"}, std::string(300, 'a')))});
    server.On("/reset", {Send(Answer("HTTP/1.0 200 OK", {"Content-Length: 1000"}, std::string(300, 'a'))), Delay(100),
                         Reset()});
    EXPECT_EQ(Get(server.Url("/short")).first, "document incomplete: 300 of 1000 bytes received");
    EXPECT_EQ(body_.size(), 300u);
    auto [error, code] = Get(server.Url("/reset"));
    EXPECT_EQ(error, "connection reset by the server");
    EXPECT_EQ(http_->State(), hsReady);
}

// A server that answers whatever comes with `reply` and closes.
class OneShotServer {
public:
    explicit OneShotServer(std::string reply) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof sa;
        ::bind(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
        ::listen(fd_, 1);
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&sa), &len);
        port_ = ntohs(sa.sin_port);
        thread_ = std::thread([this, reply] {
            int c = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (c < 0) return;
            char buffer[4096];
            (void)!::recv(c, buffer, sizeof buffer, 0);
            (void)!::send(c, reply.data(), reply.size(), MSG_NOSIGNAL);
            ::shutdown(c, SHUT_WR);
            while (::recv(c, buffer, sizeof buffer, 0) > 0) {}
            ::close(c);
        });
    }
    ~OneShotServer() {
        ::shutdown(fd_, SHUT_RDWR);
        thread_.join();
        ::close(fd_);
    }
    int Port() const { return port_; }

private:
    int fd_ = -1, port_ = 0;
    std::thread thread_;
};

TEST_F(Https, APlainOrSilentlyClosingServerFailsTheHandshake) {
    for (const std::string& reply : {std::string("HTTP/1.0 400 Bad Request\r\n\r\nplain text"), std::string()}) {
        OneShotServer server(reply);
        auto [error, code] = Get("https://127.0.0.1:" + std::to_string(server.Port()) + "/");
        EXPECT_TRUE(error.rfind("TLS handshake failed: ", 0) == 0) << error;
        EXPECT_EQ(http_->State(), hsReady);
    }
}

TEST_F(Https, RelocatesFromHttpToHttpsAndBackWithCredentialsOnlyAtTheStart) {
    TestHttpServer& plain = PlainServer();
    TestHttpServer& secure = Server(good_);
    plain.On("/start", {Send(Answer("HTTP/1.0 302 Found", {"Location: " + secure.Url("/secure")}, ""))});
    secure.On("/secure", {Send(Answer("HTTP/1.0 301 Moved", {"Location: " + plain.Url("/end")}, ""))});
    plain.On("/end", {Send(Answer("HTTP/1.0 200 OK", {}, "back in plain text"))});
    http_->Username = "joe";
    http_->Password = "pw";
    EXPECT_EQ(Get(plain.Url("/start")).first, "");
    EXPECT_EQ(body_, "back in plain text");
    EXPECT_EQ(http_->Location(), plain.Url("/end"));
    std::string auth = "Authorization: Basic " + EncodeBase64("joe:pw") + "\r\n";
    auto plainRequests = plain.Requests();
    ASSERT_EQ(plainRequests.size(), 2u);
    ASSERT_EQ(secure.Requests().size(), 1u);
    EXPECT_NE(plainRequests[0].find(auth), std::string::npos);
    EXPECT_EQ(secure.Requests()[0].find("Authorization"), std::string::npos) << "another scheme and port";
    EXPECT_EQ(plainRequests[1].find("Authorization"), std::string::npos) << "none on the way back either";
}

TEST_F(Https, OtherSchemesAndBadPortsAreRefusedBeforeAnyConnection) {
    struct Case {
        std::string url, reason;
    };
    std::string port = std::to_string(PlainServer().Port());
    for (const Case& c : {Case{"ftp://127.0.0.1:" + port + "/file", "unsupported scheme: ftp"},
                          Case{"file:///etc/passwd", "unsupported scheme: file"},
                          Case{"gopher://127.0.0.1:" + port + "/", "unsupported scheme: gopher"},
                          Case{"http://127.0.0.1:70000/", "invalid port in the URL: \"70000\""},
                          Case{"http://127.0.0.1:-1/", "invalid port in the URL: \"-1\""},
                          Case{"http://127.0.0.1:abc/", "invalid port in the URL: \"abc\""},
                          Case{"https://127.0.0.1:0/", "invalid port in the URL: \"0\""}}) {
        std::vector<THttpState> states;
        http_->OnStateChange = [&](THttpCli& h) { states.push_back(h.State()); };
        EXPECT_EQ(Get(c.url).first, c.reason) << c.url;
        EXPECT_EQ(states, (std::vector<THttpState>{hsNotConnected, hsReady})) << c.url;
    }
    EXPECT_TRUE(servers_[0]->Requests().empty());
}

TEST_F(Https, ARelocationToAnotherSchemeIsRefused) {
    TestHttpServer& server = Server(good_);
    server.On("/", {Send(Answer("HTTP/1.0 302 Found", {"Location: ftp://127.0.0.1/file"}, ""))});
    EXPECT_EQ(Get(server.Url("/")).first, "unsupported scheme: ftp");
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(Https, TheTimeLimitEndsASilentServerAndASlowHeader) {
    TestHttpServer& server = Server(good_);
    server.On("/silent", {Hold()});
    server.On("/trickle", {Send("HTTP/1.0 200 OK\r\n"), Delay(3000), Send("X-A: b\r\n\r\n")});
    server.On("/open", {Send(Answer("HTTP/1.0 200 OK", {"Content-Length: 4"}, "done")), Hold()});
    http_->TimeoutMs = 400;
    EXPECT_EQ(Get(server.Url("/silent")).first, "timed out after 0.4 s");
    EXPECT_EQ(Get(server.Url("/trickle")).first, "timed out after 0.4 s: the answer's header did not end");
    // The whole announced body came; the server only failed to close.
    EXPECT_EQ(Get(server.Url("/open")).first, "");
    EXPECT_EQ(body_, "done");
}

TEST_F(Https, AClientDeletedByItsOwnHandlersDoesNotCrash) {
    TestHttpServer& server = Server(good_);
    server.On("/", {Send(Answer("HTTP/1.0 200 OK", {}, std::string(100000, 'd')))});
    for (int where = 0; where < 4; ++where) {
        bool deleted = false;
        auto drop = [&](THttpCli&) {
            http_.reset();
            deleted = true;
        };
        http_ = std::make_unique<THttpCli>();
        if (where == 0) http_->OnDocBegin = drop;
        if (where == 1) http_->OnDocData = [&](THttpCli& h, const char*, int) { drop(h); };
        if (where == 2) http_->OnHeaderEnd = drop;
        if (where == 3) http_->OnRequestDone = [&](THttpCli& h, THttpRequest, std::uint16_t) { drop(h); };
        http_->URL = server.Url("/");
        http_->GetASync();
        EXPECT_TRUE(RunUntil([&] { return deleted; }, 10000)) << where;
        DrainEvents();
    }
}

TEST_F(Https, GetReturnsWhenTheProgramQuits) {
    TestHttpServer& server = Server(good_);
    server.On("/", {Hold()});
    QTimer::singleShot(200, [] { QCoreApplication::exit(0); });
    auto [error, code] = Get(server.Url("/"));
    EXPECT_EQ(error, "the program is closing");
    EXPECT_EQ(http_->State(), hsReady);
    // The quit stays in force until the application's loop runs again.
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

}  // namespace
