// ViewCommands: the main window's 表示 menu and what it changes in the editor:
// wrapping at the window's edge, the zoom (Ctrl++, Ctrl+-, Ctrl+0, Ctrl with
// the wheel), 行へ移動 (Ctrl+G) and the line numbers; and the caption's mark
// of an edited text. Wrap, zoom and line numbers are kept in the settings.
#pragma once

#include <QObject>
#include <QString>

class QAction;
class QInputDialog;
class QMainWindow;

namespace verdane {

namespace core {
class Document;
}
class EditorView;
class LongWork;
struct TSettings;

// The caption with Qt's modified placeholder after the document's name, so the
// window shows "memo.txt* - ..." while the text is edited and exactly the
// plain caption otherwise; a "[*]" in a file name stays as it is.
QString CaptionWithModifiedMark(const core::Document& document);

class ViewCommands : public QObject {
    Q_OBJECT
public:
    // Adds the 表示 menu before the ﾍﾙﾌﾟ menu of `window` and shows the view
    // that `settings` holds; the menu's changes go back into `settings`.
    ViewCommands(QMainWindow& window, EditorView& editor, TSettings& settings, LongWork& work);

    void SetWordWrap(bool on);
    void Zoom(int steps);
    void ZoomReset();
    // Asks for a line number between 1 and the text's line count and puts the
    // caret at the start of that line.
    void GoToLine();
    void SetLineNumbers(bool on);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowZoom();

    QMainWindow& window_;
    EditorView& editor_;
    TSettings& settings_;
    LongWork& work_;
    QAction* wrap_ = nullptr;
    QAction* numbers_ = nullptr;
    QInputDialog* lineDialog_ = nullptr;
    // The wheel's turn not yet taken as a zoom step (touchpads send small parts).
    int wheelRest_ = 0;
};

}  // namespace verdane
