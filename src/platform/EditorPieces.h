// A long text enters the editor in pieces so the window can paint between them.
// This file says where a piece may end and what editor text a piece gives; the
// window's text fill (src/app/TextFill) uses it. Concatenated, the pieces' texts
// are exactly the whole text's editor text: no piece ends inside a character or
// between the CR and the LF of a line end.
#pragma once

#include <QString>

#include <cstddef>
#include <string_view>

namespace verdane::platform {

// The two forms an opened text's bytes come in: Shift-JIS (CP932), decoded by
// the editor's codec, or UTF-8 kept as it was read (a byte-order mark at the
// start is dropped).
enum class EditorBytes { ShiftJis, Utf8 };

// Where the piece of `bytes` (in form `form`) that starts at `from` ends: just
// after the last line feed within `size` bytes; in a line longer than that, at
// the last character boundary within them (Shift-JIS: as the codec reads the
// characters; UTF-8: after an ASCII byte, which no sequence holds) but never
// between CR and LF. The result is greater than `from` unless `from` is the end;
// when the window holds no boundary the piece runs to the next one. `from` must
// be 0 or the end of the previous piece.
std::size_t NextPieceEnd(std::string_view bytes, std::size_t from, std::size_t size, EditorBytes form);

// The editor text of the piece bytes[from, end) of a text in form `form`: each
// CR LF, lone LF and lone CR one '\n' (Shift-JIS), each CR LF one '\n' (UTF-8,
// whose byte-order mark is dropped when the piece starts the text).
QString PieceToEditor(std::string_view bytes, std::size_t from, std::size_t end, EditorBytes form);

// Each CR LF of `text` made one '\n' (with `loneCr`, each lone CR too), in one
// pass over the text. (QString::replace of a two-character text moves the
// rest of the text at every match: a long text with many lines took minutes.)
void JoinCrLf(QString& text, bool loneCr = false);

// The whole text's editor text (the one piece from 0 to the end).
inline QString WholeToEditor(std::string_view bytes, EditorBytes form) {
    return PieceToEditor(bytes, 0, bytes.size(), form);
}

}  // namespace verdane::platform
