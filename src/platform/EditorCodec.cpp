#include "EditorCodec.h"

#include "Cp932Table.h"

namespace verdane::platform {

namespace {

constexpr char16_t kEscapedByteLast = kEscapedByteBase + 0xFF;

bool IsTrailByte(std::uint8_t b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

void AppendCodePoint(QString& out, char32_t cp) {
    if (cp < 0x10000) {
        out.append(QChar(static_cast<char16_t>(cp)));
    } else {
        out.append(QChar::highSurrogate(cp));
        out.append(QChar::lowSurrogate(cp));
    }
}

}  // namespace

QString BytesToEditor(std::string_view bytes) {
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t b = p[i];
        if (b < 0x80) {
            if (b == '\r') {
                if (i + 1 < n && p[i + 1] == '\n') ++i;
                out.append(QChar(u'\n'));
            } else {
                out.append(QChar(static_cast<char16_t>(b)));
            }
            continue;
        }
        if (cp932::IsLeadByte(b) && i + 1 < n && IsTrailByte(p[i + 1])) {
            const std::uint16_t cp = cp932::DecodeDouble(b, p[i + 1]);
            if (cp != cp932::kNone) {
                AppendCodePoint(out, cp);
                ++i;
                continue;
            }
        } else if (!cp932::IsLeadByte(b)) {
            const std::uint16_t cp = cp932::DecodeSingle(b);
            if (cp != cp932::kNone) {
                AppendCodePoint(out, cp);
                continue;
            }
        }
        // Undecodable: keep the byte itself; a trail byte that follows is read on its own.
        out.append(QChar(static_cast<char16_t>(kEscapedByteBase + b)));
    }
    return out;
}

EncodeResult EditorToBytes(const QString& text) {
    EncodeResult result;
    std::string& out = result.bytes;
    out.reserve(static_cast<std::size_t>(text.size()) + static_cast<std::size_t>(text.size()) / 16);
    const char16_t* s = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s[i];
        if (c < 0x80) {
            if (c == u'\n') out += "\r\n";
            else out += static_cast<char>(c);
            continue;
        }
        if (c == 0x2029 || c == 0x2028) {
            out += "\r\n";
            continue;
        }
        if (c >= kEscapedByteBase && c <= kEscapedByteLast) {
            out += static_cast<char>(c - kEscapedByteBase);
            continue;
        }
        char32_t cp = c;
        const qsizetype start = i;
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(s[i + 1])) {
            cp = QChar::surrogateToUcs4(c, s[i + 1]);
            ++i;
        }
        const int code = cp932::Encode(cp);
        if (code < 0) {
            out += '?';
            if (result.unencodable++ == 0) result.firstUnencodable = start;
        } else if (code < 0x100) {
            out += static_cast<char>(code);
        } else {
            out += static_cast<char>(code >> 8);
            out += static_cast<char>(code & 0xFF);
        }
    }
    return result;
}

}  // namespace verdane::platform
