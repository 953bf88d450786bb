// The open document: what the editor's text is and where it came from. One
// value, made by its named ways in and changed only by its operations, and
// replaced whole by the window's one function that replaces the document
// (after the save question), so caption, status panel, the save dialog's
// proposal and the kind always agree. The Modified flag is not here:
// it belongs to the text, and only editing and saving change it.
#pragma once

#include "EditorFileCodec.h"
#include "Names.h"

#include <QString>

#include <QByteArray>

#include <array>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace verdane::core {

// The 32-byte database name of a DOC database; byte 31 is always 0.
using DocTitleBytes = std::array<char, 32>;

// The title's text up to its first 0 byte (CP932).
std::string DocTitleText(const DocTitleBytes& title);
// The first 32 bytes of a database as its title, byte 31 set to 0.
DocTitleBytes DocTitleOf(std::string_view database);

// The line ends a text was read with, before the editor made them its own.
enum class LineEnds { None, CrLf, Lf, Cr, Mixed };
LineEnds LineEndsOf(std::string_view text);

class Document {
public:
    // A new text: no file, Shift-JIS with CR LF, no title.
    Document() = default;
    // The text read from the file at `path`: its kind, title, code and line
    // ends. An empty `path`: a text read without a file (standard input),
    // which is written back in its own code and line ends too. Open alone
    // makes documents of what it read.
    static Document ReadFrom(const QString& path, DocKind kind, const DocTitleBytes& title, int code,
                             LineEnds lineEnds, bool byteOrderMark = false);
    // A page fetched from `url`, in `code`; it has no file yet.
    static Document Fetched(const QString& url, const DocTitleBytes& title, int code);
    // The document as a record of "key" and value pairs that a file can keep
    // (the recovery snapshot's header): kind, path, url, title, code, ends and
    // bom, each value of printable ASCII. FromRecord gives the document back;
    // a record that names neither a file nor a page gives a new text.
    std::vector<std::pair<QByteArray, QByteArray>> Record() const;
    static Document FromRecord(const std::map<QByteArray, QByteArray>& fields);
    // This document once its text was written to `path` as `kind`, in `code`
    // with `lineEnds`: that file, and the title it was written with (or its
    // base name), are now the document's own.
    Document SavedAs(const QString& path, DocKind kind, int code, LineEnds lineEnds,
                     const DocTitleBytes& title) const;
    // The same once written as a text file in `form`: the file's code, line
    // ends and byte-order mark are now those.
    Document SavedAs(const QString& path, DocKind kind, const platform::FileForm& form,
                     const DocTitleBytes& title) const;
    // This document with the code, line ends and byte-order mark the user
    // chose for its next save as text (文字コードを指定して保存).
    Document WithForm(const platform::FileForm& form) const;

    // The file the text was read from or last saved to; empty for a new
    // document and for a page fetched from a URL (it has no file yet).
    const QString& Path() const { return path_; }
    DocKind Kind() const { return kind_; }
    // The address of a page (kind Page).
    const QString& Url() const { return url_; }
    // The text's own title: the database's name, an archive's work title, the
    // file's or page's base name; none for a new text. Shown in the status
    // panel and proposed by Save and Install.
    const DocTitleBytes& Title() const { return title_; }
    // The kanji code the text was read in (KanjiCode's numbers; 0 for none).
    int Code() const { return code_; }
    LineEnds LineEndsRead() const { return lineEnds_; }
    // Read from a Unicode file (UTF-8 or UTF-16): the editor holds no escaped
    // byte of it, so a lone surrogate is a character the code lacks.
    bool ReadAsUnicode() const;
    // The text file started with a byte-order mark.
    bool ByteOrderMark() const { return byteOrderMark_; }
    // The form the next save as a text file writes: the one the user chose,
    // else the file's own (Shift-JIS, EUC-JP or UTF-8 as read; LF kept, any
    // other line ends CR LF; its byte-order mark kept); a text read in a code
    // this program does not write (JIS, UTF-16), a new text, a page and a DOC
    // database's text are Shift-JIS with CR LF. DOC databases themselves are
    // always Shift-JIS. CR and mixed line ends become CR LF.
    platform::FileForm SaveForm() const;
    // The form the text file was read in, when this program writes that form:
    // nullopt for a new text, a page, a DOC database, or a file read in JIS or
    // UTF-16, or with CR or mixed line ends (those are written CR LF).
    std::optional<platform::FileForm> FormRead() const;
    // The code and line ends read, named as FormName names a form ("JIS CR LF",
    // "UTF-16 LF"); mixed line ends are said in English ("Shift-JIS (mixed line
    // ends)"), the window says them in its own words (FormReadText).
    QString FormReadName() const;

    // The name in the caption: the file's name, the page's name, or "NewFile".
    QString DisplayName() const;
    QString Caption() const { return CaptionFor(DisplayName()); }
    // The name the save dialog proposes, without extension: the file's path,
    // a page's own name in `folder`, or empty for a new document.
    QString SaveProposal(const QString& folder) const;
    // The save dialog's preset type (1 text, 2 PRC, 3 PDB): a DOC database as it
    // was read, anything else as PRC.
    int SaveFilterIndex() const;

private:
    QString path_;
    DocKind kind_ = DocKind::Text;
    QString url_;
    DocTitleBytes title_{};
    int code_ = 0;
    LineEnds lineEnds_ = LineEnds::None;
    bool byteOrderMark_ = false;
    // Read or written: the code and line ends are the text's own.
    bool read_ = false;
    std::optional<platform::FileForm> chosen_;
};

// The names of codes and line ends, one table for the window and verdane-cli.
// A code in KanjiCode's numbers: "Shift-JIS", "JIS", "EUC-JP", "UTF-8",
// "UTF-8 (BOM)", "UTF-16"; a text with no code of its own (ASCII, a new text)
// is Shift-JIS.
QString CodeName(int code, bool byteOrderMark = false);
QString CodeName(platform::FileCode code, bool byteOrderMark = false);
// "CR LF", "LF", "CR"; a text without line ends is written CR LF. Mixed line
// ends have no one name: `mixed` says them in the reader's language.
QString LineEndsName(LineEnds lineEnds, const QString& mixed);
// A code and its line ends: "JIS CR LF", "Shift-JIS " + `mixed`.
QString FormName(int code, bool byteOrderMark, LineEnds lineEnds, const QString& mixed);
// "Shift-JIS CR LF", "UTF-8 (BOM) LF": a form as the status bar and the
// reports name it.
QString FormName(const platform::FileForm& form);

// The save dialog's filter index of a kind, and back (1 text, 2 PRC, 3 PDB).
int FilterIndexOf(DocKind kind);
DocKind KindOfFilterIndex(int index);

}  // namespace verdane::core
