// The HTTP client through a real proxy: Debian's tinyproxy, started by the test
// on a free loopback port with Basic authentication, in front of the test server.
#include "HttpProt.h"
#include "HttpTestSupport.h"
#include "NetTestSupport.h"
#include "TestCertificates.h"
#include "TestHttpServer.h"
#include "TestSupport.h"
#include "Tinyproxy.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QElapsedTimer>

#include <cstdlib>

extern char** environ;

using namespace verdane;
using namespace verdane::test;

namespace {

class HttpProxy : public ::testing::Test {
protected:
    void SetUp() override {
        if (::access(kTinyproxy, X_OK) != 0) GTEST_SKIP() << "tinyproxy is not installed (apt-get install tinyproxy)";
        QtApp();
        proxy_ = std::make_unique<Tinyproxy>(dir_);
        ASSERT_TRUE(proxy_->Running()) << "tinyproxy did not start:\n" << proxy_->Log();
        http_.Proxy = "127.0.0.1";
        http_.ProxyPort = std::to_string(proxy_->Port());
        http_.Agent = "Halvorn";
        http_.OnDocData = [this](THttpCli&, const char* p, int n) { body_.append(p, static_cast<std::size_t>(n)); };
    }

    std::pair<std::string, int> Get(const std::string& url) {
        body_.clear();
        return GetOutcome(http_, url);
    }

    TempDir dir_;
    TestHttpServer server_;
    std::unique_ptr<Tinyproxy> proxy_;
    THttpCli http_;
    std::string body_;
};

TEST_F(HttpProxy, FetchesThroughTheProxyWithItsCredentials) {
    server_.On("/page.html", {Send(Answer("HTTP/1.1 200 OK", {"Content-Type: text/html", "Content-Length: 11"},
                                          "<p>hi</p>\r\n"))});
    http_.ProxyUsername = "proxyuser";
    http_.ProxyPassword = "s3cret";
    auto [error, code] = Get(server_.Url("/page.html"));
    EXPECT_EQ(error, "") << proxy_->Log();
    EXPECT_EQ(body_, "<p>hi</p>\r\n");
    EXPECT_EQ(http_.ContentType(), "text/html");
    // The proxy asked the server for the path; our proxy credentials stay with the proxy.
    std::string request = server_.LastRequest();
    EXPECT_EQ(request.substr(0, request.find("\r\n")), "GET /page.html HTTP/1.0") << request;
    EXPECT_NE(request.find("User-Agent: Halvorn\r\n"), std::string::npos) << request;
    EXPECT_EQ(request.find("Proxy-Authorization"), std::string::npos) << request;
}

TEST_F(HttpProxy, WrongOrMissingCredentialsAreRefusedByTheProxy) {
    server_.On("/page.html", {Send(Answer("HTTP/1.0 200 OK", {}, "secret page"))});
    http_.ProxyUsername = "proxyuser";
    http_.ProxyPassword = "wrong";
    // tinyproxy answers a failed proxy authentication with 401 (407 is the usual code).
    auto refused = [](int code) { return code == 401 || code == 407; };
    auto [error, code] = Get(server_.Url("/page.html"));
    EXPECT_TRUE(refused(code)) << code;
    EXPECT_FALSE(error.empty());
    http_.ProxyUsername.clear();
    EXPECT_TRUE(refused(Get(server_.Url("/page.html")).second));
    EXPECT_TRUE(server_.Requests().empty());
    EXPECT_EQ(body_, "");
}

TEST_F(HttpProxy, RelocationsThroughTheProxyKeepTheServersPort) {
    server_.On("/old", {Send(Answer("HTTP/1.0 302 Found", {"Location: /new"}, ""))});
    server_.On("/new", {Send(Answer("HTTP/1.0 200 OK", {}, "new place"))});
    http_.ProxyUsername = "proxyuser";
    http_.ProxyPassword = "s3cret";
    auto [error, code] = Get(server_.Url("/old"));
    EXPECT_EQ(error, "") << proxy_->Log();
    EXPECT_EQ(body_, "new place");
    EXPECT_EQ(http_.Location(), server_.Url("/new"));
    EXPECT_EQ(http_.RequestPath(), server_.Url("/new"));
}

TEST_F(HttpProxy, AServerErrorPassesThroughTheProxy) {
    http_.ProxyUsername = "proxyuser";
    http_.ProxyPassword = "s3cret";
    auto [error, code] = Get(server_.Url("/nowhere"));  // the test server answers 404
    EXPECT_EQ(code, 404);
    EXPECT_EQ(error, "404 Not Found");
}

// https through tinyproxy: CONNECT with the proxy's credentials, then TLS and
// the request through the tunnel, with the server's certificate checked as ever.
class HttpsProxy : public ::testing::Test {
protected:
    void SetUp() override {
        if (::access(kTinyproxy, X_OK) != 0) GTEST_SKIP() << "tinyproxy is not installed (apt-get install tinyproxy)";
        QtApp();
        ca_ = std::make_unique<TestCertificateAuthority>(dir_.Path());
        ::setenv("SSL_CERT_FILE", ca_->CaFile().c_str(), 1);
        TestCertificate cert = ca_->Issue("server", {"DNS:localhost", "IP:127.0.0.1"});
        server_ = std::make_unique<TestHttpServer>(TlsSettings{cert.certFile, cert.keyFile});
        server_->On("/page", {Send(Answer("HTTP/1.0 200 OK", {"Content-Length: 6"}, "secret"))});
        fdsBefore_ = OpenFdCount();
        proxy_ = std::make_unique<Tinyproxy>(dir_, server_->Port());
        ASSERT_TRUE(proxy_->Running()) << "tinyproxy did not start:\n" << proxy_->Log();
        http_.Proxy = "127.0.0.1:" + std::to_string(proxy_->Port());
        http_.ProxyUsername = "proxyuser";
        http_.ProxyPassword = "s3cret";
        http_.OnDocData = [this](THttpCli&, const char* p, int n) { body_.append(p, static_cast<std::size_t>(n)); };
    }
    void TearDown() override {
        ::unsetenv("SSL_CERT_FILE");
        DrainEvents();
        if (fdsBefore_ > 0) {
            EXPECT_TRUE(FdCountReturnsTo(fdsBefore_)) << "a socket was left open";
        }
    }

    std::pair<std::string, int> Get(const std::string& url) {
        body_.clear();
        return GetOutcome(http_, url);
    }

    TempDir dir_;
    std::unique_ptr<TestCertificateAuthority> ca_;
    std::unique_ptr<TestHttpServer> server_;
    std::unique_ptr<Tinyproxy> proxy_;
    THttpCli http_;
    std::string body_;
    int fdsBefore_ = 0;
};

TEST_F(HttpsProxy, TunnelsWithConnectAndAsksTheServerItself) {
    std::vector<std::string> sent;
    http_.OnCommand = [&](THttpCli&, std::string& line) { sent.push_back(line); };
    auto [error, code] = Get(server_->Url("/page"));
    EXPECT_EQ(error, "") << proxy_->Log();
    EXPECT_EQ(body_, "secret");
    std::string request = server_->LastRequest();
    // Through the tunnel the server is asked for its path; the proxy's credentials stayed with the proxy.
    EXPECT_EQ(request.substr(0, request.find("\r\n")), "GET /page HTTP/1.0");
    EXPECT_EQ(request.find("Proxy-Authorization"), std::string::npos) << request;
    EXPECT_EQ(http_.RequestPath(), "/page");
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent[0], "GET /page HTTP/1.0");
    EXPECT_EQ(http_.State(), hsReady);
    EXPECT_EQ(http_.CtrlSocket().State(), TSocketState::wsClosed);
}

TEST_F(HttpsProxy, WrongCredentialsOrAForbiddenPortFailWithTheProxysAnswer) {
    http_.ProxyPassword = "wrong";
    auto [error, code] = Get(server_->Url("/page"));
    EXPECT_TRUE(code == 401 || code == 407) << code << " " << error;
    EXPECT_EQ(error.rfind(std::to_string(code) + " ", 0), 0u) << error;
    http_.ProxyPassword = "s3cret";
    // CONNECT may reach only the server's port.
    auto [error2, code2] = Get("https://127.0.0.1:" + std::to_string(FreePort()) + "/page");
    EXPECT_GE(code2, 400) << error2;
    EXPECT_EQ(error2.rfind(std::to_string(code2) + " ", 0), 0u) << error2;
    EXPECT_TRUE(server_->Requests().empty());
    EXPECT_EQ(body_, "");
    EXPECT_EQ(http_.State(), hsReady);
}

TEST_F(HttpsProxy, TheServersCertificateIsCheckedThroughTheTunnel) {
    ::setenv("SSL_CERT_FILE", dir_.File("none.pem").c_str(), 1);
    auto [error, code] = Get(server_->Url("/page"));
    EXPECT_EQ(error, "certificate verify failed: unable to get local issuer certificate");
    EXPECT_TRUE(server_->Requests().empty());
    EXPECT_EQ(http_.State(), hsReady);
}

}  // namespace
