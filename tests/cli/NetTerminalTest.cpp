// What servers, catalogues and pages say reaches the terminal with its
// control characters and broken UTF-8 escaped, through every command's
// messages: real verdane-cli runs against the tests' server on 127.0.0.1.
#include "AozoraCatalogCsv.h"
#include "TestHttpServer.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace verdane::test;

namespace {

// Whether `text` could reach a terminal unharmed: no C0 control but line
// feed and tab, no DEL, valid UTF-8 (as Python decodes it) without C1 controls.
bool TerminalSafe(const std::string& text) {
    TempDir dir;
    WriteFile(dir.File("t"), text);
    return RunProcess("/usr/bin/python3", {"-c",
                                           "import sys, re\n"
                                           "t = open(sys.argv[1], 'rb').read().decode('utf-8')\n"
                                           "sys.exit(1 if re.search('[\\x00-\\x08\\x0b-\\x1f\\x7f-\\x9f]', t) else 0)\n",
                                           dir.File("t")})
               .exitCode == 0;
}

struct Hostile {
    const char* name;
    std::vector<std::string> args;  // "URL" stands for the server's /x
    ServerScript script;
    std::string shown;  // a part of standard error or output, escaped
};

class TerminalText : public ::testing::TestWithParam<Hostile> {};

TEST_P(TerminalText, ReachesTheTerminalEscaped) {
    TestHttpServer server;
    TempDir cache, out;
    TempConfigHome config;
    setenv("XDG_CACHE_HOME", cache.Path().c_str(), 1);
    const std::string catalog =
        CatalogHeader() + CatalogLine({{"作品ID", "000001"}, {"作品名", "猫\x1b]0;owned\x07\xc2\x9b"}, {"作品名読み", "ねこ"},
                                       {"姓", "夏目\x1b[2J"}, {"役割フラグ", "著者"},
                                       {"テキストファイルURL", server.Url("/card\x1b[31m.zip")}});
    WriteFile(out.File("list.csv"), catalog);
    RunProcess("/usr/bin/python3", {"-c", "import sys, zipfile\nzipfile.ZipFile(sys.argv[1], 'w').write(sys.argv[2], 'list.csv')",
                                    out.File("c.zip"), out.File("list.csv")});
    server.On("/c.zip", {Send(Answer("HTTP/1.0 200 OK", {}, ReadFile(out.File("c.zip"))))});
    server.On("*", GetParam().script);
    std::vector<std::string> args = GetParam().args;
    for (std::string& arg : args) {
        if (arg == "URL") arg = server.Url("/x");
        if (arg == "CATALOG") arg = server.Url("/c.zip");
        if (arg == "OUT") arg = out.File("out.txt");
    }
    const ProcessResult r = RunCli(args);
    unsetenv("XDG_CACHE_HOME");
    EXPECT_TRUE(TerminalSafe(r.err)) << r.err;
    EXPECT_TRUE(TerminalSafe(r.out)) << r.out;
    EXPECT_NE((r.err + r.out).find(GetParam().shown), std::string::npos) << r.err << r.out;
}

const std::string kTitle = "猫\\x1b]0;owned\\x07\\xc2\\x9b";

INSTANTIATE_TEST_SUITE_P(
    Commands, TerminalText,
    ::testing::Values(
        Hostile{"FetchReason", {"fetch", "URL", "-"}, {Send("HTTP/1.0 404 No\x1b[2J\xc2\x9b\xff\r\n\r\n")},
                "404 No\\x1b[2J\\xc2\\x9b\\xff"},
        Hostile{"HostNotFound", {"fetch", "http://a\xc2\x9b..invalid/", "-"}, {}, "host not found: a\\xc2\\x9b..invalid"},
        Hostile{"ReportedCharacter", {"fetch", "--html", "URL", "OUT"},
                {Send(Answer("HTTP/1.0 200 OK", {}, "<p>&#x9b;&#x110000;&#x1b;</p>"))}, "U+009B \\xc2\\x9b"},
        Hostile{"CatalogueTitle", {"library", "search", "--catalog", "CATALOG", "猫"}, {}, "1\t" + kTitle + "\t夏目\\x1b[2J"},
        Hostile{"WorkUrl", {"library", "get", "--catalog", "CATALOG", "1", "OUT"}, {Send("HTTP/1.0 404 Gone\r\n\r\n")},
                "/card\\x1b[31m.zip"},
        Hostile{"AozoraUrl", {"aozora", "http://127.0.0.1:1/\x1b[31m", "OUT"}, {}, "/\\x1b[31m"}),
    [](const ::testing::TestParamInfo<Hostile>& info) { return std::string(info.param.name); });

}  // namespace
