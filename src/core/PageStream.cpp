#include "PageStream.h"

#include "EditorPieces.h"
#include "KanjiCode.h"
#include "PdbFile.h"
#include "ShiftJisBytes.h"
#include "WritePlan.h"
#include "ZipArchive.h"

#include <QStringDecoder>

#include <algorithm>

namespace verdane::core {

namespace {

// The bytes that decide what the body is.
constexpr std::size_t kDecideSize = std::size_t{64} << 10;

// The end of the longest head of `text` that ends after a byte below 0x80:
// no character of UTF-8 is cut there.
std::size_t AfterLastAscii(std::string_view text) {
    for (std::size_t k = text.size(); k > 0; --k)
        if (static_cast<unsigned char>(text[k - 1]) < 0x80) return k;
    return 0;
}

// Where plain ASCII ends: a byte of 0x80 or more, or the escape and shift
// bytes of JIS, whose text is seven-bit.
std::size_t AsciiEnd(std::string_view text) {
    for (std::size_t k = 0; k < text.size(); ++k) {
        const auto b = static_cast<unsigned char>(text[k]);
        if (b >= 0x80 || b == 0x1B || b == 0x0E) return k;
    }
    return text.size();
}

}  // namespace

PageStream::PageStream(std::string contentType, Sink sink, std::size_t pieceSize)
    : contentType_(std::move(contentType)), sink_(std::move(sink)), pieceSize_(pieceSize), joiner_(joined_) {}

PageStream::~PageStream() = default;

void PageStream::Append(std::string_view piece) {
    received_ += static_cast<long long>(piece.size());
    switch (form_) {
    case Form::AsItCame: sink_(piece); break;
    case Form::Text:
        if (code_ == kcNone && !secondLook_) return AsciiThenLook(piece);
        Text(piece, false);
        break;
    case Form::Undecided:
        pending_.append(piece);
        if (pending_.size() >= std::min(kDecideSize, pieceSize_)) Decide(false);
        break;
    case Form::Whole: pending_.append(piece); break;
    }
}

void PageStream::Finish() {
    if (form_ == Form::Undecided) Decide(true);
    if (form_ == Form::AsItCame) return;
    if (form_ == Form::Whole) {
        // Read from the start: UTF-16 kept as UTF-8, JIS and EUC-JP made Shift-JIS.
        std::string whole = std::move(pending_);
        pending_.clear();
        form_ = Form::Text;
        if (code_ == kcUtf16Le || code_ == kcUtf16Be) {
            whole = Utf16ToUtf8(whole, code_);
            code_ = kcUtf8;
        } else {
            std::vector<KanjiReplacement> replaced;
            if (std::optional<std::string> converted = ConvertedToShiftJisFrom(whole, code_, &replaced)) {
                whole = std::move(*converted);
                Note(UnwritableOf(whole, replaced), replaced.size(), 1);
            }
            code_ = kcShiftJis;
        }
        Text(whole, true);
        return;
    }
    Text({}, true);
}

void PageStream::Decide(bool last) {
    std::string head = std::move(pending_);
    pending_.clear();
    if (!secondLook_ && (LooksLikeZip(head) || HasDocSignature(head))) {
        form_ = Form::AsItCame;
        sink_(head);
        return;
    }
    // Judged on whole lines, so that the head's end cuts no character.
    std::string_view judged = head;
    if (!last)
        if (const std::size_t end = judged.rfind('\n'); end != std::string_view::npos) judged = judged.substr(0, end + 1);
    if (!secondLook_) declared_ = DeclaredKanjiCode(contentType_, judged);
    int code = secondLook_ ? DetectKanjiCode(judged) : PageKanjiCode(contentType_, judged);
    if (secondLook_ && declared_) code = *declared_;
    // Declared UTF-8 but not: read as detected.
    if (code == kcUtf8 && !IsUtf8Text(judged)) code = DetectKanjiCode(judged);
    if (code == kcBinary && !secondLook_) {
        form_ = Form::AsItCame;
        sink_(head);
        return;
    }
    // What follows plain ASCII has the last word; then nothing undecided is converted.
    if (secondLook_ && (code == kcNone || code == kcBinary)) code = kcShiftJis;
    code_ = code;
    if (code == kcJisB || code == kcJisAt || code == kcEuc || code == kcUtf16Le || code == kcUtf16Be) {
        form_ = Form::Whole;
        pending_ = std::move(head);
        return;
    }
    form_ = Form::Text;
    if (code == kcNone && !last) return AsciiThenLook(head);
    Text(head, last);
}

void PageStream::AsciiThenLook(std::string_view piece) {
    const std::size_t ascii = AsciiEnd(piece);
    Text(piece.substr(0, ascii), false);
    if (ascii == piece.size()) return;
    // Plain ASCII so far: the code is decided on what follows it.
    Convert(true);
    secondLook_ = true;
    form_ = Form::Undecided;
    pending_.assign(piece.substr(ascii));
    if (pending_.size() >= std::min(kDecideSize, pieceSize_)) Decide(false);
}

void PageStream::Text(std::string_view piece, bool last) {
    joiner_.Append(piece);
    if (last) {
        joiner_.Finish();
        // A body written to its last byte already gets its last line end here.
        if (joined_.empty() && written_ > 0 && (tail_[0] != '\r' || tail_[1] != '\n')) joined_ = "\r\n";
    }
    if (!last && joined_.size() < pieceSize_) return;
    Convert(last);
}

void PageStream::Convert(bool last) {
    if (code_ == kcUtf8) {
        const std::size_t cut = last ? joined_.size() : AfterLastAscii(joined_);
        if (cut == 0) return;
        std::string_view chunk(joined_.data(), cut);
        if (written_ == 0 && chunk.starts_with("\xEF\xBB\xBF")) chunk.remove_prefix(3);
        // As the editor holds it, then written as a new text is.
        QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom);
        QString text = decoder.decode(QByteArrayView(chunk.data(), static_cast<qsizetype>(chunk.size())));
        platform::JoinCrLf(text);
        platform::FileTextOptions options;
        options.escapedBytes = false;
        platform::FileText file = platform::EncodeForFile(text, {}, options);
        text = QString();
        Note(file.unwritable, file.unwritableCount, lines_);
        Emit(file.bytes);
        joined_.erase(0, cut);
        return;
    }
    // Shift-JIS (or undecided, or ASCII) stays bytes: only a pair cut by the
    // end waits for its trail byte.
    const std::size_t done = MakeWindowShiftJis(joined_.data(), joined_.size(), last);
    Emit(std::string_view(joined_.data(), done));
    joined_.erase(0, done);
}

void PageStream::Emit(std::string_view bytes) {
    if (bytes.empty()) return;
    sink_(bytes);
    written_ += static_cast<long long>(bytes.size());
    if (bytes.size() >= 2) {
        tail_[0] = bytes[bytes.size() - 2];
    } else {
        tail_[0] = tail_[1];
    }
    tail_[1] = bytes.back();
    // Lines matter only to a text that can lose characters.
    if (code_ == kcUtf8 || code_ == kcNone || replacedCount_ > 0)
        lines_ += static_cast<int>(std::count(bytes.begin(), bytes.end(), '\n'));
}

void PageStream::Note(const std::vector<platform::Unwritable>& found, std::size_t count, int firstLine) {
    replacedCount_ += count;
    for (const platform::Unwritable& u : found) {
        if (replaced_.size() >= platform::kMaxListedUnwritable) break;
        replaced_.push_back(u);
        replaced_.back().line += firstLine - 1;
    }
}

}  // namespace verdane::core
