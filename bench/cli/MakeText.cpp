// Writes one of the benchmark texts to standard output, at a given size, for
// bench/cli/compare.sh: the same kinds of text bench/doc times record by record.
//   bench_cli_make_text KIND BYTES
// KIND: ja-prose, ja-technical, en-prose, source, one-byte (all Shift-JIS or
// ASCII with CR LF line ends).
#include "SampleTexts.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    using namespace verdane::samples;
    if (argc != 3) {
        std::fputs("usage: bench_cli_make_text ja-prose|ja-technical|en-prose|source|one-byte BYTES\n", stderr);
        return 2;
    }
    const std::string kind = argv[1];
    const auto size = static_cast<std::size_t>(std::strtoull(argv[2], nullptr, 10));
    std::string text;
    if (kind == "ja-prose")
        text = ShuffledParagraphs(JapaneseProse(), size, 1);
    else if (kind == "ja-technical")
        text = JapaneseTechnical(size, 4);
    else if (kind == "en-prose")
        text = ShuffledParagraphs(EnglishProse(), size, 2);
    else if (kind == "source")
        text = SourceCode(size);
    else if (kind == "one-byte")
        text.assign(size, '=');
    else {
        std::fprintf(stderr, "unknown kind %s\n", kind.c_str());
        return 2;
    }
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() ? 0 : 1;
}
