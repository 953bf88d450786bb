// Small editing commands of the main window that insert prepared text: the
// bookmark mark, a date or time at the selection's start, and the fixed phrases
// on Ctrl+1 to Ctrl+8 of the main keyboard.
#pragma once

#include <QString>

class QKeyEvent;
class QPlainTextEdit;

namespace verdane {

// Inserts `mark` at the selection's start (a selection is kept, the mark goes in
// front of it) and makes sure the text ends with the line "<mark>", adding it
// when the last line is anything else. One undo step.
void InsertBookmark(QPlainTextEdit& editor, const QString& mark);

// Collapses the selection to its start and inserts `text` there.
void InsertAtSelectionStart(QPlainTextEdit& editor, const QString& text);

// 1 to 8 for Ctrl with a digit key 1 to 8 of the main keyboard (Shift and Alt
// held or not), 0 for any other key, the numeric keypad's digits included.
int FixedPhraseNumber(const QKeyEvent& event);
// Ctrl (without Alt) with a digit of the numeric keypad.
bool IsCtrlKeypadDigit(const QKeyEvent& event);

// A fixed phrase replaces the selection (or goes in at the caret); an empty
// phrase changes nothing.
void InsertFixedPhrase(QPlainTextEdit& editor, const QString& phrase);

}  // namespace verdane
