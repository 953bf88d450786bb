// How a download ends, against the tests' scripted servers for the answers only
// a script makes: a connection left open after the announced body, a longer
// stream than announced, a body without end, one byte every 50 ms, a two-way
// TLS shutdown, a silent TLS server and a slow name server. Each case must end
// within about a second of its cause (the page complete, the limit reached, the
// time up), however long the server would go on.
#include "HttpProt.h"
#include "HttpTestSupport.h"
#include "NetTestSupport.h"
#include "TestCertificates.h"
#include "TestHttpServer.h"
#include "TestSupport.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

using namespace verdane;
using namespace verdane::test;

namespace {

// Within a second of the cause, with room for a loaded machine.
constexpr qint64 kPromptMs = 1500;

class HttpEnd : public ::testing::Test {
protected:
    void SetUp() override {
        QtApp();
        ca_ = std::make_unique<TestCertificateAuthority>(dir_.Path());
        cert_ = ca_->Issue("good", {"DNS:localhost", "IP:127.0.0.1"});
        ::setenv("SSL_CERT_FILE", ca_->CaFile().c_str(), 1);
        http_ = std::make_unique<THttpCli>();
        http_->TimeoutMs = 20000;  // longer than any case may take
        http_->OnDocData = [this](THttpCli&, const char* p, int n) { body_.append(p, static_cast<std::size_t>(n)); };
    }
    void TearDown() override {
        http_.reset();
        DrainEvents();
        ::unsetenv("SSL_CERT_FILE");
        SetHostResolver(nullptr);
    }

    TestHttpServer& Server(bool tls) {
        servers_.push_back(tls ? std::make_unique<TestHttpServer>(TlsSettings{cert_.certFile, cert_.keyFile})
                               : std::make_unique<TestHttpServer>());
        return *servers_.back();
    }

    // The request's failure text ("" for a page) and how long it took.
    std::pair<std::string, qint64> Timed(const std::string& url) {
        body_.clear();
        QElapsedTimer t;
        t.start();
        auto [error, code] = GetOutcome(*http_, url);
        return {error, t.elapsed()};
    }

    TempDir dir_;
    std::unique_ptr<TestCertificateAuthority> ca_;
    TestCertificate cert_;
    std::vector<std::unique_ptr<TestHttpServer>> servers_;
    std::unique_ptr<THttpCli> http_;
    std::string body_;
};

struct EndCase {
    const char* name;
    ServerScript script;
    long long maxBodySize;
    std::string failure;
    std::string body;  // "<=N": at most N bytes, checked by size
};

class HttpEndCases : public HttpEnd, public ::testing::WithParamInterface<std::tuple<EndCase, bool>> {};

TEST_P(HttpEndCases, EndsWithinASecondOfItsCause) {
    const auto& [c, tls] = GetParam();
    TestHttpServer& server = Server(tls);
    server.On("/p", c.script);
    http_->MaxBodySize = c.maxBodySize;
    auto [error, ms] = Timed(server.Url("/p"));
    EXPECT_EQ(error, c.failure);
    if (c.body.rfind("<=", 0) == 0)
        EXPECT_LE(body_.size(), std::stoull(c.body.substr(2)));
    else
        EXPECT_EQ(body_, c.body);
    EXPECT_LT(ms, kPromptMs);
    EXPECT_EQ(http_->State(), hsReady);
    EXPECT_EQ(http_->CtrlSocket().State(), TSocketState::wsClosed);
}

ServerScript OneByteEvery50Ms(const std::string& text) {
    ServerScript s = {Send("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(text.size()) + "\r\n\r\n")};
    for (char ch : text) {
        s.push_back(Delay(50));
        s.push_back(Send(std::string(1, ch)));
    }
    s.push_back(Hold());
    return s;
}

const EndCase kEndCases[] = {
    {"OpenAfterTheBody", {Send(Answer("HTTP/1.1 200 OK", {"Content-Length: 6"}, "whole\n")), Hold()},
     kDefaultMaxBodySize, "", "whole\n"},
    {"BlankAfterTheLength", {Send(Answer("HTTP/1.1 200 OK", {"Content-Length: 2 "}, "ok")), Hold()},
     kDefaultMaxBodySize, "", "ok"},
    {"TabBeforeTheLength", {Send(Answer("HTTP/1.1 200 OK", {"Content-Length:\t2"}, "ok")), Hold()},
     kDefaultMaxBodySize, "", "ok"},
    {"LongerStreamThanAnnounced",
     {Send("HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello"), SendRepeated("more", 500LL << 20)},
     kDefaultMaxBodySize, "", "hello"},
    {"EmptyBodyLeftOpen", {Send("HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n"), Hold()}, kDefaultMaxBodySize, "",
     ""},
    {"EndlessBody", {Send("HTTP/1.0 200 OK\r\n\r\n"), SendRepeated(std::string(65536, 'e'), 1LL << 50)}, 1LL << 20,
     "the page is larger than 1 MB", "<=1048576"},
    {"AnnouncedLargerThanTheLimit",
     {Send("HTTP/1.0 200 OK\r\nContent-Length: 1048577\r\n\r\n"), SendRepeated(std::string(65536, 'e'), 1LL << 50)},
     1LL << 20, "the page is larger than 1 MB", ""},
    {"OneByteEvery50Ms", OneByteEvery50Ms("slowly"), kDefaultMaxBodySize, "", "slowly"},
    {"StatusWithoutReason", {Send("HTTP/1.0 404\r\n\r\n"), Hold()}, kDefaultMaxBodySize, "404", ""},
};

INSTANTIATE_TEST_SUITE_P(Answers, HttpEndCases, ::testing::Combine(::testing::ValuesIn(kEndCases), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<EndCase, bool>>& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "Https" : "Http");
                         });

TEST_F(HttpEnd, ATwoWayTlsShutdownIsAnsweredAndEndsThePage) {
    // No length: the page ends with the TLS stream, whose close_notify the
    // server wants answered before it closes the connection.
    TestHttpServer& server = Server(true);
    server.On("/p", {Send("HTTP/1.0 200 OK\r\n\r\nuntil the end"), TlsShutdown()});
    auto [error, ms] = Timed(server.Url("/p"));
    EXPECT_EQ(error, "");
    EXPECT_EQ(body_, "until the end");
    EXPECT_LT(ms, kPromptMs);
    EXPECT_TRUE(RunUntil([&] { return server.CloseNotifiesReceived() == 1; }, 5000));
}

TEST_F(HttpEnd, ATimeoutDuringTheTlsHandshakeKeepsItsReason) {
    // A server that accepts and never answers the handshake: the client gives up,
    // and its own close is not taken for the server's.
    TestHttpServer& plain = Server(false);
    http_->TimeoutMs = 400;
    auto [error, ms] = Timed("https://127.0.0.1:" + std::to_string(plain.Port()) + "/");
    EXPECT_EQ(error, "timed out after 0.4 s");
    EXPECT_LT(ms, 400 + kPromptMs);
}

TEST_F(HttpEnd, APostAnnouncesTheLengthOfItsBodyNotTheStreamsEnd) {
    TestHttpServer& server = Server(false);
    server.On("/form", {Send(Answer("HTTP/1.0 200 OK", {"Content-Length: 2"}, "ok"))});
    std::istringstream stream("skipped:a=1&b=2");
    stream.seekg(8);
    http_->SendStream = &stream;
    http_->URL = server.Url("/form");
    http_->Post();
    EXPECT_NE(server.LastRequest().find("\r\nContent-Length: 7\r\n"), std::string::npos) << server.LastRequest();
    EXPECT_EQ(server.Bodies(), std::vector<std::string>{"a=1&b=2"});
}

// A resolver that answers "fast.test" at once and keeps "slow.test" waiting.
int ScriptedResolver(const std::string& name, std::vector<std::uint32_t>& addresses) {
    if (name == "slow.test") std::this_thread::sleep_for(std::chrono::seconds(2));
    addresses.push_back(htonl(INADDR_LOOPBACK));
    return 0;
}

TEST_F(HttpEnd, CancelledLookupsFreeTheirPlacesAtOnce) {
    SetHostResolver(ScriptedResolver);
    TestHttpServer& server = Server(false);
    server.On("/ok", {Send(Answer("HTTP/1.0 200 OK", {"Content-Length: 2"}, "ok"))});
    const std::string port = std::to_string(server.Port());
    // More cancelled lookups than lookups may run at once.
    for (int i = 0; i < 6; ++i) {
        THttpCli cancelled;
        cancelled.URL = "http://slow.test:" + port + "/ok";
        cancelled.GetASync();
        ASSERT_EQ(cancelled.State(), hsDnsLookup);
        cancelled.Abort();
        EXPECT_EQ(cancelled.FailureText(), "cancelled");
    }
    auto [error, ms] = Timed("http://fast.test:" + port + "/ok");
    EXPECT_EQ(error, "");
    EXPECT_EQ(body_, "ok");
    EXPECT_LT(ms, kPromptMs);
}

TEST_F(HttpEnd, ASlowLookupEndsAtTheTimeLimit) {
    SetHostResolver(ScriptedResolver);
    http_->TimeoutMs = 300;
    auto [error, ms] = Timed("http://slow.test/");
    EXPECT_EQ(error, "timed out after 0.3 s");
    EXPECT_LT(ms, 300 + kPromptMs);
}

TEST_F(HttpEnd, ListenLooksAHostNameUpWithoutWaiting) {
    SetHostResolver(ScriptedResolver);
    TWSocket server;
    server.SetAddr("slow.test");
    server.SetPort("0");
    server.SetProto("tcp");
    QElapsedTimer t;
    t.start();
    server.Listen();
    EXPECT_LT(t.elapsed(), 500);  // the lookup takes two seconds
    EXPECT_NE(server.State(), TSocketState::wsListening);
    EXPECT_TRUE(RunUntil([&] { return server.State() == TSocketState::wsListening; }, 10000));
    sockaddr_in bound{};
    server.GetSockName(bound);
    EXPECT_EQ(bound.sin_addr.s_addr, htonl(INADDR_LOOPBACK));
    server.Close();
}

}  // namespace
