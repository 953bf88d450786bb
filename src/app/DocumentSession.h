// DocumentSession: the window's open document. It owns what the text is
// (core::Document), the text itself (in the editor), its Modified state and the
// one folder the file dialogs start in. Commands change the document only
// through it, so caption, status bar and dialogs always agree; window tests
// read it (the window's child named "Session").
#pragma once

#include "Document.h"
#include "EditorFileCodec.h"

#include <QObject>
#include <QString>

#include <functional>
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
    // The text in Shift-JIS with CR LF, as a DOC database holds it ("?" for a
    // character Shift-JIS cannot hold).
    std::string Bytes() const;
    // The text in `form`, with what the form's code could not hold.
    platform::EncodeResult Encoded(const platform::FileForm& form = {}) const;
    // The first characters of `encoded` (this text's in `form`) that the code
    // cannot hold, at most `max`, each as "12 行目の「é」(U+00E9)", joined by
    // "、" and followed by "など" when there are more.
    QString UnwritableNamed(const platform::EncodeResult& encoded, const platform::FileForm& form = {},
                            int max = 3) const;
    // The code and line ends a save as text writes: the text file's own, else
    // Shift-JIS with CR LF.
    platform::FileForm TextForm() const;

    // The folder the open and save dialogs start in: the document's own, else
    // the one the settings file gave.
    const QString& Folder() const { return folder_; }
    void SetFolder(const QString& folder) { folder_ = folder; }

    // The name the install dialog proposes: the document's name without folder
    // and extension ("NewFile" for a new text).
    QString InstallName() const;

    // The document is replaced by `next` (a file that began with a byte-order
    // mark or not); its file's folder becomes the folder. The text is the
    // caller's to set (SetSavedText, ReplaceText, or filled in).
    void Adopt(core::Document next, bool byteOrderMark = false);
    // The editor holds `text` as read: no undo step, not modified.
    void SetSavedText(const QString& text);
    // `text` replaces the whole text as one edit that Undo takes back; `turn`
    // gives the window its turns to paint while a long text goes in.
    void ReplaceText(const QString& text, const std::function<void()>& turn = {});
    // The text was written to `path` as `kind` in `form`: the document is now
    // that file, not modified.
    void Saved(const QString& path, core::DocKind kind, const platform::FileForm& form,
               const core::DocTitleBytes& title);

signals:
    // What the document is changed: caption, status panels.
    void DocumentChanged();
    // The text was written to this file.
    void Written(const QString& path);

private:
    QPlainTextEdit& editor_;
    TextBookmarks* bookmarks_;
    core::Document document_;
    bool byteOrderMark_ = false;
    QString folder_;
};

}  // namespace verdane
