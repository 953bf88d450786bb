// verdane-cli fetch against the scripted HTTP server of the tests: the page as
// the editor would hold it, failures with one line and exit 1, nothing written
// on failure, the silence timeout, and bad usage.
#include "AozoraCatalogCsv.h"
#include "RealServers.h"
#include "TestCertificates.h"
#include "TestHttpServer.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <cstdlib>
#include <sys/stat.h>

using namespace verdane::test;

namespace {

// The editor's line-end rule, written plainly: CR LF, lone CR and lone LF each
// become CR LF, and a last line without a line end gets one.
std::string CrLfText(const std::string& in) {
    std::string out;
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] == '\r' && i + 1 < in.size() && in[i + 1] == '\n') continue;
        if (in[i] == '\r' || in[i] == '\n') out += "\r\n";
        else out += in[i];
    }
    if (!out.empty() && out.substr(out.size() - 2) != "\r\n") out += "\r\n";
    return out;
}

class NetCli : public ::testing::Test {
protected:
    TestHttpServer server_;
    TempDir dir_;
    TempConfigHome config_;  // no settings of the user's
};

TEST_F(NetCli, WritesThePageWithCrLfLineEnds) {
    server_.On("/page.txt", {Send(Answer("HTTP/1.0 200 OK", {"Content-Type: text/plain"}, "a\nb\r\nc\rd"))});
    std::string out = dir_.File("page.txt");
    auto r = RunCli({"fetch", server_.Url("/page.txt"), out});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(ToHex(ReadFile(out)), ToHex("a\r\nb\r\nc\r\nd\r\n"));
    std::string request = server_.LastRequest();
    EXPECT_NE(request.find("User-Agent: Halvorn\r\nHost: 127.0.0.1\r\nPragma: no-cache\r\n"), std::string::npos)
        << request;
}

// An archive or a database comes as it was sent; a UTF-8 page names what
// Shift-JIS cannot hold.
TEST_F(NetCli, WritesAnArchiveAsItCameAndNamesWhatAPageLoses) {
    const std::string zip = std::string("PK\x03\x04\x14\0\0\0\x08\0", 10) + "\r\n\n\x1A\x80\xFF";
    server_.On("/work.zip", {Send(Answer("HTTP/1.0 200 OK", {}, zip))});
    server_.On("/u8", {Send(Answer("HTTP/1.0 200 OK", {"Content-Type: text/html; charset=utf-8"}, "a\xC2\xA9\n"))});
    auto r = RunCli({"fetch", server_.Url("/work.zip"), dir_.File("work.zip")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ToHex(ReadFile(dir_.File("work.zip"))), ToHex(zip));
    r = RunCli({"fetch", server_.Url("/u8"), dir_.File("u8.txt")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadFile(dir_.File("u8.txt")), "a?\r\n");
    EXPECT_NE(r.err.find("line 1: U+00A9"), std::string::npos) << r.err;
}

TEST_F(NetCli, KeepsEveryLineEndAcrossBlocksOfALargeBody) {
    std::string body;
    const char* ends[] = {"\r\n", "\n", "\r", "\r\n\r\n", "\n\r"};
    for (int i = 0; body.size() < 1500000; ++i) body += "line " + std::to_string(i) + ends[(i * 7) % 5];
    server_.On("/big", {Send(Answer("HTTP/1.0 200 OK", {"Content-Length: " + std::to_string(body.size())},
                                    body.substr(0, 777777))),
                        Delay(20), Send(body.substr(777777))});
    auto r = RunCli({"fetch", server_.Url("/big"), "-"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.out == CrLfText(body)) << "sizes " << r.out.size() << " and " << CrLfText(body).size();
}

// A page of several body blocks without Content-Length (the end of the
// connection ends it), a CR LF cut by the end of a 4 MB block among them.
TEST_F(NetCli, JoinsAPageOfManyBlocksSentWithoutLength) {
    std::string body;
    const char* ends[] = {"\r\n", "\n", "\r", "\n\r"};
    for (int i = 0; body.size() < (9u << 20); ++i) body += "row " + std::to_string(i) + ends[(i * 3) % 4];
    body.replace((4u << 20) - 1, 2, "\r\n");
    body.replace((8u << 20) - 1, 2, "\r\n");
    server_.On("/long", {Send(Answer("HTTP/1.0 200 OK", {}, body))});
    auto r = RunCli({"fetch", server_.Url("/long"), "-"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.out == CrLfText(body)) << "sizes " << r.out.size() << " and " << CrLfText(body).size();
}

// A body with control bytes is neither text nor archive: it comes byte for byte.
TEST_F(NetCli, ABinaryFileComesByteForByte) {
    std::mt19937 random(29);
    std::string body(3000000, '\0');
    for (char& c : body) c = static_cast<char>(random());
    server_.On("/data.bin", {Send(Answer("HTTP/1.0 200 OK", {"Content-Type: application/octet-stream"}, body))});
    auto r = RunCli({"fetch", server_.Url("/data.bin"), dir_.File("data.bin")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(ReadFile(dir_.File("data.bin")) == body) << "size " << ReadFile(dir_.File("data.bin")).size();
}

TEST_F(NetCli, AShiftJisPageKeepsItsBytes) {
    // "日本語" in Shift-JIS, then a half-width katakana line: already the editor's code.
    std::string body = Hex("93 FA 96 7B 8C EA 0A B1 B2 B3");
    server_.On("/sjis", {Send(Answer("HTTP/1.0 200 OK", {}, body))});
    auto r = RunCli({"fetch", server_.Url("/sjis"), "-"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ToHex(r.out), "93 FA 96 7B 8C EA 0D 0A B1 B2 B3 0D 0A");
}

TEST_F(NetCli, ADeclaredCharsetDecidesThePagesCode) {
    // Two bytes that read as a kanji in EUC-JP and as half-width katakana in Shift-JIS.
    const std::string body = Hex("B0 A1");
    server_.On("/declared", {Send(Answer("HTTP/1.0 200 OK", {"Content-Type: text/plain; charset=Shift_JIS"}, body))});
    server_.On("/meta", {Send(Answer("HTTP/1.0 200 OK", {}, "<meta charset=\"euc-jp\">" + Hex("A4 A2")))});
    server_.On("/plain", {Send(Answer("HTTP/1.0 200 OK", {}, body))});
    EXPECT_EQ(ToHex(RunCli({"fetch", server_.Url("/declared"), "-"}).out), "B0 A1 0D 0A");
    EXPECT_EQ(ToHex(RunCli({"fetch", server_.Url("/meta"), "-"}).out), ToHex("<meta charset=\"euc-jp\">" + Hex("82 A0 0D 0A")));
    EXPECT_EQ(ToHex(RunCli({"fetch", server_.Url("/plain"), "-"}).out), "88 9F 0D 0A");
}

TEST_F(NetCli, FollowsRelocations) {
    server_.On("/old", {Send(Answer("HTTP/1.0 302 Found", {"Location: /new"}, "old body"))});
    server_.On("/new", {Send(Answer("HTTP/1.1 200 OK", {}, "new body\r\n"))});
    auto r = RunCli({"fetch", server_.Url("/old"), "-"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "new body\r\n");
}

struct Failure {
    const char* name;
    ServerScript script;
    std::string message;
};

class NetCliFailure : public NetCli, public ::testing::WithParamInterface<Failure> {};

TEST_P(NetCliFailure, PrintsTheReasonExitsOneAndLeavesTheOutputAlone) {
    server_.On("/x", GetParam().script);
    std::string out = dir_.File("out.txt");
    WriteFile(out, "previous contents");
    auto r = RunCli({"fetch", server_.Url("/x"), out});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "verdane-cli fetch: " + GetParam().message + "\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadFile(out), "previous contents");
    EXPECT_EQ(ListDir(dir_.Path()), std::vector<std::string>{"out.txt"}) << "no temporary file is left";
}

INSTANTIATE_TEST_SUITE_P(
    Answers, NetCliFailure,
    ::testing::Values(
        Failure{"NotFound", {Send(Answer("HTTP/1.1 404 Not Found", {}, "missing"))}, "404 Not Found"},
        Failure{"StatusWithoutReason", {Send("HTTP/1.0 404\r\n\r\n")}, "404"},
        Failure{"LargerThanTheLimit", {Send(Answer("HTTP/1.0 200 OK", {"Content-Length: 268431361"}, "")), Hold()},
                "the page is larger than 256 MB"},
        Failure{"ShortBody", {Send(Answer("HTTP/1.0 200 OK", {"Content-Length: 10"}, "12345"))},
                "document incomplete: 5 of 10 bytes received"},
        Failure{"Reset", {Send(Answer("HTTP/1.0 200 OK", {}, std::string(3000, 'x'))), Delay(50), Reset()},
                "connection reset by the server"},
        Failure{"Loop", {Send(Answer("HTTP/1.0 301 Moved", {"Location: /x"}, ""))}, "too many relocations"},
        Failure{"TwoLengths", {Send(Answer("HTTP/1.0 200 OK", {"Content-Length: 4", "Content-Length: 2"}, "abcd"))},
                "the answer gives two different lengths: 4 and 2 bytes"},
        Failure{"Chunked", {Send(Answer("HTTP/1.1 200 OK", {"Transfer-Encoding: chunked"}, "4\r\nabcd\r\n0\r\n\r\n"))},
                "the server sent the page in the transfer coding \"chunked\", which an HTTP/1.0 request does not take"},
        Failure{"NoStatusLine", {Send("Content-Type: text/plain\r\n\r\nabcd")}, "the answer has no status line"}),
    [](const ::testing::TestParamInfo<Failure>& info) { return std::string(info.param.name); });

// What servers, catalogues and pages say reaches the terminal with its control
// characters and broken UTF-8 escaped, in every command's messages.
struct Hostile {
    const char* name;
    std::vector<std::string> args;  // URL: the server's /x, CATALOG: its catalogue, OUT: a new file
    ServerScript script;
    std::string shown;  // a part of standard error or output, escaped
};
class TerminalText : public NetCli, public ::testing::WithParamInterface<Hostile> {};

TEST_P(TerminalText, ReachesTheTerminalEscaped) {
    setenv("XDG_CACHE_HOME", dir_.Path().c_str(), 1);
    WriteFile(dir_.File("list.csv"), CatalogHeader() + CatalogLine({{"作品ID", "1"}, {"作品名", "猫\x1b]0;owned\x07\xc2\x9b"},
                                                                    {"姓", "夏目\x1b[2J"}, {"役割フラグ", "著者"},
                                                                    {"テキストファイルURL", server_.Url("/c\x1b[31m.zip")}}));
    RunProcess("/usr/bin/python3", {"-c", "import sys, zipfile\nzipfile.ZipFile(sys.argv[1], 'w').write(sys.argv[2], 'l.csv')",
                                    dir_.File("c.zip"), dir_.File("list.csv")});
    server_.On("/c.zip", {Send(Answer("HTTP/1.0 200 OK", {}, ReadFile(dir_.File("c.zip"))))});
    server_.On("*", GetParam().script);
    std::vector<std::string> args = GetParam().args;
    for (std::string& arg : args)
        arg = arg == "URL" ? server_.Url("/x") : arg == "CATALOG" ? server_.Url("/c.zip") : arg == "OUT" ? dir_.File("o.txt") : arg;
    const ProcessResult r = RunCli(args);
    // No C0 control but line feed and tab, no DEL, valid UTF-8 without C1 controls (as Python reads it).
    WriteFile(dir_.File("shown"), r.err + r.out);
    EXPECT_EQ(RunProcess("/usr/bin/python3", {"-c", "import sys, re\nsys.exit(bool(re.search('[\\x00-\\x08\\x0b-\\x1f\\x7f-\\x9f]',"
                                                    " open(sys.argv[1], 'rb').read().decode())))", dir_.File("shown")})
                  .exitCode, 0) << r.err << r.out;
    EXPECT_NE((r.err + r.out).find(GetParam().shown), std::string::npos) << r.err << r.out;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, TerminalText,
    ::testing::Values(
        Hostile{"FetchReason", {"fetch", "URL", "-"}, {Send("HTTP/1.0 404 No\x1b[2J\xc2\x9b\xff\r\n\r\n")}, "404 No\\x1b[2J\\xc2\\x9b\\xff"},
        Hostile{"HostNotFound", {"fetch", "http://a\xc2\x9b..invalid/", "-"}, {}, "host not found: a\\xc2\\x9b..invalid"},
        Hostile{"ReportedCharacter", {"fetch", "--html", "URL", "OUT"},
                {Send(Answer("HTTP/1.0 200 OK", {}, "<p>&#x9b;&#x110000;&#x1b;</p>"))}, "U+009B \\xc2\\x9b"},
        Hostile{"CatalogueTitle", {"library", "search", "--catalog", "CATALOG", "猫"}, {},
                "1\t猫\\x1b]0;owned\\x07\\xc2\\x9b\t夏目\\x1b[2J"},
        Hostile{"WorkUrl", {"library", "get", "--catalog", "CATALOG", "1", "OUT"}, {}, "/c\\x1b[31m.zip"},
        Hostile{"AozoraUrl", {"aozora", "http://127.0.0.1:1/\x1b[31m", "OUT"}, {}, "/\\x1b[31m"}),
    [](const ::testing::TestParamInfo<Hostile>& info) { return std::string(info.param.name); });

TEST_F(NetCli, AnUnknownHostFails) {
    std::string out = dir_.File("out.txt");
    auto r = RunCli({"fetch", "http://nohost..invalid/page", out});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "verdane-cli fetch: host not found: nohost..invalid\n");
    EXPECT_FALSE(FileExists(out));
    EXPECT_TRUE(ListDir(dir_.Path()).empty());
}

// A proxy that cannot be reached is named as the proxy, not as the page's server.
TEST_F(NetCli, ADeadProxyIsNamed) {
    std::string out = dir_.File("out.txt");
    auto r = RunCli({"fetch", "--proxy", "127.0.0.1:9", "http://example.invalid/page", out});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "verdane-cli fetch: cannot reach the proxy 127.0.0.1:9: connection refused\n");
    EXPECT_FALSE(FileExists(out));
}

TEST_F(NetCli, ASilentServerTimesOut) {
    server_.On("/silent", {Hold()});
    std::string out = dir_.File("out.txt");
    auto started = std::chrono::steady_clock::now();
    auto r = RunCli({"fetch", "--timeout", "1", server_.Url("/silent"), out});
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "verdane-cli fetch: timed out after 1 s\n");
    EXPECT_FALSE(FileExists(out));
    EXPECT_GE(seconds, 0.9);
    EXPECT_LT(seconds, 30.0);  // a loaded machine may be slow, but it must not wait for ever
}

TEST_F(NetCli, AHeaderSentALineAtATimeMustEndWithinTheTimeout) {
    // Each line comes well within the timeout, but the header would never end.
    ServerScript script = {Send("HTTP/1.0 200 OK\r\n")};
    for (int i = 0; i < 40; ++i) {
        script.push_back(Delay(250));
        script.push_back(Send("X-Line: " + std::to_string(i) + "\r\n"));
    }
    script.push_back(Send("\r\nbody"));
    server_.On("/trickle", script);
    auto started = std::chrono::steady_clock::now();
    auto r = RunCli({"fetch", "--timeout", "1", server_.Url("/trickle"), "-"});
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "verdane-cli fetch: timed out after 1 s: the answer's header did not end\n");
    EXPECT_LT(seconds, 8.0);
}

TEST_F(NetCli, ASilentServerOfAnHttpsUrlTimesOutWithThatReason) {
    // The server accepts and never answers the handshake: the client's own
    // close at the time limit is not taken for the server's.
    auto started = std::chrono::steady_clock::now();
    auto r = RunCli({"fetch", "--timeout", "1", "https://127.0.0.1:" + std::to_string(server_.Port()) + "/", "-"});
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "verdane-cli fetch: timed out after 1 s\n");
    EXPECT_LT(seconds, 3.0);
}

TEST_F(NetCli, ASlowNameServerNeverHoldsUpTheExit) {
    // The name server never answers; the time limit ends the download, and the
    // lookup still waiting in the resolver does not keep the program alive.
    if (!FileExists("/usr/bin/unshare")) GTEST_SKIP() << "unshare (util-linux) is missing";
    auto started = std::chrono::steady_clock::now();
    auto r = RunProcess("/usr/bin/unshare", {"-rmn", "python3", VERDANE_TEST_SUPPORT_DIR "/silent_name_server.py",
                                             dir_.Path(), VERDANE_CLI_PATH, "fetch", "--timeout", "1",
                                             "http://slow.example/page", "-"});
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (r.exitCode == 77 || r.err.find("unshare:") == 0)
        GTEST_SKIP() << "this machine allows no user and network namespaces: " << r.err;
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "verdane-cli fetch: timed out after 1 s\n");
    EXPECT_LT(seconds, 3.0);  // the resolver itself would wait 30 s
}

TEST_F(NetCli, APageLargerThanMaxSizeFails) {
    server_.On("/endless", {Send("HTTP/1.0 200 OK\r\n\r\n"), SendRepeated(std::string(65536, 'x'), 1LL << 50)});
    std::string out = dir_.File("out.txt");
    auto started = std::chrono::steady_clock::now();
    auto r = RunCli({"fetch", "--max-size", "2M", server_.Url("/endless"), out});
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "verdane-cli fetch: the page is larger than 2 MB\n");
    EXPECT_FALSE(FileExists(out));
    EXPECT_LT(seconds, 5.0);
    server_.On("/small", {Send(Answer("HTTP/1.0 200 OK", {}, "12345"))});
    EXPECT_EQ(RunCli({"fetch", "--max-size", "4", server_.Url("/small"), "-"}).err,
              "verdane-cli fetch: the page is larger than 4 bytes\n");
    r = RunCli({"fetch", "--max-size", "5", server_.Url("/small"), "-"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "12345\r\n");
}

TEST_F(NetCli, ACompleteBodyOnAConnectionLeftOpenIsTheDocument) {
    server_.On("/open", {Send(Answer("HTTP/1.1 200 OK", {"Content-Length: 6"}, "whole\n")), Hold()});
    auto r = RunCli({"fetch", "--timeout", "1", server_.Url("/open"), "-"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "whole\r\n");
}

// Every downloading command ends a download that trickles on for ever, at the
// settings' DownloadMaxSeconds (the window's limit) or at --max-time.
TEST_F(NetCli, EveryDownloadingCommandHasATimeLimit) {
    ServerScript trickle = {Send("HTTP/1.0 200 OK\r\n\r\n")};
    for (int i = 0; i < 100; ++i) trickle.insert(trickle.end(), {Delay(100), Send("x")});
    server_.On("*", trickle);
    ::mkdir(config_.File("verdane").c_str(), 0700);
    WriteFile(config_.File("verdane/verdane.INI"), "[Verdane]\nDownloadMaxSeconds=1\n");
    ::setenv("XDG_CACHE_HOME", dir_.Path().c_str(), 1);
    const std::string url = server_.Url("/x"), out = dir_.File("out.txt");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"fetch", url, out}, {"fetch", "--max-time", "1.5", url, out}, {"aozora", url, out},
          {"library", "search", "--catalog", url, "a"}, {"library", "get", "--catalog", url, "1", out}}) {
        const auto r = RunCli(args);
        EXPECT_EQ(r.exitCode, 1) << args[0];
        EXPECT_NE(r.err.find(args[1] == "--max-time" ? "longer than 1.5 s" : "longer than 1 s"), std::string::npos) << r.err;
        EXPECT_FALSE(FileExists(out));
    }
}

// A read-only mount is named as such, not as a missing permission.
TEST_F(NetCli, AReadOnlyMountIsNamedAsOne) {
    WriteFile(dir_.File("out.txt"), "kept");
    const auto r = RunProcess("/usr/bin/unshare", {"-rm", "sh", "-c", "mount --bind $1 $1 && mount -o remount,bind,ro $1 ||"
                                                   " exit 77; exec $2 kanji $1/out.txt $1/out.txt", "sh", dir_.Path(), VERDANE_CLI_PATH});
    if (r.exitCode == 77 || r.exitCode == -1) GTEST_SKIP() << "no read-only bind mount here: " << r.err;
    EXPECT_EQ(r.err, "verdane-cli kanji: cannot write " + dir_.File("out.txt") + ": Read-only file system\n");
}

TEST_F(NetCli, SendsTheProxyRequestWithItsCredentials) {
    // The test server plays the proxy, so the whole request head can be checked.
    server_.On("/doc.html", {Send(Answer("HTTP/1.0 200 OK", {}, "proxied"))});
    auto r = RunCli({"fetch", "--proxy", "127.0.0.1:" + std::to_string(server_.Port()), "--proxy-user", "pu",
                     "--proxy-password", "pw", "http://www.example.invalid/doc.html", "-"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "proxied\r\n");
    EXPECT_EQ(server_.LastRequest(),
              "GET http://www.example.invalid/doc.html HTTP/1.0\r\n"
              "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
              "User-Agent: Halvorn\r\nHost: www.example.invalid\r\nPragma: no-cache\r\n"
              "Proxy-Authorization: Basic cHU6cHc=\r\n\r\n");
}

TEST_F(NetCli, BadUsageExitsTwo) {
    std::string url = server_.Url("/");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"fetch"}, {"fetch", url}, {"fetch", url, "a", "b"}, {"fetch", "--timeout", "0", url, "-"},
          {"fetch", "--timeout", "abc", url, "-"}, {"fetch", "--proxy-user", "u", url, "-"},
          {"fetch", "--frobnicate", url, "-"}, {"fetch", "", "-"}, {"fetch", "--max-size", "5X", url, "-"},
          {"fetch", "--max-size", "-1", url, "-"}, {"fetch", "--max-time", "-1", url, "-"}}) {
        auto r = RunCli(args);
        EXPECT_EQ(r.exitCode, 2) << args.size();
        EXPECT_NE(r.err.find("verdane-cli fetch: "), std::string::npos);
    }
    EXPECT_TRUE(server_.Requests().empty());
}

TEST_F(NetCli, HelpExplainsEveryOption) {
    auto r = RunCli({"fetch", "--help"});
    EXPECT_EQ(r.exitCode, 0);
    for (const char* option : {"--proxy", "--proxy-user", "--proxy-password", "--html", "--timeout", "--max-time", "--insecure", "URL", "OUT"})
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
}

TEST_F(NetCli, HtmlOptionTurnsTheConvertedPageIntoText) {
    // An EUC-JP page: "<p>&lt;日本</p>" becomes Shift-JIS first, then text.
    server_.On("/p.html", {Send(Answer("HTTP/1.0 200 OK", {}, "<html>\n<p>&lt;" + Hex("C6 FC CB DC") + "</p>\n"))});
    auto r = RunCli({"fetch", "--html", server_.Url("/p.html"), dir_.File("p.txt")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ToHex(ReadFile(dir_.File("p.txt"))), ToHex("<" + Hex("93 FA 96 7B") + "\r\n\r\n"));
}

TEST_F(NetCli, HtmlOptionToADocDatabaseTitlesItByThePage) {
    // An EUC-JP page titled " 日本 " and one without a title.
    server_.On("/t.html", {Send(Answer("HTTP/1.0 200 OK", {}, "<title> " + Hex("C6 FC CB DC") + " </title><p>x</p>\n"))});
    server_.On("/story.html", {Send(Answer("HTTP/1.0 200 OK", {}, "<p>x</p>\n"))});
    const struct {
        const char* path;
        const char* out;
        std::string title;
    } cases[] = {{"/t.html", "t.pdb", Hex("93 FA 96 7B")}, {"/story.html", "s.PRC", "story"}};
    for (const auto& c : cases) {
        auto r = RunCli({"fetch", "--html", server_.Url(c.path), dir_.File(c.out)});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const std::string database = ReadFile(dir_.File(c.out));
        ASSERT_GT(database.size(), 78u);
        EXPECT_EQ(ToHex(database.substr(0, c.title.size() + 1)), ToHex(c.title + std::string(1, '\0'))) << c.path;
        EXPECT_EQ(database.substr(60, 8), "TEXtREAd") << c.path;
    }
}

TEST_F(NetCli, HtmlOptionWritesWhatShiftJisLacksAsEveryWriterDoes) {
    // A UTF-8 page with "é", a no-break space and "☃": "e", a space and "?", each named.
    server_.On("/u.html", {Send(Answer("HTTP/1.0 200 OK", {"Content-Type: text/html; charset=utf-8"},
                                       "<p>caf" + Hex("C3 A9 C2 A0 E2 98 83") + "</p>"))});
    auto r = RunCli({"fetch", "--html", server_.Url("/u.html"), dir_.File("u.txt")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadFile(dir_.File("u.txt")), "cafe ?\r\n\r\n");
    EXPECT_NE(r.err.find("U+00E9"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("U+2603"), std::string::npos) << r.err;
}

TEST_F(NetCli, AnEmptyPageIsAFailureAndWritesNothing) {
    server_.On("/empty", {Send(Answer("HTTP/1.0 200 OK", {"Content-Length: 0"}, ""))});
    auto r = RunCli({"fetch", server_.Url("/empty"), dir_.File("e.txt")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "verdane-cli fetch: the server sent an empty page\n");
    EXPECT_FALSE(FileExists(dir_.File("e.txt")));
}

// https: the tests' server with a certificate of the tests' own authority,
// which verdane-cli trusts only when SSL_CERT_FILE names it.
class HttpsCli : public ::testing::Test {
protected:
    void SetUp() override {
        ::unsetenv("SSL_CERT_FILE");
        ::unsetenv("SSL_CERT_DIR");
        TestCertificate cert = ca_.Issue("server", {"DNS:localhost", "IP:127.0.0.1"});
        server_ = std::make_unique<TestHttpServer>(TlsSettings{cert.certFile, cert.keyFile});
        server_->On("/page", {Send(Answer("HTTP/1.0 200 OK", {"Content-Type: text/plain"}, "over TLS\n"))});
    }
    void TearDown() override { ::unsetenv("SSL_CERT_FILE"); }

    TempDir dir_;
    TestCertificateAuthority ca_{dir_.Path()};
    std::unique_ptr<TestHttpServer> server_;
};

TEST_F(HttpsCli, FetchesWithTheTestAuthorityAndFailsClearlyWithoutIt) {
    std::string url = "https://127.0.0.1:" + std::to_string(server_->Port()) + "/page";
    ::setenv("SSL_CERT_FILE", ca_.CaFile().c_str(), 1);
    auto r = RunCli({"fetch", url, "-"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "over TLS\r\n");
    EXPECT_EQ(r.err, "");
    ::unsetenv("SSL_CERT_FILE");
    std::string out = dir_.File("out.txt");
    r = RunCli({"fetch", url, out});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "verdane-cli fetch: certificate verify failed: unable to get local issuer certificate\n");
    EXPECT_FALSE(FileExists(out));
    EXPECT_EQ(server_->Requests().size(), 1u);
}

TEST_F(HttpsCli, InsecureFetchesAnywayAndSaysSo) {
    auto r = RunCli({"fetch", "--insecure", server_->Url("/page"), "-"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "over TLS\r\n");
    EXPECT_EQ(r.err, "verdane-cli fetch: warning: --insecure: the server's certificate is not verified\n");
}

TEST_F(HttpsCli, OtherSchemesAreRefused) {
    auto r = RunCli({"fetch", "ftp://127.0.0.1:" + std::to_string(server_->Port()) + "/file", "-"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "verdane-cli fetch: unsupported scheme: ftp\n");
    r = RunCli({"fetch", "http://127.0.0.1:abc/", "-"});
    EXPECT_EQ(r.err, "verdane-cli fetch: invalid port in the URL: \"abc\"\n");
    EXPECT_TRUE(server_->Requests().empty());
}

// verdane-cli against servers nobody here wrote: nginx over https through
// squid with Basic authentication, and a wrong password.
TEST(NetCliRealServers, FetchesThroughSquidFromNginxAndSaysWhyWhenRefused) {
    if (std::string missing = MissingProgram({kNginx, kSquid, kNcsaAuth}); !missing.empty()) GTEST_SKIP() << missing;
    TempDir dir;
    OpenToAll(dir.Path(), true);
    TestCertificateAuthority ca(dir.Path());
    TestCertificate cert = ca.Issue("nginx", {"IP:127.0.0.1"});
    OpenToAll(cert.keyFile, false);
    Nginx nginx(dir, cert.certFile, cert.keyFile);
    Squid squid(dir);
    ASSERT_TRUE(nginx.Running()) << nginx.Log();
    ASSERT_TRUE(squid.Running()) << squid.Log();
    nginx.Put("page.txt", "first line\nsecond line\n");
    ::setenv("SSL_CERT_FILE", ca.CaFile().c_str(), 1);
    const std::string proxy = "127.0.0.1:" + std::to_string(squid.Port());
    auto r = RunCli({"fetch", "--proxy", proxy, "--proxy-user", "proxyuser", "--proxy-password", "s3cret",
                     nginx.HttpsUrl("/page.txt"), "-"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "first line\r\nsecond line\r\n");
    for (const std::string& url : {nginx.HttpUrl("/page.txt"), nginx.HttpsUrl("/page.txt")}) {
        r = RunCli({"fetch", "--proxy", proxy, "--proxy-user", "proxyuser", "--proxy-password", "wrong", url, "-"});
        EXPECT_EQ(r.exitCode, 1) << url;
        EXPECT_EQ(r.err, "verdane-cli fetch: 407 Proxy Authentication Required\n") << url;
    }
    r = RunCli({"fetch", nginx.HttpUrl("/missing.txt"), "-"});
    EXPECT_EQ(r.err, "verdane-cli fetch: 404 Not Found\n");
    ::unsetenv("SSL_CERT_FILE");
}

}  // namespace
