// Fuzz target: arbitrary server answers, split at arbitrary points, fed to the
// HTTP client's header and body handlers (no socket), and arbitrary URLs to the
// URL reader. Input: byte 0 picks the options (proxy or not, request type),
// byte 1 the number of splits, then the split seeds, then the answer.
#include "HttpProt.h"

#include <QCoreApplication>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {
class AnswerFeeder : public verdane::THttpCli {
public:
    using THttpCli::BeginAnswer;
    using THttpCli::ReceiveAnswerBytes;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_http_answer";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    if (size < 2) return 0;
    std::uint8_t options = data[0];
    std::size_t splits = data[1] % 16;
    std::size_t pos = 2;
    std::vector<std::size_t> seeds;
    for (std::size_t i = 0; i < splits && pos < size; ++i) seeds.push_back(data[pos++]);
    std::string_view answer(reinterpret_cast<const char*>(data) + pos, size - pos);

    verdane::ParseURL(std::string(answer.substr(0, 300)));

    AnswerFeeder http;
    if (options & 1) http.Proxy = "proxy.invalid:3128";
    http.URL = "http://user:pw@host.invalid:8080/dir/page.html?q=1";
    long long delivered = 0;
    http.OnDocData = [&](verdane::THttpCli&, const char*, int len) {
        if (len < 0) std::abort();
        delivered += len;
    };
    http.BeginAnswer(static_cast<verdane::THttpRequest>(1 + (options >> 1) % 3));
    try {
        std::size_t at = 0;
        for (std::size_t seed : seeds) {
            std::size_t n = std::min(answer.size() - at, seed * 37 % 9000);
            http.ReceiveAnswerBytes(answer.substr(at, n), static_cast<std::uint16_t>(options & 4 ? 10054 : 0));
            at += n;
        }
        http.ReceiveAnswerBytes(answer.substr(at));
    } catch (const std::exception&) {
        // A malformed answer fails the request; that is the expected outcome.
    }
    if (delivered != http.ReceivedCount()) std::abort();
    // The body never grows beyond the answer (one line end may be restored per header-less page).
    if (delivered > static_cast<long long>(answer.size()) + 2) std::abort();
    QCoreApplication::processEvents();
    return 0;
}
