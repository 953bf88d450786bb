#include "DocumentSession.h"

#include "KanjiCode.h"
#include "SaveCode.h"
#include "TextBookmarks.h"

#include <QPlainTextEdit>
#include <QStringList>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace verdane {

DocumentSession::DocumentSession(QPlainTextEdit& editor, QObject* parent)
    : QObject(parent), editor_(editor), bookmarks_(new TextBookmarks(editor, this)) {
    setObjectName(QStringLiteral("Session"));
}

bool DocumentSession::Modified() const { return editor_.document()->isModified(); }

platform::EncodeResult DocumentSession::Encoded(const platform::FileForm& form) const {
    return platform::EditorToFile(editor_.document()->toRawText(), form);
}

std::string DocumentSession::Bytes() const { return Encoded().bytes; }

platform::FileForm DocumentSession::TextForm() const { return TextFormOf(document_, byteOrderMark_); }

QString DocumentSession::UnwritableNamed(const platform::EncodeResult& encoded, const platform::FileForm& form,
                                         int max) const {
    const QTextDocument& document = *editor_.document();
    const QString text = document.toRawText();
    QStringList named;
    qsizetype at = encoded.firstUnencodable;
    while (at >= 0 && at < text.size() && named.size() < max) {
        const qsizetype length = text[at].isHighSurrogate() && at + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(at, length);
        const QString code = QString::number(character.toUcs4().value(0), 16).toUpper().rightJustified(4, u'0');
        named << QStringLiteral("%1 行目の「%2」(U+%3)")
                     .arg(document.findBlock(static_cast<int>(at)).blockNumber() + 1)
                     .arg(character, code);
        // The next one: the first the code lacks in the rest of the text.
        const qsizetype from = at + length;
        const qsizetype next = platform::EditorToFile(text.mid(from), form).firstUnencodable;
        at = next < 0 ? -1 : from + next;
    }
    QString out = named.join(QStringLiteral("、"));
    if (static_cast<std::size_t>(named.size()) < encoded.unencodable) out += QStringLiteral("など");
    return out;
}

QString DocumentSession::InstallName() const {
    // A database name takes no extension: the name ends at its first ".".
    const QString name = core::FileNamePart(document_.DisplayName());
    return name.left(name.indexOf(u'.'));
}

void DocumentSession::Adopt(core::Document next, bool byteOrderMark) {
    document_ = std::move(next);
    byteOrderMark_ = byteOrderMark;
    if (!document_.Path().isEmpty()) folder_ = core::FolderPart(document_.Path());
    emit DocumentChanged();
}

void DocumentSession::SetSavedText(const QString& text) {
    bookmarks_->Clear();
    editor_.setPlainText(text);
    editor_.document()->setModified(false);
}

void DocumentSession::ReplaceText(const QString& text, const std::function<void()>& turn) {
    // A long text goes in by pieces, so the window gets its turns to paint; the
    // pieces make one edit block and so one undo step. The old text goes from
    // the end, piece by piece, for the same reason.
    constexpr int kPiece = 128 * 1024;
    // The places of the old text are not in the new one.
    bookmarks_->Clear();
    QTextCursor cursor(editor_.document());
    cursor.beginEditBlock();
    for (int end = editor_.document()->characterCount() - 1; end > 0; end -= kPiece) {
        cursor.setPosition(std::max(0, end - kPiece));
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        if (turn) turn();
    }
    for (qsizetype at = 0; at < text.size(); at += kPiece) {
        cursor.insertText(text.mid(at, kPiece));
        if (turn) turn();
    }
    cursor.endEditBlock();
}

void DocumentSession::Saved(const QString& path, core::DocKind kind, const platform::FileForm& form,
                            const core::DocTitleBytes& title) {
    editor_.document()->setModified(false);
    // The file is now in the form it was written in; a database is Shift-JIS with CR LF.
    const bool text = kind == core::DocKind::Text;
    const int code = !text                                     ? kcShiftJis
                     : form.code == platform::FileCode::Utf8  ? kcUtf8
                     : form.code == platform::FileCode::EucJp ? kcEuc
                                                              : kcShiftJis;
    const core::LineEnds ends = text && !form.crLf ? core::LineEnds::Lf : core::LineEnds::CrLf;
    Adopt(document_.SavedAs(path, kind, code, ends, title), text && form.byteOrderMark);
    emit Written(path);
}

}  // namespace verdane
