// ERegExpParser: the error a malformed pattern (or replacement text) raises,
// with the byte position scanning had reached. Raised by every stage from the
// scanner to the DFA builder; caught by TAWKStr's callers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <stdexcept>
#include <string>

namespace verdane::regex {

// The messages, exactly as the program shows them.
namespace msg {
inline constexpr const char* kBadDoubleByte = "不正な２バイト文字コードです。";
inline constexpr const char* kTrailingBackslash = "\"\\\"の次には文字が必要です。";
inline constexpr const char* kBadHex = "不正な１６進数コード表記です。";
inline constexpr const char* kBadOctal = "不正な８進数コード表記です。";
inline constexpr const char* kNeedRBracket = "右ブラケット\"]\"が必要です";
inline constexpr const char* kBadRange = "不正なキャラクタ範囲です";
inline constexpr const char* kExtraChars = "正規表現に余分な文字があります";
inline constexpr const char* kNeedRPar = "右(閉じ)括弧が必要です";
inline constexpr const char* kNeedCharOrLPar = "普通の文字、または左括弧\"(\"が必要です";
inline constexpr const char* kEmptyClass = "不正なキャラクタクラス指定です。";
// Our own limits: a pattern whose automaton would not fit in memory or time.
inline constexpr const char* kTooDeep = "正規表現の括弧の入れ子が深すぎます（上限 500 段）";
inline constexpr const char* kTooComplex =
    "正規表現が複雑すぎます（オートマトンが上限の大きさを超えます）";
// Internal errors that valid input never causes (raised as std::runtime_error).
inline constexpr const char* kTreeFatal = "TREParseTree : 致命的エラー";
inline constexpr const char* kNfaCannotHappen = "This cannot happen in TRE_NFA.GenerateStateList";
}  // namespace msg

// What was wrong with a pattern, for callers that say it in words of their own
// (verdane-cli speaks English); one per message above, Other for any text.
enum class RegExpFault {
    BadDoubleByte, TrailingBackslash, BadHex, BadOctal, NeedRBracket, BadRange, ExtraChars, NeedRPar,
    NeedCharOrLPar, EmptyClass, TooDeep, TooComplex, Other
};

class ERegExpParser : public std::runtime_error {
public:
    // `position` is the 1-based index of the next byte scanning would have read.
    // The fault is that of the message constant given (one of msg::k...).
    ERegExpParser(const char* message, std::size_t position)
        : std::runtime_error(message), position_(position), fault_(FaultOf(message)) {}
    ERegExpParser(const std::string& message, std::size_t position)
        : std::runtime_error(message), position_(position), fault_(RegExpFault::Other) {}
    // The same fault at another position.
    ERegExpParser(const ERegExpParser& other, std::size_t position)
        : std::runtime_error(other), position_(position), fault_(other.fault_) {}

    std::size_t Position() const { return position_; }
    RegExpFault Fault() const { return fault_; }

private:
    // The constants are told apart by what they are, not by their text.
    static RegExpFault FaultOf(const char* message) {
        const char* const known[] = {msg::kBadDoubleByte, msg::kTrailingBackslash, msg::kBadHex, msg::kBadOctal,
                                     msg::kNeedRBracket,  msg::kBadRange,          msg::kExtraChars, msg::kNeedRPar,
                                     msg::kNeedCharOrLPar, msg::kEmptyClass,       msg::kTooDeep,  msg::kTooComplex};
        for (std::size_t i = 0; i < std::size(known); ++i)
            if (message == known[i]) return static_cast<RegExpFault>(i);
        return RegExpFault::Other;
    }

    std::size_t position_;
    RegExpFault fault_;
};

}  // namespace verdane::regex
