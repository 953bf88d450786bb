#include "EditorFileCodec.h"
#include "TextBytes.h"

#include <algorithm>
#include <numeric>

#include <QList>

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
        AppendEucPair(out, sjis);
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

QString StandInFor(char32_t c, FileCode code, Lacking lacking) {
    if (c == 0xA0 || c == 0x202F) return QStringLiteral(" ");
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
    std::string& out = result.bytes;
    out.reserve(static_cast<std::size_t>(text.size()) * (form.code == FileCode::Utf8 ? 3 : 2) + 3);
    if (form.code == FileCode::Utf8 && form.byteOrderMark) out += "\xEF\xBB\xBF";
    // The places in the order of the text, each given its offset as the
    // encoding passes it.
    std::vector<std::size_t> order(options.places.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return options.places[a] < options.places[b]; });
    result.offsets.assign(options.places.size(), 0);
    std::size_t nextPlace = 0;
    auto passPlaces = [&](qsizetype position) {
        while (nextPlace < order.size() && options.places[order[nextPlace]] <= position)
            result.offsets[order[nextPlace++]] = out.size();
    };

    const char16_t* s = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype n = text.size();
    int line = 1;
    for (qsizetype i = 0; i < n; ++i) {
        passPlaces(i);
        const char16_t c = s[i];
        if (c < 0x80 && c != u'\n') {
            out += static_cast<char>(c);
            continue;
        }
        if (c == u'\n' || c == 0x2029 || c == 0x2028) {
            if (form.crLf) out += '\r';
            out += '\n';
            ++line;
            continue;
        }
        const bool escaped = IsEscapedByte(s, i);
        if (escaped && options.escapedBytes && form.code != FileCode::Utf8) {
            out += static_cast<char>(c - kEscapedByteBase);
            continue;
        }
        const bool pair = QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(s[i + 1]);
        const char32_t cp = pair ? QChar::surrogateToUcs4(c, s[i + 1]) : QChar::isSurrogate(c) ? 0xFFFD : c;
        const qsizetype at = i;
        if (pair) ++i;
        if (cp != 0xFFFD || !QChar::isSurrogate(c)) {
            if (AppendCharacter(out, cp, form.code)) continue;
        }
        const QString standIn = StandInFor(cp, form.code, options.lacking);
        for (const char32_t part : standIn.toUcs4()) AppendCharacter(out, part, form.code);
        if (result.unwritableCount++ < kMaxListedUnwritable) result.unwritable.push_back({at, line, cp, standIn});
    }
    passPlaces(n);
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
