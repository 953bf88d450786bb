// DocumentSession: the window's open document. It owns what the text is
// (core::Document), the text itself (in the editor), its Modified state and the
// one folder the file dialogs start in. Commands change the document only
// through it, so caption, status bar and dialogs always agree; window tests
// read it (the window's child named "Session").
#pragma once

#include "Document.h"

#include <QObject>
#include <QString>

#include <functional>
#include <span>
#include <string>

class QPlainTextEdit;

namespace verdane {

class TextBookmarks;

class DocumentSession : public QObject {
    Q_OBJECT
public:
    DocumentSession(QPlainTextEdit& editor, QObject* parent);

    const core::Document& Document() const { return document_; }
    // The editor that holds the text.
    QPlainTextEdit& Editor() const { return editor_; }
    // The bookmarks of the text (those of the DOC database it was read from).
    TextBookmarks& Bookmarks() const { return *bookmarks_; }
    // Edited since it was read or saved.
    bool Modified() const;
    // The editor's text, as the write plans take it.
    QString Text() const;
    // The text in Shift-JIS with CR LF, as a DOC database holds it.
    std::string Bytes() const;

    // The folder the open and save dialogs start in: the document's own, else
    // the one the settings file gave.
    const QString& Folder() const { return folder_; }
    void SetFolder(const QString& folder) { folder_ = folder; }

    // The name the install dialog proposes: the document's name without folder
    // and extension ("NewFile" for a new text).
    QString InstallName() const;

    // The document is replaced by `next`; its file's folder becomes the folder.
    // The text is the caller's to set (SetSavedText, ReplaceText, or filled in).
    void Adopt(core::Document next);
    // The editor holds `text` as read: no undo step, not modified.
    void SetSavedText(const QString& text);
    // `text` replaces the whole text as one edit that Undo takes back; `turn`
    // gives the window its turns to paint while a long text goes in.
    void ReplaceText(const QString& text, const std::function<void()>& turn = {});
    // A save wrote stand-ins: each of `lacked` (editor positions in the text
    // as it was saved, in its order) gets what was written in its place, as
    // one edit that Undo takes back; `join` adds them to the edit before.
    void PutStandIns(std::span<const platform::Unwritable> lacked, bool join = false);
    // The text was written: the document is now `written` (the file, its
    // kind, form and title, as core::Save gives it), not modified.
    void Saved(core::Document written);

signals:
    // What the document is changed: caption, status panels.
    void DocumentChanged();
    // The text was written to this file.
    void Written(const QString& path);

private:
    QPlainTextEdit& editor_;
    TextBookmarks* bookmarks_;
    core::Document document_;
    QString folder_;
};

}  // namespace verdane
