#include "TextCommands.h"

#include "AozoraNotation.h"
#include "DocumentSession.h"
#include "HtmlText.h"
#include "LongWork.h"
#include "PlanQuestion.h"
#include "Prompts.h"
#include "Settings.h"
#include "TextBookmarks.h"
#include "UnitAozora.h"

#include <QPlainTextEdit>

namespace verdane {

namespace {

// The editor paints nothing while its whole text is replaced, and paints again
// on every way out, an error included.
class UpdatesOff {
public:
    explicit UpdatesOff(QWidget& widget) : widget_(widget) { widget_.setUpdatesEnabled(false); }
    ~UpdatesOff() { widget_.setUpdatesEnabled(true); }
    UpdatesOff(const UpdatesOff&) = delete;
    UpdatesOff& operator=(const UpdatesOff&) = delete;

private:
    QWidget& widget_;
};

}  // namespace

TextCommands::TextCommands(QWidget& window, DocumentSession& session, LongWork& work, const TSettings& settings,
                           TFormAozora& aozora)
    : window_(window), session_(session), work_(work), settings_(settings), aozora_(aozora) {}

bool TextCommands::ShiftJisText(std::string& bytes, core::WayOut way) {
    // The command works on Shift-JIS; a character Shift-JIS lacks is not replaced unasked.
    core::WritePlan plan = core::PlanTextCommand(way, session_.Document(), session_.Text());
    if (!AskPlan(&window_, plan, &session_.Editor())) return false;
    bytes = std::move(plan.text);
    return true;
}

void TextCommands::HtmlToText() {
    if (work_.Busy()) return;
    // The page is converted first, so that the question names every character
    // replaced: of the text, or of a reference (&copy;).
    // A ruby's reading as the Aozora command gives it: in parentheses or dropped.
    const regex::HtmlRuby ruby =
        aozora_.Options({}).ruby == AozoraRuby::Drop ? regex::HtmlRuby::Drop : regex::HtmlRuby::Paren;
    core::WritePlan plan = [&] {
        LongWork::Scope scope(work_);
        return core::PlanHtmlToText(awk_, session_.Document(), session_.Text(), work_.Turns(), ruby);
    }();
    if (!AskPlan(&window_, plan, &session_.Editor())) return;
    LongWork::Scope scope(work_);
    // The conversion is an edit of the text: one step that Undo takes back.
    work_.Turn();
    UpdatesOff quiet(session_.Editor());
    session_.ReplaceText(platform::BytesToEditor(plan.text), work_.Turns());
}

void TextCommands::CleanAozora() {
    if (work_.Busy()) return;
    if (Prompts().RunDialog(aozora_) != QDialog::Accepted) return;
    std::string text;
    if (!ShiftJisText(text, core::WayOut::CleanAozora)) return;
    LongWork::Scope scope(work_);
    const std::string mark = platform::EditorToBytes(settings_.BookmarkMark).bytes;
    const AozoraCleaned cleaned = CleanAozoraText(text, aozora_.Options(mark));
    work_.Turn();
    // The cleaning is an edit of the text: one step that Undo takes back. The
    // headings become the text's bookmarks.
    std::vector<qsizetype> places;
    const QString clean = AozoraEditorText(cleaned, &places);
    UpdatesOff quiet(session_.Editor());
    session_.ReplaceText(clean, work_.Turns());
    if (!cleaned.headings.empty()) session_.Bookmarks().PlaceAt(AozoraEditorBookmarks(cleaned, places));
}

}  // namespace verdane
