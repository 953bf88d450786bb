// TREScanner: patterns to tokens, in normal mode and inside brackets.
#include "TREScanner.h"

#include "ERegExpParser.h"
#include "TRECharCodes.h"

namespace verdane::regex {

void TREScanner::SetText(std::string_view pattern) {
    text_ = std::string(UpToNul(pattern));
    pos_ = 0;
    inBracket_ = false;
    token = tkEnd;
}

std::uint16_t TREScanner::Read() { return ReadChar(text_, pos_, FinalLead::Error); }

void TREScanner::Fail(const char* message) const { throw ERegExpParser(message, Position()); }

TREToken TREScanner::GetToken() {
    tokenStart = pos_;
    if (!inBracket_) {
        token = ReadNormal();
        if (token == tkLBracket || token == tkNegLBracket) inBracket_ = true;
    } else {
        token = ReadBracket();
        if (token == tkRBracket) inBracket_ = false;
    }
    tokenEnd = pos_;
    return token;
}

TREToken TREScanner::ReadNormal() {
    std::uint16_t c = Read();
    symbol = c;
    switch (c) {
    case 0: return tkEnd;
    case '$': return tkLineTail;
    case '(': return tkLPar;
    case ')': return tkRPar;
    case '*': return tkStar;
    case '+': return tkPlus;
    case '.': return tkAnyChar;
    case '?': return tkQuestion;
    case ']': return tkRBracket;
    case '^': return tkLineHead;
    case '|': return tkUnion;
    case '\\':
        symbol = DecodeEscape(text_, pos_, FinalLead::Error);
        return tkChar;
    case '[': {
        std::size_t before = pos_;
        std::uint16_t next = Read();
        if (next == 0) Fail(msg::kNeedRBracket);
        if (next == '^') return tkNegLBracket;
        pos_ = before;
        return tkLBracket;
    }
    default: return tkChar;
    }
}

TREToken TREScanner::ReadBracket() {
    std::uint16_t a = Read();
    if (a == 0) Fail(msg::kNeedRBracket);
    if (a == ']') {
        symbol = a;
        return tkRBracket;
    }
    if (a == '\\') a = DecodeEscape(text_, pos_, FinalLead::Error);
    symbol = a;
    std::size_t beforeB = pos_;
    std::uint16_t b = Read();
    if (b == 0) Fail(msg::kNeedRBracket);
    if (b != '-') {
        pos_ = beforeB;
        return tkChar;
    }
    std::uint16_t c = Read();
    if (c == 0) Fail(msg::kNeedRBracket);
    if (c == ']') {
        // "a-]": the '-' is an ordinary member, read next.
        pos_ = beforeB;
        return tkChar;
    }
    if (c == '\\') c = DecodeEscape(text_, pos_, FinalLead::Error);
    if (c < a) Fail(msg::kBadRange);
    rangeEnd = c;
    return tkCharRange;
}

}  // namespace verdane::regex
