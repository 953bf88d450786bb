// Japanese character-code detection and conversion to Shift-JIS (JIS, EUC-JP and
// UTF-8 in). Every text the program reads passes through ConvertKanjiCode with
// target 5. Any bytes are accepted; nothing is read outside the text: an escape
// sequence or a double-byte pair cut off by the end of the text ends the
// conversion there.
#pragma once

#include "ConversionPolicy.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace verdane {

// The code numbers of detection and conversion targets.
enum KanjiCode : int {
    kcNone = 0,       // nothing decisive (plain ASCII)
    kcBinary = 1,     // a byte 0x00-0x07 or 0xFF
    kcJisB = 2,       // JIS, ESC $ B
    kcJisAt = 3,      // JIS, ESC $ @
    kcEuc = 4,
    kcShiftJis = 5,
    kcEucOrSjis = 6,  // EUC or Shift-JIS, undecided
    kcUtf8 = 7,       // valid UTF-8 holding at least one multi-byte sequence or a byte-order mark
    kcUtf16Le = 8,    // UTF-16, little-endian (its byte-order mark FF FE, or none)
    kcUtf16Be = 9,    // UTF-16, big-endian (its byte-order mark FE FF, or none)
    kcUtf32Le = 10,   // UTF-32, little-endian (its byte-order mark FF FE 00 00, or none)
    kcUtf32Be = 11,   // UTF-32, big-endian (its byte-order mark 00 00 FE FF, or none)
};

// UTF-16 or UTF-32: a text the program reads as Unicode and keeps as UTF-8.
constexpr bool IsUtf16Or32(int code) { return code >= kcUtf16Le && code <= kcUtf32Be; }

// A character the conversion to Shift-JIS could not carry over: a character of
// a UTF-8 or UTF-16 text or an HTML reference that CP932 lacks (written as the
// conversion policy says), or an EUC-JP three-byte code (JIS X 0212, also in
// JIS after ESC $ ( D) whose character CP932 lacks, or a JIS pair of another
// language's set (it became the geta mark "〓"). Damaged bytes that name no
// character are listed too, with U+FFFD.
struct KanjiReplacement {
    std::size_t offset = 0;    // where its bytes start in the text converted
    std::size_t length = 0;    // how many bytes it has there
    char32_t codePoint = 0;    // the character, or U+FFFD when the bytes name none
    StandIn writtenAs{};       // what was written in its place
    friend bool operator==(const KanjiReplacement&, const KanjiReplacement&) = default;
};

// Guesses the code of a whole text: a UTF-32 or UTF-16 byte-order mark first,
// then binary (a byte below 0x08 or 0xFF in the first 512 bytes but the last)
// unless every unit of the text read as UTF-32 or UTF-16 is a character of a
// text, then UTF-8 (a text damaged at a few places only, with sixteen
// well-formed multi-byte sequences or more for each damaged one, is still
// UTF-8), then the
// JIS/EUC/Shift-JIS scan. A byte 0xF0-0xFC followed by 0x40-0x7E or 0x80-0xA0
// is Shift-JIS (CP932's IBM extensions and user-defined area). A text the scan leaves undecided between
// EUC-JP and Shift-JIS is read in the code under which it looks like Japanese
// (see EucOrShiftJis); only a text that looks the same under both stays 6.
// ESC ( I or ESC ) I (half-width katakana) and ESC $ ( B, D, O or Q mark a
// JIS text as ESC $ B does; an
// EUC-JP three-byte code (0x8F and two bytes 0xA1-0xFE) leaves EUC-JP and
// Shift-JIS undecided, or decides for EUC-JP when one of them is 0xFD or 0xFE.
int DetectKanjiCode(std::string_view text);

// For a text the scan leaves undecided: kcEuc or kcShiftJis, the code under
// which it holds fewer malformed characters, then more JIS X 0208 kanji and
// kana less the half-width katakana; kcEucOrSjis when both score alike.
int EucOrShiftJis(std::string_view text);

// The code a charset label names (case and surrounding blanks aside; the
// labels of Shift-JIS, EUC-JP, ISO-2022-JP, UTF-8 and UTF-16), or nullopt for
// any other label.
std::optional<int> KanjiCodeOfCharset(std::string_view label);
// The code a page declares: the charset parameter of an HTTP Content-Type
// value first, then a <meta charset=...> or <meta http-equiv="Content-Type"
// content="...; charset=..."> in the page's first 4 KB; nullopt when neither
// names a code KanjiCodeOfCharset knows. Either may be empty.
inline constexpr std::size_t kCharsetSniffSize = 4096;
std::optional<int> DeclaredKanjiCode(std::string_view contentType, std::string_view page);
// The code a page is read in: a byte-order mark (UTF-8 or UTF-16) first, then
// the declared charset, then DetectKanjiCode.
int PageKanjiCode(std::string_view contentType, std::string_view page);

// The text in the target code. Only target 5 (Shift-JIS) converts: JIS (2, 3),
// EUC (4) and UTF-8 (7) texts are converted; everything else, and every text
// for another target, comes back unchanged.
// JIS: JIS X 0208 pairs after ESC $ (and ESC $ ( B, O or Q), JIS X 0212
// pairs after ESC $ ( D as CP932's own character or the geta mark, the geta
// mark for each pair of another language's set (ESC $ A, ESC $ ( C, ...),
// half-width katakana after ESC ( I and between SO and SI (0x0E, 0x0F; the two
// bytes go), single bytes otherwise.
// EUC-JP: each three-byte code (0x8F, JIS X 0212) is one character: CP932's
// own where CP932 holds it (0x8F 0xA2 0xB7, the full-width tilde, is 0x8160),
// else the geta mark "〓" (0x81AC); a 0x8F without code bytes after it becomes
// "?", and the bytes after a damaged code are read on their own.
std::string ConvertKanjiCode(std::string_view text, int target);
// The same on the text itself: EUC-JP and UTF-8 are converted in place (they
// only shrink), JIS into a new text; a text that needs no conversion is left
// as it is. A large file is thus converted without a second copy.
void ConvertKanjiCodeInPlace(std::string& text, int target);
// The text in Shift-JIS when it had to be converted (JIS, EUC-JP, UTF-8), or
// nullopt when it stays as it is: the read-only form, which copies only a
// text that changes.
// With `replaced`, the characters the conversion could not carry over are
// listed there in text order (it is emptied first; a text that stays as it is
// lists none).
std::optional<std::string> ConvertedToShiftJis(std::string_view text,
                                               std::vector<KanjiReplacement>* replaced = nullptr);
// The text in Shift-JIS read as `code` (as PageKanjiCode gives it) rather
// than as detected; nullopt when it stays as it is (Shift-JIS, ASCII, binary,
// undecided). A UTF-8 or UTF-16 text is converted even when malformed: each
// byte or unit that names no character becomes "?" and is listed.
std::optional<std::string> ConvertedToShiftJisFrom(std::string_view text, int code,
                                                   std::vector<KanjiReplacement>* replaced = nullptr);
// The same for Shift-JIS on the `size` bytes at `data`, a buffer of the
// caller's: returns the text's new size when it was converted there (EUC-JP,
// UTF-8) or needed no conversion, or kConvertedAside when the result had to go
// into `aside` (JIS).
inline constexpr std::size_t kConvertedAside = static_cast<std::size_t>(-1);
std::size_t ConvertToShiftJisInBuffer(char* data, std::size_t size, std::string& aside);
// The same read as `code` rather than as detected.
std::size_t ConvertToShiftJisInBuffer(char* data, std::size_t size, std::string& aside, int code);

// A UTF-16 or UTF-32 text (kcUtf16Le, kcUtf16Be, kcUtf32Le, kcUtf32Be; its
// byte-order mark dropped) in UTF-8, for a reader that keeps every character;
// an unpaired surrogate, a unit past U+10FFFF or bytes left over at the end
// become U+FFFD.
std::string Utf16ToUtf8(std::string_view text, int code);

// The arithmetic mapping of one JIS X 0208 pair (row byte a, cell byte b, each
// 0x21-0x7E) to its two Shift-JIS bytes; sums are taken modulo 256.
std::array<std::uint8_t, 2> JisPairToSjis(std::uint8_t a, std::uint8_t b);

// True for valid UTF-8 that holds at least one multi-byte sequence.
bool IsUtf8Text(std::string_view text);

// A UTF-8 text made whole in place: each damaged sequence (a stray byte, an
// overlong form, a surrogate, a sequence cut short) becomes one "?", as the
// conversion policy writes bytes that name no character, and is listed in
// `replaced` (U+FFFD, its offset and length in the text as it was). False
// when nothing was damaged.
bool RepairUtf8(std::string& text, std::vector<KanjiReplacement>* replaced = nullptr);

// UTF-8 to CP932 with the one table (cp932::Codes): a leading byte-order mark
// is dropped, a character CP932 lacks is written as the conversion policy says
// for a text, and each byte of a malformed sequence becomes "?". With
// `replaced`, each character replaced is listed there (emptied first).
std::string Utf8ToCp932(std::string_view utf8, std::vector<KanjiReplacement>* replaced = nullptr);

}  // namespace verdane
