// EditorView: the main window's editor control, a QPlainTextEdit with a
// line-number area in its left margin that the 表示 menu shows or hides.
// The numbers count the text's lines as the status bar and 行へ移動 do (a
// wrapped line keeps one number). Only the lines in view are painted, so a
// long text costs nothing more to scroll or type in.
#pragma once

#include <QPlainTextEdit>

namespace verdane {

class EditorView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit EditorView(QWidget* parent = nullptr);

    void SetLineNumbersShown(bool shown);
    bool LineNumbersShown() const { return numbersShown_; }
    // The area beside the text; hidden while the numbers are off.
    QWidget& LineNumberArea() const { return *area_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    friend class LineNumberWidget;
    // Wide enough for the highest line number of the text.
    int AreaWidth() const;
    void PaintLineNumbers(QPaintEvent* event);
    void UpdateMargin();
    void PlaceArea();
    void FollowUpdate(const QRect& rect, int dy);

    QWidget* area_;
    bool numbersShown_ = false;
    int digits_ = 0;
};

}  // namespace verdane
