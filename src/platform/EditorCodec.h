// The one conversion between the document's bytes (CP932 with CR LF line ends)
// and the editor widget's Unicode text. Used by the main window when it fills
// the editor and when it takes the text back for saving, installing and the
// text commands.
//
// The conversion is lossless: a byte CP932 cannot decode (0x80, 0xA0, 0xFD-0xFF,
// a lead byte without a valid trail, a pair CP932 does not assign) is shown as a
// private-use code point U+F700 + byte and written back as that byte, so any
// CR LF text comes back byte for byte. Codes CP932 holds twice (the NEC and IBM
// extension rows) are written in the one form Windows writes.
#pragma once

#include <QString>

#include <cstddef>
#include <string>
#include <string_view>

namespace verdane::platform {

// First private-use code point of the escaped bytes: byte b is U+F700 + b.
inline constexpr char16_t kEscapedByteBase = 0xF700;

// Bytes to editor text: each CR LF, lone LF and lone CR becomes one '\n'.
QString BytesToEditor(std::string_view bytes);

// How many bytes (1 or 2) BytesToEditor reads as the one character at `at`
// (which must be the start of a character and inside `bytes`).
std::size_t CharacterLength(std::string_view bytes, std::size_t at);

struct EncodeResult {
    std::string bytes;
    // Characters CP932 cannot hold, each written as "?". 0 for a lossless save.
    std::size_t unencodable = 0;
    // Editor position (UTF-16 index) of the first of them, or -1.
    qsizetype firstUnencodable = -1;
};

// Editor text to bytes: each line break ('\n', U+2029, U+2028) becomes CR LF.
// With `escapedBytes`, U+F700-U+F7FF are the bytes BytesToEditor could not
// decode and are written back as those bytes; a text that did not come from
// Shift-JIS (a UTF-8 file) passes false, so those characters are ones of its
// own, which CP932 lacks like any other.
EncodeResult EditorToBytes(const QString& text, bool escapedBytes = true);

}  // namespace verdane::platform
