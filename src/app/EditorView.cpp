#include "EditorView.h"

#include "Settings.h"

#include <QPainter>
#include <QPaintEvent>
#include <QTextBlock>

#include <algorithm>

namespace verdane {

namespace {

// Space between the numbers and the area's edges, in pixels.
constexpr int kPadding = 4;

}  // namespace

// The area itself only paints and sizes; the editor knows where its lines are.
class LineNumberWidget : public QWidget {
public:
    explicit LineNumberWidget(EditorView& editor) : QWidget(&editor), editor_(editor) {
        setObjectName(QStringLiteral("LineNumberArea"));
        setAutoFillBackground(false);
    }
    QSize sizeHint() const override { return {editor_.AreaWidth(), 0}; }

protected:
    void paintEvent(QPaintEvent* event) override { editor_.PaintLineNumbers(event); }

private:
    EditorView& editor_;
};

EditorView::EditorView(QWidget* parent) : QPlainTextEdit(parent), area_(new LineNumberWidget(*this)) {
    setFont(DefaultEditorFont());
    area_->hide();
    connect(this, &QPlainTextEdit::blockCountChanged, this, [this] { UpdateMargin(); });
    connect(this, &QPlainTextEdit::updateRequest, this, &EditorView::FollowUpdate);
    // The caret's line number stands out; repainting the few numbers in view is cheap.
    connect(this, &QPlainTextEdit::cursorPositionChanged, area_, qOverload<>(&QWidget::update));
}

void EditorView::SetLineNumbersShown(bool shown) {
    if (shown == numbersShown_) return;
    numbersShown_ = shown;
    area_->setVisible(shown);
    digits_ = 0;
    UpdateMargin();
}

int EditorView::AreaWidth() const {
    int digits = 1;
    for (int count = std::max(1, blockCount()); count >= 10; count /= 10) ++digits;
    // Room for three digits at least, so the text does not shift at line 10 and 100.
    digits = std::max(digits, 3);
    return 2 * kPadding + area_->fontMetrics().horizontalAdvance(QLatin1Char('9')) * digits;
}

void EditorView::UpdateMargin() {
    if (!numbersShown_) {
        setViewportMargins(0, 0, 0, 0);
        return;
    }
    // The margin changes only when the highest number gains or loses a digit.
    const int digits = QString::number(std::max(1, blockCount())).size();
    if (digits == digits_) return;
    digits_ = digits;
    setViewportMargins(AreaWidth(), 0, 0, 0);
    PlaceArea();
}

void EditorView::PlaceArea() {
    const QRect frame = contentsRect();
    area_->setGeometry(QRect(frame.left(), frame.top(), AreaWidth(), frame.height()));
}

void EditorView::FollowUpdate(const QRect& rect, int dy) {
    if (!numbersShown_) return;
    if (dy != 0)
        area_->scroll(0, dy);
    else
        area_->update(0, rect.y(), area_->width(), rect.height());
}

void EditorView::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    PlaceArea();
}

void EditorView::changeEvent(QEvent* event) {
    QPlainTextEdit::changeEvent(event);
    // A zoom or another font: the numbers take the text's size and the area its width.
    if (event->type() == QEvent::FontChange) {
        digits_ = 0;
        UpdateMargin();
        PlaceArea();
    }
}

void EditorView::PaintLineNumbers(QPaintEvent* event) {
    QPainter painter(area_);
    const QPalette& palette = area_->palette();
    painter.fillRect(event->rect(), palette.color(QPalette::Window));
    const QColor other = palette.color(QPalette::Disabled, QPalette::WindowText);
    const QColor caretLine = palette.color(QPalette::Active, QPalette::WindowText);
    const int caret = textCursor().blockNumber();
    const int right = area_->width() - kPadding;
    const int lineHeight = area_->fontMetrics().height();

    // From the first line in view down to the bottom of the area to paint:
    // never more blocks than the window shows.
    QTextBlock block = firstVisibleBlock();
    int number = block.blockNumber();
    qreal top = blockBoundingGeometry(block).translated(contentOffset()).top();
    while (block.isValid() && top <= event->rect().bottom()) {
        const qreal bottom = top + blockBoundingRect(block).height();
        if (block.isVisible() && bottom >= event->rect().top()) {
            painter.setPen(number == caret ? caretLine : other);
            painter.drawText(QRectF(0, top, right, lineHeight), Qt::AlignRight | Qt::AlignTop,
                             QString::number(number + 1));
        }
        block = block.next();
        top = bottom;
        ++number;
    }
}

}  // namespace verdane
