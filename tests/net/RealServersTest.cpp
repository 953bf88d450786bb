// The HTTP client against servers nobody here wrote, started by the test:
// nginx over http and https (a certificate authority the test makes), its
// relocation from http to https and its 404; squid as the proxy with Basic
// authentication, for http pages and for https through CONNECT, and with a
// wrong password. Every case must end within about a second of its cause.
#include "HttpProt.h"
#include "HttpTestSupport.h"
#include "NetTestSupport.h"
#include "RealServers.h"
#include "TestCertificates.h"
#include "TestSupport.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace verdane;
using namespace verdane::test;

namespace {

constexpr qint64 kPromptMs = 1500;

// A page of some size with Japanese text in Shift-JIS and both kinds of line end.
std::string SamplePage(std::size_t size) {
    const std::string line = "\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x83\x65\x83\x4c\x83\x58\x83\x67 line\r\n";
    std::string page;
    while (page.size() < size) page += line + std::to_string(page.size()) + "\n";
    return page;
}

class RealServers : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        missing_ = MissingProgram({kNginx, kSquid, kNcsaAuth});
        if (!missing_.empty()) return;
        QtApp();
        dir_ = new TempDir;
        OpenToAll(dir_->Path(), true);
        ca_ = new TestCertificateAuthority(dir_->Path());
        TestCertificate cert = ca_->Issue("nginx", {"DNS:localhost", "IP:127.0.0.1", "IP:::1"});
        OpenToAll(cert.keyFile, false);
        nginx_ = new Nginx(*dir_, cert.certFile, cert.keyFile);
        squid_ = new Squid(*dir_);
        page_ = SamplePage(3 << 20);
        nginx_->Put("page.txt", page_);
        nginx_->Put("small.html", "<html><body>hello</body></html>\n");
        nginx_->Put("a b.txt", "spaces\n");
        nginx_->Put("\xE6\x97\xA5\xE6\x9C\xAC \xE8\xAA\x9E.txt", "japanese\n");  // 日本 語.txt
    }
    static void TearDownTestSuite() {
        delete squid_;
        delete nginx_;
        delete ca_;
        delete dir_;
    }

    void SetUp() override {
        if (!missing_.empty()) GTEST_SKIP() << missing_;
        ASSERT_TRUE(nginx_->Running()) << nginx_->Log();
        ::setenv("SSL_CERT_FILE", ca_->CaFile().c_str(), 1);
        http_ = std::make_unique<THttpCli>();
        http_->TimeoutMs = 20000;
        http_->OnDocData = [this](THttpCli&, const char* p, int n) { body_.append(p, static_cast<std::size_t>(n)); };
    }
    void TearDown() override {
        http_.reset();
        DrainEvents();
        ::unsetenv("SSL_CERT_FILE");
    }

    void ThroughSquid(const std::string& password) {
        ASSERT_TRUE(squid_->Running()) << squid_->Log();
        http_->Proxy = "127.0.0.1";
        http_->ProxyPort = std::to_string(squid_->Port());
        http_->ProxyUsername = "proxyuser";
        http_->ProxyPassword = password;
    }

    // The failure text ("" for a page), and the time the request took.
    std::pair<std::string, qint64> Timed(const std::string& url) {
        body_.clear();
        QElapsedTimer t;
        t.start();
        auto [error, code] = GetOutcome(*http_, url);
        return {error, t.elapsed()};
    }

    static inline std::string missing_;
    static inline TempDir* dir_ = nullptr;
    static inline TestCertificateAuthority* ca_ = nullptr;
    static inline Nginx* nginx_ = nullptr;
    static inline Squid* squid_ = nullptr;
    static inline std::string page_;
    std::unique_ptr<THttpCli> http_;
    std::string body_;
};

struct PageCase {
    const char* name;
    bool https, proxy;
};

class RealServerPages : public RealServers, public ::testing::WithParamInterface<PageCase> {};

TEST_P(RealServerPages, APageArrivesWhole) {
    const PageCase& c = GetParam();
    if (c.proxy) ThroughSquid("s3cret");
    auto [error, ms] = Timed(c.https ? nginx_->HttpsUrl("/page.txt") : nginx_->HttpUrl("/page.txt"));
    EXPECT_EQ(error, "") << nginx_->Log() << (c.proxy ? squid_->Log() : "");
    EXPECT_EQ(http_->StatusCode(), 200);
    EXPECT_EQ(http_->ContentLength(), static_cast<long long>(page_.size()));
    EXPECT_TRUE(body_ == page_) << body_.size() << " of " << page_.size() << " bytes";
    EXPECT_LT(ms, kPromptMs);
}

TEST_P(RealServerPages, AMissingPageIs404NotFound) {
    const PageCase& c = GetParam();
    if (c.proxy) ThroughSquid("s3cret");
    auto [error, ms] = Timed(c.https ? nginx_->HttpsUrl("/missing.txt") : nginx_->HttpUrl("/missing.txt"));
    EXPECT_EQ(error, "404 Not Found");
    EXPECT_EQ(http_->StatusCode(), 404);
    EXPECT_EQ(body_, "");
    EXPECT_LT(ms, kPromptMs);
}

TEST_P(RealServerPages, APageOverTheLimitFailsAtOnce) {
    const PageCase& c = GetParam();
    if (c.proxy) ThroughSquid("s3cret");
    http_->MaxBodySize = 1 << 20;
    auto [error, ms] = Timed(c.https ? nginx_->HttpsUrl("/page.txt") : nginx_->HttpUrl("/page.txt"));
    EXPECT_EQ(error, "the page is larger than 1 MB");
    EXPECT_LE(body_.size(), 1u << 20);
    EXPECT_LT(ms, kPromptMs);
}

INSTANTIATE_TEST_SUITE_P(Ways, RealServerPages,
                         ::testing::Values(PageCase{"Http", false, false}, PageCase{"Https", true, false},
                                           PageCase{"HttpThroughSquid", false, true},
                                           PageCase{"HttpsThroughSquid", true, true}),
                         [](const ::testing::TestParamInfo<PageCase>& info) { return std::string(info.param.name); });

TEST_F(RealServers, ARelocationFromHttpToHttpsIsFollowedDirectlyAndThroughSquid) {
    for (bool proxy : {false, true}) {
        if (proxy) ThroughSquid("s3cret");
        auto [error, ms] = Timed(nginx_->HttpUrl("/go"));
        EXPECT_EQ(error, "") << proxy;
        EXPECT_EQ(http_->Location(), nginx_->HttpsUrl("/page.txt")) << proxy;
        EXPECT_TRUE(body_ == page_) << body_.size() << " of " << page_.size() << " bytes";
        EXPECT_LT(ms, kPromptMs) << proxy;
    }
}

// URLs as users paste them, raw or encoded; Location stays the URL as typed.
TEST_F(RealServers, NamesWithSpacesAndJapaneseOnBothLoopbacksDirectlyAndThroughSquid) {
    if (!Nginx::HasIpv6Loopback()) GTEST_SKIP() << "this machine has no IPv6 loopback";
    const std::string japanese = "/\xE6\x97\xA5\xE6\x9C\xAC \xE8\xAA\x9E.txt?q=\xE6\x97\xA5";
    const std::string encoded = "/%E6%97%A5%E6%9C%AC%20%E8%AA%9E.txt";
    struct Row {
        std::string url, body;
        bool proxy;
    };
    const std::vector<Row> rows = {
        {nginx_->HttpUrl("/a b.txt"), "spaces\n", false},
        {nginx_->HttpUrl6("/a b.txt"), "spaces\n", false},
        {nginx_->HttpUrl6(japanese), "japanese\n", false},
        {nginx_->HttpsUrl6(japanese), "japanese\n", false},
        {nginx_->HttpUrl6(encoded), "japanese\n", false},
        {nginx_->HttpUrl(japanese), "japanese\n", true},
        {nginx_->HttpUrl6(japanese), "japanese\n", true},
        {nginx_->HttpsUrl6("/a b.txt"), "spaces\n", true},
    };
    for (const Row& row : rows) {
        if (row.proxy) ThroughSquid("s3cret");
        auto [error, ms] = Timed(row.url);
        EXPECT_EQ(error, "") << row.url << (row.proxy ? squid_->Log() : nginx_->Log());
        EXPECT_EQ(body_, row.body) << row.url;
        EXPECT_EQ(http_->Location(), row.url);
    }
}

TEST_F(RealServers, AWrongProxyPasswordIs407) {
    ThroughSquid("wrong");
    for (const std::string& url : {nginx_->HttpUrl("/small.html"), nginx_->HttpsUrl("/small.html")}) {
        auto [error, ms] = Timed(url);
        EXPECT_EQ(error, "407 Proxy Authentication Required") << url;
        EXPECT_EQ(http_->StatusCode(), 407) << url;
        EXPECT_EQ(body_, "") << url;
        EXPECT_LT(ms, kPromptMs) << url;
    }
}

TEST_F(RealServers, TheCertificateOfAnotherAuthorityIsRefused) {
    ::setenv("SSL_CERT_FILE", dir_->File("no-such-authority.pem").c_str(), 1);
    auto [error, ms] = Timed(nginx_->HttpsUrl("/small.html"));
    EXPECT_EQ(error, "certificate verify failed: unable to get local issuer certificate");
    EXPECT_EQ(http_->StatusCode(), 0);
}

}  // namespace
