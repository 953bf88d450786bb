// The one conversion between the document's bytes (CP932 with CR LF line ends)
// and the editor widget's Unicode text. Used by the main window when it fills
// the editor and when it takes the text back for saving, installing and the
// text commands.
//
// The conversion is lossless: a byte CP932 cannot decode (0x80, 0xA0, 0xFD-0xFF,
// a lead byte without a valid trail, a pair CP932 does not assign) is shown as a
// lone low surrogate U+DC00 + byte (0x80-0xFF give U+DC80-U+DCFF) and written
// back as that byte, so any CR LF text comes back byte for byte. No text holds a
// lone surrogate as a character (UTF-8 cannot carry one), so an escaped byte is
// never mistaken for a character of a UTF-8 text, and a character of such a text
// (private-use ones included) that CP932 lacks is reported like any other. Codes CP932 holds twice (the NEC and IBM
// extension rows) are written in the one form Windows writes.
#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace verdane::platform {

// Escaped bytes: byte b (always 0x80-0xFF) is the lone low surrogate U+DC00 + b.
inline constexpr char16_t kEscapedByteBase = 0xDC00;
inline constexpr char16_t kEscapedByteFirst = kEscapedByteBase + 0x80;
inline constexpr char16_t kEscapedByteLast = kEscapedByteBase + 0xFF;

// Whether the UTF-16 unit `c` at `at` in `text` is an escaped byte: a low
// surrogate of the escape range that no high surrogate pairs with.
inline bool IsEscapedByte(const char16_t* text, qsizetype at) {
    const char16_t c = text[at];
    return c >= kEscapedByteFirst && c <= kEscapedByteLast && (at == 0 || !QChar::isHighSurrogate(text[at - 1]));
}

// Bytes to editor text: each CR LF, lone LF and lone CR becomes one '\n'.
QString BytesToEditor(std::string_view bytes);

// How many bytes (1 or 2) BytesToEditor reads as the one character at `at`
// (which must be the start of a character and inside `bytes`).
std::size_t CharacterLength(std::string_view bytes, std::size_t at);

struct EncodeResult {
    std::string bytes;
    // Characters CP932 cannot hold, each written as its stand-in ("?" where it
    // has no near form). 0 for a lossless save.
    std::size_t unencodable = 0;
    // Editor position (UTF-16 index) of the first of them, or -1.
    qsizetype firstUnencodable = -1;
};

// Editor text to bytes: each line break ('\n', U+2029, U+2028) becomes CR LF;
// a character CP932 lacks is written as the one conversion policy says
// (ConversionPolicy.h, with "?" as the mark) and counted.
// With `escapedBytes`, the escaped bytes (lone surrogates U+DC80-U+DCFF) are
// written back as those bytes; a text that did not come from Shift-JIS (a
// UTF-8 file) passes false, and any such surrogate counts as a character CP932
// lacks. Private-use characters (U+F700-U+F7FF among them) are characters
// CP932 lacks either way.
EncodeResult EditorToBytes(const QString& text, bool escapedBytes = true);

}  // namespace verdane::platform
