// SearchCommands: Find, Find Next and Replace with the modeless find and
// replace dialogs. Replacing is an edit: it waits while long work runs.
#pragma once

#include "EditorSearch.h"

class QWidget;

namespace verdane {

class DocumentSession;
class LongWork;
class TFindDialog;
class TReplaceDialog;

class SearchCommands {
public:
    // Creates the two dialogs as children of `window`, named FindDialog1 and
    // ReplaceDialog1, and guards them with `work`.
    SearchCommands(QWidget& window, DocumentSession& session, LongWork& work);

    void ShowFind();
    void ShowReplace();
    void FindNext();

private:
    // Tells the user when the last search found nothing further.
    void SayWhenNothingFurther();
    void Find(const TFindDialog& dialog);
    void FindInFind();
    void FindInReplace();
    void Replace();
    void ReplaceAll();

    QWidget& window_;
    DocumentSession& session_;
    LongWork& work_;
    TFindDialog* find_;
    TReplaceDialog* replace_;
    // The search text and options of the last Find.
    TEditorSearch search_;
};

}  // namespace verdane
