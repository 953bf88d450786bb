// TREScanner: the first stage of the pattern engine. Cuts a pattern into tokens
// for TREPreProcessor and TREParser. Entry point: TREScanner::GetToken.
// Raises ERegExpParser for malformed escapes, brackets and double-byte codes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace verdane::regex {

enum TREToken : std::uint8_t {
    tkChar = 0,
    tkCharRange = 1,
    tkUnion = 2,
    tkLPar = 3,
    tkRPar = 4,
    tkStar = 5,
    tkPlus = 6,
    tkQuestion = 7,
    tkLBracket = 8,
    tkNegLBracket = 9,
    tkRBracket = 10,
    tkAnyChar = 11,
    tkLineHead = 12,
    tkLineTail = 13,
    tkEnd = 14,
};

class TREScanner {
public:
    explicit TREScanner(std::string_view pattern = {}) { SetText(pattern); }
    virtual ~TREScanner() = default;

    // A new pattern; scanning starts again at its first byte. The pattern ends
    // at its first NUL byte.
    void SetText(std::string_view pattern);
    const std::string& Text() const { return text_; }

    // Reads the next token into the fields below and returns its kind.
    TREToken GetToken();

    TREToken token = tkEnd;
    std::uint16_t symbol = 0;    // the character of tkChar, the range start of tkCharRange
    std::uint16_t rangeEnd = 0;  // the range end of tkCharRange
    std::size_t tokenStart = 0;  // 0-based byte offsets of the token's written form
    std::size_t tokenEnd = 0;

    // The 1-based position of the next byte to read, as errors report it.
    std::size_t Position() const { return pos_ + 1; }

protected:
    virtual TREToken ReadNormal();
    virtual TREToken ReadBracket();

    std::uint16_t Read();
    [[noreturn]] void Fail(const char* message) const;

    std::string text_;
    std::size_t pos_ = 0;
    bool inBracket_ = false;
};

}  // namespace verdane::regex
