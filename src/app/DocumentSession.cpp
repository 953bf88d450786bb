#include "DocumentSession.h"

#include "EditorCodec.h"
#include "KanjiCode.h"
#include "TextBookmarks.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace verdane {

DocumentSession::DocumentSession(QPlainTextEdit& editor, QObject* parent)
    : QObject(parent), editor_(editor), bookmarks_(new TextBookmarks(editor, this)) {
    setObjectName(QStringLiteral("Session"));
}

bool DocumentSession::Modified() const { return editor_.document()->isModified(); }

QString DocumentSession::Text() const { return editor_.document()->toRawText(); }

std::string DocumentSession::Bytes() const { return platform::EditorToBytes(Text(), !document_.ReadAsUnicode()).bytes; }

QString DocumentSession::InstallName() const {
    // A database name takes no extension: the name ends at its first ".".
    const QString name = core::FileNamePart(document_.DisplayName());
    return name.left(name.indexOf(u'.'));
}

void DocumentSession::Adopt(core::Document next) {
    document_ = std::move(next);
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

void DocumentSession::PutStandIns(std::span<const platform::Unwritable> lacked, bool join) {
    QTextCursor cursor(editor_.document());
    if (join)
        cursor.joinPreviousEditBlock();
    else
        cursor.beginEditBlock();
    // From the last to the first, so the places before stay where they are.
    for (auto it = lacked.rbegin(); it != lacked.rend(); ++it) {
        cursor.setPosition(it->at);
        cursor.setPosition(it->at + (it->codePoint > 0xFFFF ? 2 : 1), QTextCursor::KeepAnchor);
        cursor.insertText(it->writtenAs);
    }
    cursor.endEditBlock();
}

void DocumentSession::Saved(core::Document written) {
    editor_.document()->setModified(false);
    const QString path = written.Path();
    Adopt(std::move(written));
    emit Written(path);
}

}  // namespace verdane
