// ERegExpParser: the error a malformed pattern (or replacement text) raises,
// with the byte position scanning had reached. Raised by every stage from the
// scanner to the DFA builder; caught by TAWKStr's callers.
#pragma once

#include <cstddef>
#include <cstdint>
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

class ERegExpParser : public std::runtime_error {
public:
    // `position` is the 1-based index of the next byte scanning would have read.
    ERegExpParser(const std::string& message, std::size_t position)
        : std::runtime_error(message),
          position_(static_cast<std::uint16_t>(position > 0xFFFF ? 0xFFFF : position)) {}

    std::uint16_t Position() const { return position_; }

private:
    std::uint16_t position_;
};

}  // namespace verdane::regex
