#include "EditorFileCodec.h"

#include "Cp932Table.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include <QList>

namespace verdane::platform {

namespace {

// What the policy writes, as the editor's text.
QString TextOf(const StandIn& standIn) { return QString::fromUcs4(standIn.chars.data(), standIn.size()); }

}  // namespace

FileText EncodeForFile(const QString& text, const FileForm& form, const FileTextOptions& options) {
    FileText result;
    // The bytes go into a buffer sized for the most a unit can give: two in
    // Shift-JIS and EUC-JP (a double-byte code, CR LF, 8E and a half-width
    // katakana), three in UTF-8; a stand-in longer than that grows it.
    const std::size_t perUnit = form.code == FileCode::Utf8 ? 3 : 2;
    std::string& out = result.bytes;
    out.resize(static_cast<std::size_t>(text.size()) * perUnit + 3);
    char* dst = out.data();
    if (form.code == FileCode::Utf8 && form.byteOrderMark) {
        std::memcpy(dst, "\xEF\xBB\xBF", 3);
        dst += 3;
    }
    // The places in the order of the text, each given its offset as the
    // encoding passes it.
    std::vector<std::size_t> order(options.places.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return options.places[a] < options.places[b]; });
    result.offsets.assign(options.places.size(), 0);
    std::size_t nextPlace = 0;

    const std::uint16_t* codes = cp932::Codes();
    const bool shiftJis = form.code == FileCode::ShiftJis;
    const char16_t* s = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype n = text.size();
    int line = 1;
    char scratch[kMaxWrittenBytes];
    for (qsizetype i = 0; i < n; ++i) {
        while (nextPlace < order.size() && options.places[order[nextPlace]] <= i)
            result.offsets[order[nextPlace++]] = static_cast<std::size_t>(dst - out.data());
        const char16_t c = s[i];
        if (c < 0x80 && c != u'\n') {
            *dst++ = static_cast<char>(c);
            continue;
        }
        if (c == u'\n' || c == 0x2029 || c == 0x2028) {
            if (form.crLf) *dst++ = '\r';
            *dst++ = '\n';
            ++line;
            continue;
        }
        // The common cases, written straight into the buffer: a character
        // CP932 holds in Shift-JIS, one of JIS X 0208 in EUC-JP, a BMP
        // character in UTF-8.
        if (shiftJis) {
            if (const std::uint16_t code = codes[c]; code != cp932::kNone) {
                if (code >= 0x100) *dst++ = static_cast<char>(code >> 8);
                *dst++ = static_cast<char>(code & 0xFF);
                continue;
            }
        } else if (form.code == FileCode::EucJp) {
            const std::uint16_t code = codes[c];
            if (code >= 0x100 && code < 0xED00) {
                EucPairOf(code, dst);
                dst += 2;
                continue;
            }
        } else if (!QChar::isSurrogate(c)) {
            if (c < 0x800) {
                *dst++ = static_cast<char>(0xC0 | (c >> 6));
            } else {
                *dst++ = static_cast<char>(0xE0 | (c >> 12));
                *dst++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            }
            *dst++ = static_cast<char>(0x80 | (c & 0x3F));
            continue;
        }
        const bool escaped = IsEscapedByte(s, i);
        if (escaped && options.escapedBytes && form.code != FileCode::Utf8) {
            *dst++ = static_cast<char>(c - kEscapedByteBase);
            continue;
        }
        const bool pair = QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(s[i + 1]);
        const bool lone = !pair && QChar::isSurrogate(c);
        const char32_t cp = pair ? QChar::surrogateToUcs4(c, s[i + 1]) : lone ? 0xFFFD : c;
        const qsizetype at = i;
        if (pair) ++i;
        std::size_t written = lone ? 0 : WriteCharacter(cp, form.code, scratch);
        if (written == 0) {
            StandIn standIn;
            written = WriteStandIn(cp, form.code, options.lacking, scratch, &standIn);
            if (result.unwritableCount++ < kMaxListedUnwritable)
                result.unwritable.push_back({at, line, cp, TextOf(standIn)});
        }
        // Room for the rest of the text as well as these bytes.
        const std::size_t used = static_cast<std::size_t>(dst - out.data());
        const std::size_t need = used + written + static_cast<std::size_t>(n - i) * perUnit + 3;
        if (need > out.size()) {
            out.resize(need);
            dst = out.data() + used;
        }
        std::memcpy(dst, scratch, written);
        dst += written;
    }
    while (nextPlace < order.size()) result.offsets[order[nextPlace++]] = static_cast<std::size_t>(dst - out.data());
    out.resize(static_cast<std::size_t>(dst - out.data()));
    return result;
}

EncodeResult EditorToFile(const QString& text, const FileForm& form) {
    FileText file = EncodeForFile(text, form);
    EncodeResult result;
    result.bytes = std::move(file.bytes);
    result.unencodable = file.unwritableCount;
    if (!file.unwritable.empty()) result.firstUnencodable = file.unwritable.front().at;
    return result;
}

}  // namespace verdane::platform
