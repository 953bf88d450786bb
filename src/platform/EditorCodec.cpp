#include "EditorCodec.h"

#include "ConversionPolicy.h"
#include "Cp932Table.h"

namespace verdane::platform {

namespace {

bool IsTrailByte(std::uint8_t b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

}  // namespace

std::size_t CharacterLength(std::string_view bytes, std::size_t at) {
    const auto b = static_cast<std::uint8_t>(bytes[at]);
    if (b < 0x80 || !cp932::IsLeadByte(b) || at + 1 >= bytes.size()) return 1;
    const auto t = static_cast<std::uint8_t>(bytes[at + 1]);
    return IsTrailByte(t) && cp932::DecodeDouble(b, t) != cp932::kNone ? 2 : 1;
}

QString BytesToEditor(std::string_view bytes) {
    // Every byte gives at most one UTF-16 unit (CP932 holds no character beyond
    // the BMP), so the text is written into a buffer of the bytes' size.
    QString out(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    char16_t* dst = reinterpret_cast<char16_t*>(out.data());
    char16_t* const begin = dst;
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t b = p[i];
        if (b < 0x80) {
            if (b == '\r') {
                if (i + 1 < n && p[i + 1] == '\n') ++i;
                *dst++ = u'\n';
            } else {
                *dst++ = b;
            }
            continue;
        }
        if (cp932::IsLeadByte(b)) {
            if (i + 1 < n && IsTrailByte(p[i + 1])) {
                const std::uint16_t cp = cp932::DecodeDouble(b, p[i + 1]);
                if (cp != cp932::kNone) {
                    *dst++ = cp;
                    ++i;
                    continue;
                }
            }
        } else {
            const std::uint16_t cp = cp932::DecodeSingle(b);
            if (cp != cp932::kNone) {
                *dst++ = cp;
                continue;
            }
        }
        // Undecodable (always 0x80 or above): keep the byte itself; a trail
        // byte that follows is read on its own.
        *dst++ = static_cast<char16_t>(kEscapedByteBase + b);
    }
    out.truncate(dst - begin);
    return out;
}

EncodeResult EditorToBytes(const QString& text, bool escapedBytes) {
    EncodeResult result;
    const char16_t* s = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype n = text.size();
    // Each UTF-16 unit gives at most two bytes (a line break gives CR LF).
    std::string& out = result.bytes;
    out.resize(static_cast<std::size_t>(n) * 2);
    char* dst = out.data();
    const std::uint16_t* table = cp932::Codes();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s[i];
        if (c < 0x80) {
            if (c == u'\n') {
                *dst++ = '\r';
                *dst++ = '\n';
            } else {
                *dst++ = static_cast<char>(c);
            }
            continue;
        }
        if (c == 0x2029 || c == 0x2028) {
            *dst++ = '\r';
            *dst++ = '\n';
            continue;
        }
        if (escapedBytes && IsEscapedByte(s, i)) {
            *dst++ = static_cast<char>(c - kEscapedByteBase);
            continue;
        }
        // A character beyond the BMP is never in CP932; a lone surrogate neither.
        const std::uint16_t code = QChar::isSurrogate(c) ? cp932::kNone : table[c];
        if (code == cp932::kNone) {
            if (result.unencodable++ == 0) result.firstUnencodable = i;
            const bool pair = QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(s[i + 1]);
            const char32_t cp = pair ? QChar::surrogateToUcs4(c, s[i + 1]) : QChar::isSurrogate(c) ? 0xFFFD : c;
            char standIn[kMaxWrittenBytes];
            const std::size_t size = WriteStandIn(cp, FileCode::ShiftJis, Lacking::Question, standIn);
            // The buffer holds two bytes per unit; a longer stand-in (none is
            // known) would not fit, and "?" takes its place.
            if (size <= (pair ? 4u : 2u)) {
                for (std::size_t k = 0; k < size; ++k) *dst++ = standIn[k];
            } else {
                *dst++ = '?';
            }
            if (pair) ++i;
        } else if (code < 0x100) {
            *dst++ = static_cast<char>(code);
        } else {
            *dst++ = static_cast<char>(code >> 8);
            *dst++ = static_cast<char>(code & 0xFF);
        }
    }
    out.resize(static_cast<std::size_t>(dst - out.data()));
    return result;
}

}  // namespace verdane::platform
