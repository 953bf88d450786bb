#include "ReadText.h"

#include "AozoraNotation.h"
#include "DocConvert.h"
#include "DocFormatError.h"
#include "EditorCodec.h"
#include "EditorPieces.h"
#include "FailureOf.h"
#include "FileIo.h"
#include "KanjiCode.h"
#include "MemoryStream.h"
#include "Names.h"
#include "Open.h"
#include "PdbFile.h"
#include "TextBytes.h"
#include "ZipArchive.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <exception>
#include <numeric>
#include <optional>

namespace verdane::core {

// The pieces between the marks are converted one after the other; a JIS
// text, whose escapes carry over from one piece to the next, from its start
// each time.
void PlaceInOpenedText(std::vector<DocBookmark>& marks, std::string_view stored, int code) {
    if (marks.empty()) return;
    const int from = code;
    auto openedSize = [from](std::string_view bytes) {
        std::string text(bytes);
        if (IsUtf16Or32(from)) {
            text = Utf16ToUtf8(text, from);
        } else if (from != kcUtf8) {
            if (std::optional<std::string> converted = ConvertedToShiftJisFrom(text, from)) text = std::move(*converted);
        }
        return EditorLineEnds(text).size();
    };
    std::vector<std::size_t> order(marks.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&marks](std::size_t a, std::size_t b) { return marks[a].offset < marks[b].offset; });
    const bool whole = from == kcJisB || from == kcJisAt;
    std::size_t done = 0;
    std::size_t placed = 0;
    for (const std::size_t k : order) {
        std::size_t at = std::min<std::size_t>(marks[k].offset, stored.size());
        // A place between the CR and the LF of a line end is after the line end.
        if (at > 0 && at < stored.size() && stored[at - 1] == '\r' && stored[at] == '\n') ++at;
        at = std::max(at, done);
        placed = whole ? openedSize(stored.substr(0, at)) : placed + openedSize(stored.substr(done, at - done));
        done = at;
        marks[k].offset = static_cast<std::uint32_t>(placed);
    }
}

Result<std::string> DocDatabaseText(std::string_view database, std::vector<DocBookmark>* bookmarks) {
    try {
        TMemoryStream stream{std::string(database)};
        TMemoryStream text;
        if (DocToText(stream, text, true, bookmarks) == kDocNotDoc) return Failure{FailureCode::NotDoc};
        return text.TakeBytes();
    } catch (const std::exception& e) {
        return FailureOf(e);
    }
}

DocTitleBytes TitleOfText(std::string_view shiftJisText) {
    // The database header's own rule cuts the line at a character boundary.
    TDocHeader header;
    header.SetName(AozoraTitle(shiftJisText));
    return header.Name;
}

DocTitleBytes TitleOfTyped(std::string_view shiftJisTitle) {
    TDocHeader header;
    header.SetName(shiftJisTitle);
    return header.Name;
}

DocTitleBytes TitleOfFile(const QString& name) {
    const QString base = BaseNameWithoutExtension(name);
    return TitleOfTyped(platform::EditorToBytes(base.isEmpty() ? kNewFileName : base).bytes);
}

QString ProposedTitle(const Document& document, const QString& target) {
    const std::string own = DocTitleText(document.Title());
    if (!own.empty()) return platform::BytesToEditor(own);
    const QString base = target == QLatin1String("-") ? QString() : BaseNameWithoutExtension(target);
    return base.isEmpty() ? kNewFileName : base;
}

QString EditorTextOf(const OpenedFile& file) { return EditorTextOf(file.text, file.code); }

QString EditorTextOf(std::string_view bytes, int code) {
    if (code != kcUtf8) return platform::BytesToEditor(bytes);
    std::string_view utf8 = bytes;
    if (utf8.starts_with("\xEF\xBB\xBF")) utf8.remove_prefix(3);
    // One byte-order mark is dropped above; the decoder keeps any other
    // U+FEFF at the start as the character it is.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder.decode(QByteArrayView(utf8.data(), static_cast<qsizetype>(utf8.size())));
    // The text has CR LF line ends; the editor has one '\n' per line.
    platform::JoinCrLf(text);
    return text;
}

void MakeShiftJisText(std::string& fileBytes) { MakeTextAsOpened(fileBytes); }

}  // namespace verdane::core
