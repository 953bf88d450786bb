#include "SearchCommands.h"

#include "CommandGuard.h"
#include "DocumentSession.h"
#include "FindDialogs.h"
#include "LongWork.h"
#include "Settings.h"
#include "StatusNote.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextBlock>

namespace verdane {

namespace {

// More highlights than this on one screen tell the user nothing more.
constexpr std::size_t kHighlightLimit = 2000;

QString Quoted(const QString& text) {
    constexpr qsizetype kLongest = 40;
    return QStringLiteral("「%1」").arg(text.size() > kLongest ? text.left(kLongest) + QStringLiteral("…") : text);
}

}  // namespace

SearchCommands::SearchCommands(QWidget& window, DocumentSession& session, LongWork& work, TFindSettings& settings)
    : window_(window), session_(session), work_(work), settings_(settings), find_(new TFindDialog(&window)),
      replace_(new TReplaceDialog(&window)) {
    find_->setObjectName(QStringLiteral("FindDialog1"));
    replace_->setObjectName(QStringLiteral("ReplaceDialog1"));
    work_.Guard(find_);
    work_.Guard(replace_);
    auto on = [this](auto* dialog, auto signal, void (SearchCommands::*handler)()) {
        QObject::connect(dialog, signal, &window_, [this, handler] { Guarded(&window_, [&] { (this->*handler)(); }); });
    };
    on(find_, &TFindDialog::Find, &SearchCommands::FindInFind);
    on(replace_, &TFindDialog::Find, &SearchCommands::FindInReplace);
    on(replace_, &TReplaceDialog::Replace, &SearchCommands::Replace);
    on(replace_, &TReplaceDialog::ReplaceAll, &SearchCommands::ReplaceAll);

    // The highlights follow the screen: scrolling, edits and a new size. The
    // timer is the connections' context, so they end with this object.
    QTimer* timer = &highlightTimer_;
    timer->setSingleShot(true);
    timer->setInterval(30);
    QObject::connect(timer, &QTimer::timeout, timer, [this] { Highlight(); });
    QPlainTextEdit& editor = session_.Editor();
    QObject::connect(editor.verticalScrollBar(), &QScrollBar::valueChanged, timer, [this] { HighlightSoon(); });
    QObject::connect(editor.document(), &QTextDocument::contentsChanged, timer, [this] { HighlightSoon(); });
    QObject::connect(&editor, &QPlainTextEdit::updateRequest, timer, [this](const QRect& rect, int dy) {
        if (dy != 0 || rect.contains(session_.Editor().viewport()->rect())) HighlightSoon();
    });
    for (QDialog* dialog : {static_cast<QDialog*>(find_), static_cast<QDialog*>(replace_)}) {
        QObject::connect(dialog, &QDialog::finished, timer, [this] {
            if (find_->isVisible() || replace_->isVisible()) return;
            highlighting_ = false;
            Highlight();
        });
    }
}

SearchCommands::~SearchCommands() = default;

void SearchCommands::Show(TFindDialog& dialog) {
    if (!dialog.isVisible()) {
        // The choices of the last search (of this run, else the last run's),
        // whichever dialog it came from: the replace dialog opens on the text
        // the find dialog looked for.
        SearchParameters p;
        p.text = settings_.Text;
        p.matchCase = settings_.MatchCase;
        p.wholeWord = settings_.WholeWord;
        p.pattern = settings_.RegExp;
        p.fuzzy = settings_.Fuzzy;
        p.direction = settings_.Up ? SearchDirection::Up : SearchDirection::Down;
        p.wrap = settings_.Wrap;
        dialog.SetParameters(p);
    }
    // A selection on one line is what the user wants to find (a pattern or a
    // fuzzy text stays: the selection is likely its last match).
    const QString selected = session_.Editor().textCursor().selectedText();
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator) && !dialog.CheckRegExp->isChecked() &&
        !dialog.CheckFuzzy->isChecked())
        dialog.SetFindText(selected);
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
    dialog.EditFind->setFocus();
    dialog.EditFind->selectAll();
}

void SearchCommands::ShowFind() { Show(*find_); }
void SearchCommands::ShowReplace() { Show(*replace_); }

void SearchCommands::FindNext() {
    // Nothing to find yet: the find dialog asks for it.
    if (search_.SearchText.isEmpty()) {
        ShowFind();
        return;
    }
    search_.FindNext(session_.Editor());
    highlighting_ = !search_.SearchText.isEmpty();
    HighlightSoon();
    Report();
}

void SearchCommands::Say(const QString& text) {
    auto* main = qobject_cast<QMainWindow*>(&window_);
    if (!main) return;
    if (text.isEmpty()) main->statusBar()->clearMessage();
    else ShowStatusNote(main, text);
}

void SearchCommands::Report() {
    const QString problem = search_.Outcome == SearchOutcome::Problem ? search_.Problem : QString();
    find_->ShowProblem(problem);
    replace_->ShowProblem(problem);
    const bool up = search_.Parameters().direction == SearchDirection::Up;
    switch (search_.Outcome) {
    case SearchOutcome::Found:
        Say({});
        return;
    case SearchOutcome::FoundAfterWrap:
        Say(up ? QStringLiteral("先頭まで検索しました。末尾から続けます")
               : QStringLiteral("末尾まで検索しました。先頭から続けます"));
        return;
    case SearchOutcome::NotFound:
        if (search_.SearchText.isEmpty()) return;
        if (search_.Parameters().wrap) Say(QStringLiteral("%1は見つかりません").arg(Quoted(search_.SearchText)));
        else if (up) Say(QStringLiteral("%1はここより前に見つかりません").arg(Quoted(search_.SearchText)));
        else Say(QStringLiteral("%1はここより後に見つかりません").arg(Quoted(search_.SearchText)));
        return;
    case SearchOutcome::Problem:
        Say(search_.Problem);
        return;
    }
}

void SearchCommands::TakeParameters(const TFindDialog& dialog) {
    const SearchParameters p = dialog.Parameters();
    search_.TakeParameters(p);
    settings_.Text = p.text;
    settings_.MatchCase = p.matchCase;
    settings_.WholeWord = p.wholeWord;
    settings_.RegExp = p.pattern;
    settings_.Fuzzy = p.fuzzy;
    settings_.Up = p.direction == SearchDirection::Up;
    settings_.Wrap = p.wrap;
}

void SearchCommands::Find(const TFindDialog& dialog) {
    TakeParameters(dialog);
    FindNext();
}

void SearchCommands::FindInFind() { Find(*find_); }
void SearchCommands::FindInReplace() { Find(*replace_); }

void SearchCommands::Replace() {
    if (work_.Busy()) return;
    // The text and options of the last Find Next, not those in the dialog now.
    search_.Replace(session_.Editor(), replace_->ReplaceText());
    highlighting_ = !search_.SearchText.isEmpty();
    HighlightSoon();
    Report();
}

void SearchCommands::ReplaceAll() {
    if (work_.Busy()) return;
    TakeParameters(*replace_);
    const int count = search_.ReplaceAll(session_.Editor(), replace_->ReplaceText());
    if (search_.Outcome == SearchOutcome::Problem) {
        Report();
        return;
    }
    find_->ShowProblem({});
    replace_->ShowProblem({});
    // The dialog stays for more: the count is on the status bar.
    Say(QStringLiteral("%1 件置換しました").arg(count));
}

void SearchCommands::HighlightSoon() {
    if (highlighting_ || !highlighted_.empty()) highlightTimer_.start();
}

void SearchCommands::Highlight() {
    QPlainTextEdit& editor = session_.Editor();
    std::vector<TextMatch> matches;
    if (highlighting_) {
        // Only the lines on the screen are searched, so a long text costs no
        // more than a short one.
        const QRect view = editor.viewport()->rect();
        const QTextBlock first = editor.cursorForPosition(view.topLeft()).block();
        const QTextBlock last = editor.cursorForPosition(view.bottomRight()).block();
        const int from = first.position();
        const int to = last.position() + last.length() - 1;
        QTextCursor range(editor.document());
        range.setPosition(from);
        range.setPosition(to, QTextCursor::KeepAnchor);
        matches = search_.MatchesIn(range.selectedText(), from, kHighlightLimit);
    }
    if (matches == highlighted_) return;
    highlighted_ = std::move(matches);
    QList<QTextEdit::ExtraSelection> selections;
    selections.reserve(static_cast<qsizetype>(highlighted_.size()));
    for (const TextMatch& m : highlighted_) {
        QTextEdit::ExtraSelection s;
        s.cursor = QTextCursor(editor.document());
        s.cursor.setPosition(m.start);
        s.cursor.setPosition(m.start + m.length, QTextCursor::KeepAnchor);
        s.format.setBackground(QColor(255, 226, 100));
        selections.append(s);
    }
    editor.setExtraSelections(selections);
}

}  // namespace verdane
