// SearchCommands: Find, Find Next and Replace with the modeless find and
// replace dialogs. Replacing is an edit: it waits while long work runs. How a
// search ended (not found, wrapped, a malformed pattern, how many were
// replaced) is said on the status bar, and while a dialog is open every match
// on the screen is highlighted.
#pragma once

#include "EditorSearch.h"

#include <QTimer>

class QWidget;

namespace verdane {

class DocumentSession;
class LongWork;
class TFindDialog;
class TReplaceDialog;
struct TFindSettings;

class SearchCommands {
public:
    // Creates the two dialogs as children of `window`, named FindDialog1 and
    // ReplaceDialog1, and guards them with `work`. The dialogs start with the
    // choices `settings` holds when first shown, and every search keeps its
    // choices there.
    SearchCommands(QWidget& window, DocumentSession& session, LongWork& work, TFindSettings& settings);
    ~SearchCommands();

    void ShowFind();
    void ShowReplace();
    void FindNext();

private:
    void Show(TFindDialog& dialog);
    // Says on the status bar how the last search ended.
    void Report();
    void Say(const QString& text);
    void Find(const TFindDialog& dialog);
    void TakeParameters(const TFindDialog& dialog);
    void FindInFind();
    void FindInReplace();
    void Replace();
    void ReplaceAll();
    // Highlights the matches on the screen, or none when no dialog is open.
    void Highlight();
    void HighlightSoon();

    QWidget& window_;
    DocumentSession& session_;
    LongWork& work_;
    TFindSettings& settings_;
    TFindDialog* find_;
    TReplaceDialog* replace_;
    // The search text and options of the last Find.
    TEditorSearch search_;
    bool highlighting_ = false;
    std::vector<TextMatch> highlighted_;
    QTimer highlightTimer_;
};

}  // namespace verdane
