#include "EditorFileCodec.h"
#include "TextBytes.h"

#include "Cp932Table.h"

namespace verdane::platform {

namespace {

// A CP932 double-byte code as its EUC-JP pair: the JIS X 0208 row and cell
// the Shift-JIS code stands for, each with the high bit set.
void AppendEucPair(std::string& out, unsigned code) {
    unsigned lead = code >> 8;
    unsigned trail = code & 0xFF;
    lead = (lead - (lead <= 0x9F ? 0x70 : 0xB0)) * 2;
    if (trail < 0x9F) {
        --lead;
        trail -= trail < 0x7F ? 0x1F : 0x20;
    } else {
        trail -= 0x7E;
    }
    out += static_cast<char>(lead | 0x80);
    out += static_cast<char>(trail | 0x80);
}

}  // namespace

EncodeResult EditorToFile(const QString& text, const FileForm& form) {
    if (form.code == FileCode::ShiftJis) {
        EncodeResult result = EditorToBytes(text);
        if (form.crLf) return result;
        // Every CR LF of the result is a line break: no CP932 code holds 0x0D
        // or 0x0A, and the editor holds no CR of its own before a break.
        std::string& bytes = result.bytes;
        std::size_t to = 0;
        for (std::size_t from = 0; from < bytes.size(); ++from) {
            if (bytes[from] == '\r' && from + 1 < bytes.size() && bytes[from + 1] == '\n') continue;
            bytes[to++] = bytes[from];
        }
        bytes.resize(to);
        return result;
    }
    EncodeResult result;
    std::string& out = result.bytes;
    out.reserve(static_cast<std::size_t>(text.size()) * 2);
    if (form.code == FileCode::Utf8 && form.byteOrderMark) out += "\xEF\xBB\xBF";
    const char16_t* s = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s[i];
        if (c == u'\n' || c == 0x2029 || c == 0x2028) {
            if (form.crLf) out += '\r';
            out += '\n';
            continue;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        const bool pair = QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(s[i + 1]);
        char32_t cp = pair ? QChar::surrogateToUcs4(c, s[i + 1]) : c;
        const qsizetype at = i;
        if (pair) ++i;
        auto lacked = [&] {
            out += '?';
            if (result.unencodable++ == 0) result.firstUnencodable = at;
        };
        if (!pair && IsEscapedByte(s, at)) {
            if (form.code == FileCode::Utf8) {
                lacked();
            } else {
                out += static_cast<char>(c - kEscapedByteBase);
            }
            continue;
        }
        if (!pair && QChar::isSurrogate(c)) {
            lacked();
            continue;
        }
        if (form.code == FileCode::Utf8) {
            AppendUtf8(out, cp);
            continue;
        }
        const int code = pair ? -1 : cp932::Encode(cp);
        if (code <= 0 || code >= 0xED00) {
            lacked();
        } else if (code >= 0xA1 && code <= 0xDF) {
            out += '\x8E';
            out += static_cast<char>(code);
        } else if (code < 0x100) {
            out += static_cast<char>(code);
        } else {
            AppendEucPair(out, static_cast<unsigned>(code));
        }
    }
    return result;
}

}  // namespace verdane::platform
