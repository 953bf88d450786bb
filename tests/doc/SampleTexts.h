// Texts for the DOC and kanji-code tests and benchmarks: the Japanese and English
// prose in tests/doc/data (as Shift-JIS / ASCII with CR LF line ends), longer
// texts made of its paragraphs, and random texts of several kinds.
#pragma once

#include "KanjiCode.h"
#include "TextBytes.h"

#include <algorithm>
#include <filesystem>
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

// A Japanese technical manual as the editor holds it (Shift-JIS, CR LF): prose
// sentences broken into short paragraphs, between ruled lines of "=" and "-",
// indented command lines of 60 to 200 ASCII bytes, tables padded with spaces
// and numbered headings.
inline std::string JapaneseTechnical(std::size_t size, unsigned seed) {
    const std::string prose = JapaneseProse();
    std::vector<std::string> sentences;
    const std::string stop = "\x81\x42";  // 。
    for (std::size_t at = 0; at < prose.size();) {
        std::size_t end = prose.find(stop, at);
        end = end == std::string::npos ? prose.size() : end + stop.size();
        std::string s = prose.substr(at, end - at);
        std::erase_if(s, [](char c) { return c == '\r' || c == '\n'; });
        if (!s.empty()) sentences.push_back(s);
        at = end;
    }
    static const char* const kWords[] = {"verdane-cli", "to-doc", "--title", "--no-binary", "install", "/usr/local/share",
                                         "config.ini", "BUFFER_SIZE", "0x1F40", "-r", "--verbose", "make", "sudo",
                                         "export", "PATH=$HOME/bin:$PATH", "grep", "-n", "'^[0-9]+'", "|", "sort",
                                         "uniq", "-c", ">", "out.log", "2>&1", "&&", "cp", "*.pdb", "/media/palm/"};
    std::mt19937 rng(seed);
    auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
    std::string text;
    int chapter = 1;
    while (text.size() < size) {
        switch (pick(8)) {
        case 0:  // a heading between ruled lines
            text += std::string(72, '=') + "\r\n" + std::to_string(chapter) + "." + std::to_string(pick(20)) + "  " +
                    sentences[pick(sentences.size())].substr(0, 24) + "\r\n" + std::string(72, '=') + "\r\n\r\n";
            ++chapter;
            break;
        case 1:
        case 2: {  // indented command lines
            const int lines = 1 + static_cast<int>(pick(6));
            for (int l = 0; l < lines; ++l) {
                std::string line = std::string(4 + 4 * pick(3), ' ') + "$ ";
                const std::size_t length = 60 + pick(140);
                while (line.size() < length) {
                    line += kWords[pick(std::size(kWords))];
                    if (pick(4) == 0) line += std::to_string(pick(100000));
                    line += ' ';
                }
                text += line + "\r\n";
            }
            text += "\r\n";
            break;
        }
        case 3: {  // a table
            text += std::string(60, '-') + "\r\n";
            for (int r = 0; r < 3 + static_cast<int>(pick(6)); ++r) {
                std::string cell = sentences[pick(sentences.size())].substr(0, 2 * (2 + pick(8)));
                text += "  " + cell + std::string(24 - cell.size() / 2, ' ') + std::to_string(pick(5000)) +
                        std::string(8, ' ') + kWords[pick(std::size(kWords))] + "\r\n";
            }
            text += std::string(60, '-') + "\r\n\r\n";
            break;
        }
        default: {  // a paragraph
            text += "\x81\x40";  // full-width space
            for (int s = 0; s < 1 + static_cast<int>(pick(4)); ++s) text += sentences[pick(sentences.size())];
            text += "\r\n\r\n";
            break;
        }
        }
    }
    text.resize(size);
    return text;
}

// Source code: the program's own C++ files (CR LF), repeated to `size` bytes.
inline std::string SourceCode(std::size_t size) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(std::string(VERDANE_SOURCE_DIR) + "/src"))
        if (entry.is_regular_file() && (entry.path().extension() == ".cpp" || entry.path().extension() == ".h") &&
            entry.file_size() < 100000)
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::string all;
    for (const auto& f : files) {
        std::ifstream in(f, std::ios::binary);
        all += std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    all = EditorLineEnds(all);
    std::string text;
    while (text.size() < size) text += all;
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
