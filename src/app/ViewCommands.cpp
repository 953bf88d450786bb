#include "ViewCommands.h"

#include "CommandGuard.h"
#include "Document.h"
#include "EditorView.h"
#include "LongWork.h"
#include "Prompts.h"
#include "Settings.h"

#include <QAction>
#include <QInputDialog>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTextBlock>
#include <QWheelEvent>

namespace verdane {

namespace {

constexpr int kWheelStep = 120;  // one notch of a mouse wheel

}  // namespace

QString CaptionWithModifiedMark(const core::Document& document) {
    // Qt shows "[*][*]" as a literal "[*]" and a lone "[*]" as the mark.
    QString name = document.DisplayName();
    name.replace(QLatin1String("[*]"), QLatin1String("[*][*]"));
    return core::CaptionFor(name + QStringLiteral("[*]"));
}

ViewCommands::ViewCommands(QMainWindow& window, EditorView& editor, TSettings& settings, LongWork& work)
    : QObject(&window), window_(window), editor_(editor), settings_(settings), work_(work) {
    setObjectName(QStringLiteral("ViewCommands"));
    auto* menu = new QMenu(QStringLiteral("表示(&V)"), &window);
    menu->setObjectName(QStringLiteral("MenuView"));
    QMenuBar* bar = window.menuBar();
    auto* help = window.findChild<QMenu*>(QStringLiteral("MenuHelp"));
    if (help)
        bar->insertMenu(help->menuAction(), menu);
    else
        bar->addMenu(menu);

    // Items and their shortcuts belong to the window; a command runs only while
    // no long work does, as the window's other commands.
    auto add = [&](const char* name, const QString& caption, const QList<QKeySequence>& keys,
                   std::function<void()> command) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcuts(keys);
        connect(action, &QAction::triggered, this, [this, command = std::move(command)] {
            if (!work_.Busy()) Guarded(&window_, command);
        });
        return action;
    };
    wrap_ = add("ViewWordWrap", QStringLiteral("折り返し(&W)"), {}, [this] { SetWordWrap(wrap_->isChecked()); });
    wrap_->setCheckable(true);
    menu->addSeparator();
    // Ctrl++ is Ctrl+Shift with the "=" key of most keyboards and the ";" key
    // of Japanese ones; Qt finds Ctrl++ for both. Ctrl+= serves without Shift.
    add("ViewZoomIn", QStringLiteral("拡大(&I)"),
        {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)}, [this] { Zoom(1); });
    add("ViewZoomOut", QStringLiteral("縮小(&O)"), {QKeySequence(Qt::CTRL | Qt::Key_Minus)}, [this] { Zoom(-1); });
    add("ViewZoomReset", QStringLiteral("元の大きさ(&R)"), {QKeySequence(Qt::CTRL | Qt::Key_0)}, [this] { ZoomReset(); });
    menu->addSeparator();
    add("ViewGoToLine", QStringLiteral("行へ移動(&G)..."), {QKeySequence(Qt::CTRL | Qt::Key_G)}, [this] { GoToLine(); });
    numbers_ = add("ViewLineNumbers", QStringLiteral("行番号(&N)"), {}, [this] { SetLineNumbers(numbers_->isChecked()); });
    numbers_->setCheckable(true);

    lineDialog_ = new QInputDialog(&window);
    lineDialog_->setObjectName(QStringLiteral("FormGoToLine"));
    lineDialog_->setWindowTitle(QStringLiteral("行へ移動"));
    lineDialog_->setInputMode(QInputDialog::IntInput);

    // The caption marks an edited text; only editing and saving change it.
    connect(editor.document(), &QTextDocument::modificationChanged, &window, &QWidget::setWindowModified);
    window.setWindowModified(editor.document()->isModified());
    editor.viewport()->installEventFilter(this);

    SetWordWrap(settings.WordWrap);
    SetLineNumbers(settings.LineNumbers);
    ShowZoom();
}

void ViewCommands::SetWordWrap(bool on) {
    settings_.WordWrap = on;
    wrap_->setChecked(on);
    editor_.setLineWrapMode(on ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    // A wrapped text never needs the horizontal bar; an unwrapped one shows it for long lines.
    editor_.setHorizontalScrollBarPolicy(on ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    editor_.ensureCursorVisible();
}

void ViewCommands::Zoom(int steps) {
    // Steps beyond the smallest or largest size change nothing, so the way
    // back takes no more steps than the way there.
    const int size = ZoomedEditorFont(settings_).pointSize();
    const int target = std::clamp(size + steps, kSmallestZoomedSize, kLargestZoomedSize);
    settings_.Zoom += target - size;
    ShowZoom();
}

void ViewCommands::ZoomReset() {
    settings_.Zoom = 0;
    ShowZoom();
}

void ViewCommands::ShowZoom() {
    const QFont font = ZoomedEditorFont(settings_);
    if (editor_.font() == font) return;
    editor_.setFont(font);
    editor_.document()->setDefaultFont(font);
    editor_.ensureCursorVisible();
}

void ViewCommands::GoToLine() {
    QTextDocument& document = *editor_.document();
    const int count = document.blockCount();
    lineDialog_->setIntRange(1, count);
    lineDialog_->setIntValue(editor_.textCursor().blockNumber() + 1);
    lineDialog_->setLabelText(QStringLiteral("行番号 (1 - %1):").arg(count));
    if (Prompts().RunDialog(*lineDialog_) != QDialog::Accepted) return;
    // The dialog keeps its number in range; the text may have changed meanwhile.
    const int line = std::clamp(lineDialog_->intValue(), 1, document.blockCount());
    QTextCursor cursor(document.findBlockByNumber(line - 1));
    editor_.setTextCursor(cursor);
    editor_.centerCursor();
    editor_.setFocus();
}

void ViewCommands::SetLineNumbers(bool on) {
    settings_.LineNumbers = on;
    numbers_->setChecked(on);
    editor_.SetLineNumbersShown(on);
}

bool ViewCommands::eventFilter(QObject* watched, QEvent* event) {
    // Ctrl with the wheel zooms, a step a notch, as in every editor of the
    // desktop; the editor itself would scroll by pages.
    if (watched == editor_.viewport() && event->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            if (!work_.Busy()) {
                wheelRest_ += wheel->angleDelta().y();
                const int steps = wheelRest_ / kWheelStep;
                wheelRest_ -= steps * kWheelStep;
                if (steps != 0) Zoom(steps);
            }
            wheel->accept();
            return true;
        }
        wheelRest_ = 0;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace verdane
