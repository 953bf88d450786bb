#include "EditorFileCodec.h"
#include "TextBytes.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include <QList>

namespace verdane::platform {

namespace {

// A CP932 double-byte code as its EUC-JP pair: the JIS X 0208 row and cell
// the Shift-JIS code stands for, each with the high bit set.
char* WriteEucPair(char* dst, unsigned code) {
    unsigned lead = code >> 8;
    unsigned trail = code & 0xFF;
    lead = (lead - (lead <= 0x9F ? 0x70 : 0xB0)) * 2;
    if (trail < 0x9F) {
        --lead;
        trail -= trail < 0x7F ? 0x1F : 0x20;
    } else {
        trail -= 0x7E;
    }
    *dst++ = static_cast<char>(lead | 0x80);
    *dst++ = static_cast<char>(trail | 0x80);
    return dst;
}

// Appends the character `cp` (not a line break, not an escaped byte) in
// `code`; false, and nothing appended, when the code lacks it.
bool AppendCharacter(std::string& out, char32_t cp, FileCode code) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
        return true;
    }
    if (cp >= 0xD800 && cp <= 0xDFFF) return false;
    if (code == FileCode::Utf8) {
        AppendUtf8(out, cp);
        return true;
    }
    const unsigned sjis = cp < 0x10000 ? Cp932CodeOf(static_cast<char16_t>(cp)) : 0;
    if (sjis == 0) return false;
    if (code == FileCode::ShiftJis) {
        if (sjis >= 0x100) out += static_cast<char>(sjis >> 8);
        out += static_cast<char>(sjis & 0xFF);
        return true;
    }
    // EUC-JP holds JIS X 0208 and the NEC row, not the rows CP932 adds after them.
    if (sjis >= 0xED00) return false;
    if (sjis >= 0xA1 && sjis <= 0xDF) {
        out += '\x8E';
        out += static_cast<char>(sjis);
    } else if (sjis < 0x100) {
        out += static_cast<char>(sjis);
    } else {
        char pair[2];
        WriteEucPair(pair, sjis);
        out.append(pair, 2);
    }
    return true;
}

bool Holds(FileCode code, const QString& text) {
    std::string scratch;
    for (const char32_t cp : text.toUcs4())
        if (!AppendCharacter(scratch, cp, code)) return false;
    return true;
}

}  // namespace

namespace {

// Latin letters that have no canonical decomposition but a plain spelling
// every reader knows: the stroked letters, the ligatures and the inverted
// marks that accent notation writes.
QString PlainLatin(char32_t c) {
    switch (c) {
    case 0xD8: return QStringLiteral("O");
    case 0xF8: return QStringLiteral("o");
    case 0xC6: return QStringLiteral("AE");
    case 0xE6: return QStringLiteral("ae");
    case 0x152: return QStringLiteral("OE");
    case 0x153: return QStringLiteral("oe");
    case 0xDF: return QStringLiteral("ss");
    case 0x141: return QStringLiteral("L");
    case 0x142: return QStringLiteral("l");
    case 0x110: return QStringLiteral("D");
    case 0x111: return QStringLiteral("d");
    case 0xD0: return QStringLiteral("D");
    case 0xF0: return QStringLiteral("d");
    case 0xDE: return QStringLiteral("Th");
    case 0xFE: return QStringLiteral("th");
    case 0x131: return QStringLiteral("i");
    case 0x132: return QStringLiteral("IJ");
    case 0x133: return QStringLiteral("ij");
    case 0xA1: return QStringLiteral("!");
    case 0xBF: return QStringLiteral("?");
    default: return {};
    }
}

}  // namespace

QString StandInFor(char32_t c, FileCode code, Lacking lacking) {
    if (c == 0xA0 || c == 0x202F) return QStringLiteral(" ");
    if (const QString plain = PlainLatin(c); !plain.isEmpty() && Holds(code, plain)) return plain;
    if (c != 0xFFFD && !(c >= 0xD800 && c <= 0xDFFF)) {
        // The canonical decomposition separates a letter from its accents.
        const QString decomposed = QString::fromUcs4(&c, 1).normalized(QString::NormalizationForm_D);
        QString base;
        for (const QChar unit : decomposed)
            if (!unit.isMark()) base += unit;
        if (!base.isEmpty() && base.size() < decomposed.size() && Holds(code, base)) return base;
    }
    return lacking == Lacking::Geta ? QStringLiteral("\u3013") : QStringLiteral("?");
}

std::string StandInBytes(char32_t c, FileCode code, Lacking lacking) {
    std::string out;
    for (const char32_t cp : StandInFor(c, code, lacking).toUcs4()) AppendCharacter(out, cp, code);
    return out;
}

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

    const std::uint16_t* codes = Cp932Codes();
    const bool shiftJis = form.code == FileCode::ShiftJis;
    const char16_t* s = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype n = text.size();
    int line = 1;
    std::string scratch;
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
            if (const std::uint16_t code = codes[c]) {
                if (code >= 0x100) *dst++ = static_cast<char>(code >> 8);
                *dst++ = static_cast<char>(code & 0xFF);
                continue;
            }
        } else if (form.code == FileCode::EucJp) {
            const std::uint16_t code = codes[c];
            if (code >= 0x100 && code < 0xED00) {
                dst = WriteEucPair(dst, code);
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
        scratch.clear();
        QString standIn;
        if (lone || !AppendCharacter(scratch, cp, form.code)) {
            standIn = StandInFor(cp, form.code, options.lacking);
            for (const char32_t part : standIn.toUcs4()) AppendCharacter(scratch, part, form.code);
            if (result.unwritableCount++ < kMaxListedUnwritable) result.unwritable.push_back({at, line, cp, standIn});
        }
        // Room for the rest of the text as well as these bytes.
        const std::size_t used = static_cast<std::size_t>(dst - out.data());
        const std::size_t need = used + scratch.size() + static_cast<std::size_t>(n - i) * perUnit + 3;
        if (need > out.size()) {
            out.resize(need);
            dst = out.data() + used;
        }
        std::memcpy(dst, scratch.data(), scratch.size());
        dst += scratch.size();
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
