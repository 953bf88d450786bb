// Every verdane-cli command that writes or reads, on a device node, a FIFO,
// /dev/stdout and an endless input (/dev/zero).
#include "TestHttpServer.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace verdane {
namespace {

using namespace test;

struct Command {
    std::vector<std::string> args;  // "IN" and "OUT" stand for the input and the output
    bool writes = true, reads = true;
};

std::vector<std::string> With(std::vector<std::string> args, const std::string& in, const std::string& out) {
    for (std::string& a : args) a = a == "IN" ? in : a == "OUT" ? out : a;
    return args;
}

TEST(SpecialFiles, WrittenInPlaceAndEndlessInputsRefused) {
    TempDir dir, desk;
    TestHttpServer server;
    server.On("/page", {Send(Answer("HTTP/1.0 200 OK", {"Content-Type: text/plain"}, "page\n"))});
    const std::string text = dir.File("in.txt"), db = dir.File("in.pdb");
    WriteFile(text, "a text\r\n<b>bold</b>\r\n");
    ASSERT_EQ(RunCli({"to-doc", text, db}).exitCode, 0);
    ASSERT_EQ(RunCli({"palm-desktop", "init", desk.File("d"), "--user", "U"}).exitCode, 0);
    setenv("VERDANE_REGISTRY", desk.File("d/registry.reg").c_str(), 1);

    const std::vector<Command> commands = {
        {{"to-doc", "--title", "T", "IN", "OUT"}},
        {{"to-text", "IN", "OUT"}},
        {{"kanji", "IN", "OUT"}},
        {{"kanji", "--detect", "IN"}, false},
        {{"html2text", "IN", "OUT"}},
        {{"match", "b", "IN"}, false},
        {{"gsub", "b", "c", "IN", "OUT"}},
        {{"aozora", "IN", "OUT"}},
        {{"install", "--user", "U", "--title", "T", "IN"}, false},
        {{"fetch", server.Url("/page"), "OUT"}, true, false},
    };
    const std::string node = dir.File("null"), fifo = dir.File("fifo");
    ASSERT_EQ(::mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0) << std::strerror(errno);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const Command& c : commands) {
        const std::string in = c.args[0] == "to-text" ? db : text;
        const ProcessResult expected = RunCli(With(c.args, in, "-"));
        ASSERT_EQ(expected.exitCode, 0) << c.args[0] + c.args[1] << expected.err;
        if (c.writes) {
            ProcessResult r = RunCli(With(c.args, in, node));
            EXPECT_EQ(r.exitCode, 0) << c.args[0] + c.args[1] << r.err;

            // The test holds the FIFO open for reading, so the command's write
            // lands in its buffer.
            const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
            r = RunCli(With(c.args, in, fifo));
            EXPECT_EQ(r.exitCode, 0) << c.args[0] + c.args[1] << r.err;
            std::string got(1 << 16, '\0');
            const ssize_t n = ::read(reader, got.data(), got.size());
            got.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
            ::close(reader);
            EXPECT_EQ(got, expected.out) << c.args[0] + c.args[1];

            r = RunCli(With(c.args, in, "/dev/stdout"));
            EXPECT_EQ(r.exitCode, 0) << c.args[0] + c.args[1] << r.err;
            EXPECT_EQ(r.out, expected.out) << c.args[0] + c.args[1];
        }
        if (c.reads) {
            const ProcessResult r = RunCli(With(c.args, "/dev/zero", node));
            EXPECT_EQ(r.exitCode, 1) << c.args[0] + c.args[1];
            EXPECT_EQ(r.err.substr(r.err.find(": ") + 2),
                      "cannot read /dev/zero: larger than the 256 MB of text a DOC database holds\n")
                << c.args[0] + c.args[1];
        }
    }
    // Both are what they were, and nothing was made beside them.
    struct stat n{}, f{};
    EXPECT_TRUE(::stat(node.c_str(), &n) == 0 && S_ISCHR(n.st_mode) && ::stat(fifo.c_str(), &f) == 0 && S_ISFIFO(f.st_mode));
    EXPECT_EQ(ListDir(dir.Path()), (std::vector<std::string>{"fifo", "in.pdb", "in.txt", "null"}));
    unsetenv("VERDANE_REGISTRY");
}

}  // namespace
}  // namespace verdane
