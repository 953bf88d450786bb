#include "EditorPieces.h"

#include "EditorCodec.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstring>

namespace verdane::platform {

namespace {

// A boundary the text may be cut at: not between the CR and the LF of a line end.
bool KeepsLineEndWhole(std::string_view bytes, std::size_t at) {
    return bytes[at - 1] != '\r' || at == bytes.size() || bytes[at] != '\n';
}

// Shift-JIS: walk the characters from `from` as the codec reads them; the last
// boundary within `limit`, else the first one after it.
std::size_t ShiftJisBoundary(std::string_view bytes, std::size_t from, std::size_t limit) {
    std::size_t best = from;
    std::size_t at = from;
    while (at < bytes.size()) {
        at += CharacterLength(bytes, at);
        if (at > limit && best > from) return best;
        if (KeepsLineEndWhole(bytes, at)) {
            if (at > limit) return at;
            best = at;
        }
    }
    return bytes.size();
}

// UTF-8: after an ASCII byte, where the decoder is at the start of a sequence
// whatever came before.
std::size_t Utf8Boundary(std::string_view bytes, std::size_t from, std::size_t limit) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::size_t i = limit; i > from; --i)
        if (p[i - 1] < 0x80 && KeepsLineEndWhole(bytes, i)) return i;
    for (std::size_t i = limit + 1; i <= bytes.size(); ++i)
        if (p[i - 1] < 0x80 && KeepsLineEndWhole(bytes, i)) return i;
    return bytes.size();
}

}  // namespace

std::size_t NextPieceEnd(std::string_view bytes, std::size_t from, std::size_t size, EditorBytes form) {
    const std::size_t n = bytes.size();
    if (from >= n) return n;
    size = std::max<std::size_t>(size, 1);
    if (n - from <= size) return n;
    const std::size_t limit = from + size;
    // The last line feed in the window: a line feed is never part of a
    // character in either form, and cutting after it keeps CR LF whole.
    for (std::size_t end = limit; end > from;) {
        const std::size_t start = end - std::min<std::size_t>(end - from, 4096);
        if (const void* lf = memrchr(bytes.data() + start, '\n', end - start))
            return static_cast<const char*>(lf) - bytes.data() + 1;
        end = start;
    }
    return form == EditorBytes::ShiftJis ? ShiftJisBoundary(bytes, from, limit) : Utf8Boundary(bytes, from, limit);
}

QString PieceToEditor(std::string_view bytes, std::size_t from, std::size_t end, EditorBytes form) {
    end = std::min(end, bytes.size());
    if (from >= end) return {};
    std::string_view piece = bytes.substr(from, end - from);
    if (form == EditorBytes::ShiftJis) return BytesToEditor(piece);
    if (from == 0 && piece.starts_with("\xEF\xBB\xBF")) piece.remove_prefix(3);
    // A byte-order mark further on is a character of the text (U+FEFF), also at
    // the start of a piece: the decoder is told not to drop it there.
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder.decode(QByteArrayView(piece.data(), static_cast<qsizetype>(piece.size())));
    JoinCrLf(text);
    return text;
}

void JoinCrLf(QString& text, bool loneCr) {
    const qsizetype first = text.indexOf(u'\r');
    if (first < 0) return;
    QChar* const data = text.data();  // detaches once
    const qsizetype n = text.size();
    qsizetype to = first;
    for (qsizetype from = first; from < n; ++from) {
        const QChar c = data[from];
        if (c == u'\r') {
            if (from + 1 < n && data[from + 1] == u'\n') continue;  // the LF stands for both
            data[to++] = loneCr ? QChar(u'\n') : c;
            continue;
        }
        data[to++] = c;
    }
    text.truncate(to);
}

}  // namespace verdane::platform
