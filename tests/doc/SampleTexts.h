// Texts for the DOC and kanji-code tests and benchmarks: the Japanese and English
// prose in tests/doc/data (as Shift-JIS / ASCII with CR LF line ends), longer
// texts made of its paragraphs, and random texts of several kinds.
#pragma once

#include "KanjiCode.h"
#include "TextBytes.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace verdane::samples {

inline std::string ReadDataFile(const std::string& name) {
    const std::string path = std::string(VERDANE_SOURCE_DIR) + "/tests/doc/data/" + name;
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The Japanese prose as the editor holds it: Shift-JIS, CR LF.
inline std::string JapaneseProse() { return EditorLineEnds(Utf8ToCp932(ReadDataFile("prose-ja.txt"))); }
inline std::string EnglishProse() { return EditorLineEnds(ReadDataFile("prose-en.txt")); }

// A text of exactly `size` bytes made of the prose's paragraphs in random
// orders, the way a long book differs from page to page.
inline std::string ShuffledParagraphs(const std::string& prose, std::size_t size, unsigned seed) {
    std::vector<std::string> paragraphs;
    for (std::size_t at = 0; at < prose.size();) {
        std::size_t end = prose.find("\r\n\r\n", at);
        end = end == std::string::npos ? prose.size() : end + 4;
        paragraphs.push_back(prose.substr(at, end - at));
        at = end;
    }
    std::mt19937 rng(seed);
    std::string text;
    while (text.size() < size) {
        std::shuffle(paragraphs.begin(), paragraphs.end(), rng);
        for (const auto& p : paragraphs) text += p;
    }
    text.resize(size);
    return text;
}

enum class Kind { SmallAlphabet, Spaces, Binary, ShiftJis, Repetitive };

// A random text of `size` bytes. SmallAlphabet uses the first `letters` letters
// (1 to 3 find the periodic cases); Spaces is mostly spaces and words; Binary is
// any byte; ShiftJis is hiragana, kanji and punctuation; Repetitive repeats short
// random pieces with small changes.
inline std::string RandomText(Kind kind, std::size_t size, std::mt19937& rng, int letters = 3) {
    std::string text;
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    while (text.size() < size) {
        switch (kind) {
        case Kind::SmallAlphabet:
            text += static_cast<char>('a' + pick(letters));
            break;
        case Kind::Spaces:
            if (pick(3) == 0)
                text += std::string(1 + pick(12), ' ');
            else
                text += static_cast<char>(pick(4) == 0 ? 0x40 + pick(64) : 'a' + pick(4));
            break;
        case Kind::Binary:
            text += static_cast<char>(pick(256));
            break;
        case Kind::ShiftJis: {
            const int r = pick(10);
            if (r < 5)
                text += std::string{'\x82', static_cast<char>(0x9F + pick(83))};  // hiragana
            else if (r < 8)
                text += std::string{static_cast<char>(0x88 + pick(8)), static_cast<char>(0x40 + pick(60))};
            else if (r < 9)
                text += pick(2) ? "\x81\x41" : "\x81\x42";  // 、 。
            else
                text += pick(3) ? "\r\n" : " ";
            break;
        }
        case Kind::Repetitive: {
            if (text.size() > 16 && pick(3)) {
                const std::size_t len = 3 + pick(30);
                const std::size_t from = pick(static_cast<int>(text.size()));
                text += text.substr(from, len);
            } else {
                text += static_cast<char>('a' + pick(6));
            }
            break;
        }
        }
    }
    text.resize(size);
    return text;
}

}  // namespace verdane::samples
