// The HTTP client's pure parts: URL reading, Base64, and the answer parser fed
// with bytes split at every offset (no socket involved).
#include "HttpProt.h"
#include "NetTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace verdane;

namespace {

// The client with its answer parser's test entry points opened.
class AnswerFeeder : public THttpCli {
public:
    using THttpCli::BeginAnswer;
    using THttpCli::ReceiveAnswerBytes;
};

struct UrlCase {
    std::string url;
    TUrlParts want;
};

class ParseUrlTest : public ::testing::TestWithParam<UrlCase> {};

TEST_P(ParseUrlTest, SplitsTheUrlIntoItsParts) {
    const UrlCase& c = GetParam();
    TUrlParts got = ParseURL(c.url);
    EXPECT_EQ(got.Proto, c.want.Proto);
    EXPECT_EQ(got.User, c.want.User);
    EXPECT_EQ(got.Pass, c.want.Pass);
    EXPECT_EQ(got.Host, c.want.Host);
    EXPECT_EQ(got.Port, c.want.Port);
    EXPECT_EQ(got.Path, c.want.Path);
}

INSTANTIATE_TEST_SUITE_P(
    Urls, ParseUrlTest,
    ::testing::Values(
        UrlCase{"", {}},
        UrlCase{"http://www.example.com/", {"http", "", "", "www.example.com", "", "/"}},
        UrlCase{"http://www.example.com", {"http", "", "", "www.example.com", "", ""}},
        UrlCase{"http://joe:se:cret@host:8080/a/b.cgi?x=1",
                {"http", "joe", "se:cret", "host", "8080", "/a/b.cgi?x=1"}},
        UrlCase{"http://joe@host/", {"http", "joe", "", "host", "", "/"}},
        UrlCase{"http://host?q=/x", {"http", "", "", "host", "", "?q=/x"}},
        UrlCase{"ftp://host:21", {"ftp", "", "", "host", "21", ""}},
        UrlCase{"/index.html", {"http", "", "", "", "", "/index.html"}},
        UrlCase{"HTTP:/dir/x", {"http", "", "", "", "", "/dir/x"}},
        UrlCase{"mailto:someone@example.com", {"mailto", "someone", "", "example.com", "", ""}},
        UrlCase{"proxy.example.com:3128", {"", "", "", "proxy.example.com", "3128", ""}},
        UrlCase{"page.html", {"", "", "", "page.html", "", ""}},
        UrlCase{"user:pw@host", {"", "user", "pw", "host", "", ""}},
        UrlCase{"http://[::1]:8080/a b", {"http", "", "", "::1", "8080", "/a b"}},
        UrlCase{"http://u:p@[fe80::1]/", {"http", "u", "p", "fe80::1", "", "/"}},
        UrlCase{"[::1]:3128", {"", "", "", "::1", "3128", ""}},
        UrlCase{"http://[::1]x/", {"http", "", "", "::1", "x", "/"}}));

TEST(Base64, EncodesWithTheStandardAlphabetAndPadding) {
    EXPECT_EQ(EncodeBase64(""), "");
    EXPECT_EQ(EncodeBase64("f"), "Zg==");
    EXPECT_EQ(EncodeBase64("fo"), "Zm8=");
    EXPECT_EQ(EncodeBase64("foo"), "Zm9v");
    EXPECT_EQ(EncodeBase64("foobar"), "Zm9vYmFy");
    EXPECT_EQ(EncodeBase64("Aladdin:open sesame"), "QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
    EXPECT_EQ(EncodeBase64(std::string("\xFB\xFF\xBF", 3)), "+/+/");
}

// What the parser made of one answer.
struct Outcome {
    int status = 0;
    std::string reason;
    long long contentLength = -1;
    std::string contentType;
    std::vector<std::string> headers;
    std::string body;
    int headerBegins = 0, headerEnds = 0, docBegins = 0;
    std::string error;  // message of an exception from the parser
    std::string failure;  // the client's FailureText()
    THttpState state = hsReady;
};

Outcome Parse(const std::vector<std::string_view>& pieces, long long maxBodySize = kDefaultMaxBodySize) {
    test::QtApp();
    AnswerFeeder http;
    http.MaxBodySize = maxBodySize;
    Outcome o;
    http.OnHeaderBegin = [&](THttpCli&) { ++o.headerBegins; };
    http.OnHeaderEnd = [&](THttpCli&) { ++o.headerEnds; };
    http.OnDocBegin = [&](THttpCli&) { ++o.docBegins; };
    http.OnDocData = [&](THttpCli&, const char* p, int n) { o.body.append(p, static_cast<std::size_t>(n)); };
    http.BeginAnswer();
    try {
        for (auto piece : pieces) http.ReceiveAnswerBytes(piece);
    } catch (const std::exception& e) {
        o.error = e.what();
    }
    o.status = http.StatusCode();
    o.reason = http.ReasonPhrase();
    o.contentLength = http.ContentLength();
    o.contentType = http.ContentType();
    o.headers = http.ReceivedHeaders();
    o.state = http.State();
    o.failure = http.FailureText();
    return o;
}

void ExpectSame(const Outcome& a, const Outcome& b, const std::string& where) {
    EXPECT_EQ(a.status, b.status) << where;
    EXPECT_EQ(a.reason, b.reason) << where;
    EXPECT_EQ(a.contentLength, b.contentLength) << where;
    EXPECT_EQ(a.contentType, b.contentType) << where;
    EXPECT_EQ(a.headers, b.headers) << where;
    EXPECT_EQ(a.body, b.body) << where;
    EXPECT_EQ(a.headerBegins, b.headerBegins) << where;
    EXPECT_EQ(a.headerEnds, b.headerEnds) << where;
    EXPECT_EQ(a.docBegins, b.docBegins) << where;
    EXPECT_EQ(a.error, b.error) << where;
    EXPECT_EQ(a.failure, b.failure) << where;
}

// Every split into two pieces and a sample of splits into three give what the
// whole answer gives.
void ExpectSplitInvariant(const std::string& answer) {
    Outcome whole = Parse({answer});
    std::string_view all(answer);
    for (std::size_t i = 0; i <= answer.size(); ++i) {
        ExpectSame(Parse({all.substr(0, i), all.substr(i)}), whole, "split at " + std::to_string(i));
        std::size_t j = i + (i * 7 + 3) % (answer.size() - i + 1);
        ExpectSame(Parse({all.substr(0, i), all.substr(i, j - i), all.substr(j)}), whole,
                       "split at " + std::to_string(i) + "," + std::to_string(j));
    }
}

TEST(AnswerParser, ReadsStatusHeadersAndBodyWhereverTheBytesAreSplit) {
    std::string answer =
        "HTTP/1.1 200 OK fine\r\nContent-Type: Text/HTML; charset=Shift_JIS\r\nContent-Length: 14\r\n"
        "X-Other:   value\r\n\r\nhello\r\nworld\n!";
    Outcome o = Parse({answer});
    EXPECT_EQ(o.status, 200);
    EXPECT_EQ(o.reason, "OK fine");
    EXPECT_EQ(o.contentType, "text/html; charset=shift_jis");
    EXPECT_EQ(o.contentLength, 14);
    EXPECT_EQ(o.headers, (std::vector<std::string>{"HTTP/1.1 200 OK fine", "Content-Type: Text/HTML; charset=Shift_JIS",
                                                    "Content-Length: 14", "X-Other:   value"}));
    EXPECT_EQ(o.body, "hello\r\nworld\n!");
    EXPECT_EQ(o.headerEnds, 1);
    EXPECT_EQ(o.state, hsWaitingBody);
    ExpectSplitInvariant(answer);
}

TEST(AnswerParser, AcceptsLineFeedOnlyHeaderLines) {
    Outcome o = Parse({"HTTP/1.0 200 OK\nContent-Length: 2\n\nab"});
    EXPECT_EQ(o.status, 200);
    EXPECT_EQ(o.contentLength, 2);
    EXPECT_EQ(o.body, "ab");
}

TEST(AnswerParser, APageWithoutHeaderIsTheBodyWithItsLineEndsKept) {
    std::string page = "<Html>\n<body>\r\nline</body>\n</html>";
    Outcome o = Parse({page});
    EXPECT_EQ(o.body, page);
    EXPECT_EQ(o.contentType, "text/html");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.docBegins, 1);
    ExpectSplitInvariant(page);
}

TEST(AnswerParser, EveryProtocolVersionGivesAStatusLine) {
    for (const char* version : {"HTTP/2.0", "HTTP/2", "HTTP/1.2", "HTTP/10.11"}) {
        EXPECT_EQ(Parse({std::string(version) + " 200 OK\r\n\r\nbody"}).body, "body") << version;
        EXPECT_EQ(Parse({std::string(version) + " 500 Broken\r\n\r\nbody"}).failure, "500 Broken") << version;
    }
    EXPECT_EQ(Parse({"HTTP/x 500 Broken\r\n"}).status, 0);  // no version: the page itself
}

TEST(AnswerParser, AnErrorStatusStopsTheAnswerBeforeItsBody) {
    std::string answer = "HTTP/1.1 404 Not Found\r\nContent-Length: 5\r\n\r\nnope!";
    Outcome o = Parse({answer});
    EXPECT_EQ(o.status, 404);
    EXPECT_EQ(o.reason, "Not Found");
    EXPECT_EQ(o.failure, "404 Not Found");
    EXPECT_EQ(o.headers, std::vector<std::string>{"HTTP/1.1 404 Not Found"});
    EXPECT_EQ(o.body, "");
    ExpectSplitInvariant(answer);
}

TEST(AnswerParser, HeaderLinesUpTo8191BytesFitAndLongerOnesFail) {
    std::string fits = "X-Long: " + std::string(8191 - 8, 'a');
    Outcome ok = Parse({"HTTP/1.0 200 OK\r\n" + fits + "\n\r\nbody"});
    EXPECT_EQ(ok.error, "");
    EXPECT_EQ(ok.body, "body");

    std::string tooLong = "X-Long: " + std::string(8192 - 8, 'a');
    Outcome bad = Parse({"HTTP/1.0 200 OK\r\n" + tooLong + "\n\r\nbody"});
    EXPECT_EQ(bad.error, "HTTP line too long");
    EXPECT_EQ(bad.failure, "HTTP line too long");
    EXPECT_EQ(bad.status, 200);
    EXPECT_EQ(bad.body, "");
}

TEST(AnswerParser, TheWholeHeaderIsBounded) {
    // Header lines, line ends included, up to kMaxHeaderSize bytes in all; one more fails.
    std::string status = "HTTP/1.0 200 OK\r\n";
    std::string line = "X-Filler: " + std::string(88, 'f') + "\r\n";  // 100 bytes
    std::string header = status;
    while (header.size() + line.size() <= static_cast<std::size_t>(kMaxHeaderSize) - 2) header += line;
    header += std::string(static_cast<std::size_t>(kMaxHeaderSize) - 2 - header.size() - 2, 'y') + "\r\n";
    ASSERT_EQ(header.size() + 2, static_cast<std::size_t>(kMaxHeaderSize));
    Outcome ok = Parse({header + "\r\nbody"});
    EXPECT_EQ(ok.error, "");
    EXPECT_EQ(ok.body, "body");

    Outcome bad = Parse({"x" + header + "\r\nbody"});
    EXPECT_EQ(bad.error, "HTTP header too long");
    EXPECT_EQ(bad.failure, "HTTP header too long");
    EXPECT_EQ(bad.status, 0);
    EXPECT_EQ(bad.body, "");
}

TEST(AnswerParser, ANumberThatIsNotANumberFailsTheAnswer) {
    struct Case {
        std::string answer, reason;
    } cases[] = {
        {"HTTP/1.0 2x0 OK\r\n\r\n", "'2x0' is not a valid integer value"},
        {"HTTP/1.0\r\n\r\n", "'' is not a valid integer value"},
        {"HTTP/1.0 200 OK\r\nContent-Length: 12abc\r\n\r\n", "'12abc' is not a valid integer value"},
        {"HTTP/1.0 200 OK\r\nContent-Length: 99999999999999999999999\r\n\r\n",
         "'99999999999999999999999' is not a valid integer value"},
        {"HTTP/1.0 200 OK\r\nContent-Length: 9223372036854775808\r\n\r\n",
         "'9223372036854775808' is not a valid integer value"},
        {"HTTP/1.0 200 OK\r\nContent-Length: 3 2\r\n\r\n", "'3 2' is not a valid integer value"},
        {"HTTP/1.0 200 OK\r\nContent-Length: -1\r\n\r\n", "negative Content-Length: -1"},
    };
    for (const auto& c : cases) {
        Outcome o = Parse({c.answer});
        EXPECT_EQ(o.error, c.reason) << c.answer;
        EXPECT_EQ(o.failure, c.reason) << c.answer;
        EXPECT_EQ(o.body, "") << c.answer;
    }
}

// An answer whose body's end or form cannot be told fails before its body is
// taken; one length said twice, or a coding of an answer without body, does not.
TEST(AnswerParser, FramingThatCannotBeTrustedFailsTheAnswer) {
    const std::string ok = "HTTP/1.0 200 OK\r\n", chunked = "Transfer-Encoding: chunked\r\n\r\n";
    const std::pair<std::string, std::string> cases[] = {
        {ok + "Content-Length: 3\r\nContent-Length: 5\r\n\r\nabcde", "the answer gives two different lengths: 3 and 5 bytes"},
        {ok + chunked + "3\r\nabc\r\n0\r\n\r\n",
         "the server sent the page in the transfer coding \"chunked\", which an HTTP/1.0 request does not take"},
        {"\r\nabc", "the answer has no status line"},
        {ok + "Content-Length: 3\r\ncontent-length:3\r\n\r\nabcde", ""}, {"HTTP/1.1 204 No Content\r\n" + chunked, ""}};
    for (const auto& [answer, failure] : cases) {
        const Outcome o = Parse({answer});
        EXPECT_EQ(o.failure + "|" + o.body, failure + "|" + (failure.empty() && answer.starts_with(ok) ? "abc" : ""));
        ExpectSplitInvariant(answer);
    }
}

TEST(AnswerParser, BlanksAndTabsAroundHeaderValuesAreNoPartOfThem) {
    for (std::string length : {"Content-Length: 4 ", "Content-Length:\t4", "Content-Length: \t4\t ",
                               "content-length:4", "Content-Length : 4"}) {
        std::string answer = "HTTP/1.0 200 OK \r\n" + length + "\r\nContent-Type:\ttext/plain \r\n\r\nbodyMORE";
        Outcome o = Parse({answer});
        EXPECT_EQ(o.error, "") << length;
        EXPECT_EQ(o.reason, "OK") << length;
        EXPECT_EQ(o.contentLength, 4) << length;
        EXPECT_EQ(o.contentType, "text/plain") << length;
        EXPECT_EQ(o.body, "body") << length;
        ExpectSplitInvariant(answer);
    }
}

TEST(AnswerParser, TheLargestContentLengthIsAccepted) {
    Outcome o = Parse({"HTTP/1.0 200 OK\r\nContent-Length: 9223372036854775807\r\n\r\nabc"}, 0);
    EXPECT_EQ(o.error, "");
    EXPECT_EQ(o.contentLength, 9223372036854775807LL);
    EXPECT_EQ(o.body, "abc");
}

TEST(AnswerParser, TheAnnouncedLengthEndsTheBody) {
    // Bytes after the announced length are no part of the page, wherever they
    // arrive; an answer without a body ends at its header.
    struct Case {
        std::string answer, body;
    } cases[] = {
        {"HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello, and then much more", "hello"},
        {"HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\nnothing of this", ""},
        {"HTTP/1.1 204 No Content\r\n\r\nstray", ""},
        {"HTTP/1.1 304 Not Modified\r\nContent-Length: 10\r\n\r\nstray", ""},
    };
    for (const auto& c : cases) {
        Outcome o = Parse({c.answer});
        EXPECT_EQ(o.body, c.body) << c.answer;
        EXPECT_EQ(o.failure, "") << c.answer;
        ExpectSplitInvariant(c.answer);
    }
}

TEST(AnswerParser, AStatusWithoutReasonFailsWithItsCode) {
    Outcome o = Parse({"HTTP/1.0 404\r\n\r\n"});
    EXPECT_EQ(o.status, 404);
    EXPECT_EQ(o.failure, "404");
    EXPECT_EQ(Parse({"HTTP/1.0 503 \r\n\r\n"}).failure, "503");
}

TEST(AnswerParser, APageLargerThanTheLimitFailsAndIsNotPassedOn) {
    struct Case {
        std::string answer;
        long long limit;
        std::string body, failure;
    } cases[] = {
        // Announced: refused at the header's end, before any byte of the body.
        {"HTTP/1.0 200 OK\r\nContent-Length: 11\r\n\r\n0123456789A", 10, "", "the page is larger than 10 bytes"},
        // Not announced: the bytes up to the limit arrive, then the request fails.
        {"HTTP/1.0 200 OK\r\n\r\n0123456789A", 10, "", "the page is larger than 10 bytes"},
        {"<html>\n0123456789ABCDEF", 10, "<html>\n", "the page is larger than 10 bytes"},
        // Exactly the limit is a page.
        {"HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\n0123456789", 10, "0123456789", ""},
        {"HTTP/1.0 200 OK\r\n\r\n0123456789", 10, "0123456789", ""},
    };
    for (const auto& c : cases) {
        Outcome o = Parse({c.answer}, c.limit);
        EXPECT_EQ(o.failure, c.failure) << c.answer;
        EXPECT_EQ(o.body, c.body) << c.answer;
    }
    // Split anywhere, no byte past the limit is ever passed on.
    std::string answer = "HTTP/1.0 200 OK\r\n\r\n" + std::string(100, 'x');
    for (std::size_t i = 0; i <= answer.size(); ++i) {
        Outcome o = Parse({std::string_view(answer).substr(0, i), std::string_view(answer).substr(i)}, 40);
        EXPECT_LE(o.body.size(), 40u) << i;
        EXPECT_EQ(o.failure, "the page is larger than 40 bytes") << i;
    }
}

TEST(SizeLimitText, RoundsToTheUnitOfTheSize) {
    EXPECT_EQ(SizeLimitText(kDefaultMaxBodySize), "256 MB");
    EXPECT_EQ(SizeLimitText(10LL << 20), "10 MB");
    EXPECT_EQ(SizeLimitText(1LL << 30), "1024 MB");
    EXPECT_EQ(SizeLimitText(1536), "2 KB");
    EXPECT_EQ(SizeLimitText(1), "1 byte");
}

TEST(AnswerParser, KeepsRangesChallengesAndOffersCookies) {
    test::QtApp();
    AnswerFeeder http;
    std::vector<std::string> cookies;
    http.OnCookie = [&](THttpCli&, const std::string& data, bool& accept) {
        EXPECT_TRUE(accept);
        cookies.push_back(data);
    };
    http.BeginAnswer();
    http.ReceiveAnswerBytes(
        "HTTP/1.0 206 Partial\r\nContent-Range: bytes 100-199/1000\r\nAccept-Ranges: bytes\r\n"
        "WWW-Authenticate: Basic realm=\"x\"\r\nSet-Cookie: a=b; path=/\r\n\r\n");
    EXPECT_EQ(http.ContentRangeBegin, "100");
    EXPECT_EQ(http.ContentRangeEnd, "199");
    EXPECT_EQ(http.AcceptRanges(), "bytes");
    EXPECT_EQ(http.AuthChallenges(), std::vector<std::string>{"Basic realm=\"x\""});
    EXPECT_EQ(cookies, std::vector<std::string>{"a=b; path=/"});
}

TEST(AnswerParser, AbortAtTheHeaderEndDeliversNoBody) {
    test::QtApp();
    for (std::string answer : {"HTTP/1.0 200 OK\r\n\r\nbody", "<html>\r\n<body>x</body>\r\n"}) {
        AnswerFeeder http;
        int docBegins = 0;
        std::string body;
        http.OnHeaderEnd = [](THttpCli& h) { h.Abort(); };
        http.OnDocBegin = [&](THttpCli&) { ++docBegins; };
        http.OnDocData = [&](THttpCli&, const char* p, int n) { body.append(p, static_cast<std::size_t>(n)); };
        http.BeginAnswer();
        http.ReceiveAnswerBytes(answer);
        EXPECT_EQ(http.State(), hsReady) << answer;
        EXPECT_EQ(http.FailureText(), "cancelled") << answer;
        EXPECT_EQ(docBegins, 0) << answer;
        EXPECT_EQ(body, "") << answer;
        EXPECT_EQ(http.ReceivedCount(), 0) << answer;
    }
}

TEST(AnswerParser, BodyBlocksArePassedOnAsTheyArrive) {
    test::QtApp();
    AnswerFeeder http;
    std::vector<std::string> blocks;
    http.OnDocData = [&](THttpCli&, const char* p, int n) { blocks.emplace_back(p, static_cast<std::size_t>(n)); };
    http.BeginAnswer();
    http.ReceiveAnswerBytes("HTTP/1.0 200 OK\r\n\r\nfirst");
    http.ReceiveAnswerBytes("second");
    http.ReceiveAnswerBytes(std::string(20000, 'z'));
    ASSERT_GE(blocks.size(), 4u);
    EXPECT_EQ(blocks[0], "first");
    EXPECT_EQ(blocks[1], "second");
    EXPECT_EQ(blocks[2].size(), 8192u);  // never more than the receive buffer at once
    EXPECT_EQ(http.ReceivedCount(), 5 + 6 + 20000);
}

}  // namespace
