#include "SearchCommands.h"

#include "CommandGuard.h"
#include "DocumentSession.h"
#include "FindDialogs.h"
#include "LongWork.h"
#include "Prompts.h"

namespace verdane {

SearchCommands::SearchCommands(QWidget& window, DocumentSession& session, LongWork& work)
    : window_(window), session_(session), work_(work), find_(new TFindDialog(&window)),
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
}

void SearchCommands::ShowFind() {
    find_->show();
    find_->raise();
    find_->activateWindow();
}

void SearchCommands::ShowReplace() {
    replace_->show();
    replace_->raise();
    replace_->activateWindow();
}

void SearchCommands::FindNext() {
    search_.FindNext(session_.Editor());
    SayWhenNothingFurther();
}

void SearchCommands::SayWhenNothingFurther() {
    // Nothing further: said, rather than nothing happening.
    if (search_.SearchFound || search_.SearchText.isEmpty()) return;
    QWidget* over = replace_->isVisible() ? static_cast<QWidget*>(replace_)
                    : find_->isVisible()  ? static_cast<QWidget*>(find_)
                                          : &window_;
    Prompts().Message(over, QMessageBox::Information, QStringLiteral("検索"),
                      QStringLiteral("「%1」はこの先に見つかりません。").arg(search_.SearchText), QMessageBox::Ok);
}

void SearchCommands::Find(const TFindDialog& dialog) {
    search_.TakeParameters(dialog.FindText(), dialog.MatchCase(), dialog.WholeWord());
    FindNext();
}

void SearchCommands::FindInFind() { Find(*find_); }
void SearchCommands::FindInReplace() { Find(*replace_); }

void SearchCommands::Replace() {
    if (work_.Busy()) return;
    // The text and options of the last Find Next, not those in the dialog now.
    search_.Replace(session_.Editor(), replace_->ReplaceText());
    SayWhenNothingFurther();
}

void SearchCommands::ReplaceAll() {
    if (work_.Busy()) return;
    search_.TakeParameters(replace_->FindText(), replace_->MatchCase(), replace_->WholeWord());
    search_.ReplaceAll(session_.Editor(), replace_->ReplaceText());
    replace_->close();
}

}  // namespace verdane
