#include "CliPlan.h"

#include "CliIo.h"
#include "KanjiCode.h"
#include "ReadText.h"
#include "Terminal.h"
#include "TextBytes.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

namespace verdane::cli {

namespace {

// How many replaced characters the report names one by one.
constexpr std::size_t kNamed = 10;

std::string Utf8(const QString& text) { return text.toUtf8().toStdString(); }

// The bookmarks of an opened text at their editor positions: the pieces of
// the text between them decoded one after the other, as the whole text is.
std::vector<core::EditorBookmark> EditorBookmarksOf(const core::OpenedFile& file) {
    std::vector<std::size_t> order(file.bookmarks.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&file](std::size_t a, std::size_t b) {
        return file.bookmarks[a].offset < file.bookmarks[b].offset;
    });
    std::vector<core::EditorBookmark> marks(file.bookmarks.size());
    std::size_t done = 0;
    qsizetype position = 0;
    for (const std::size_t k : order) {
        const std::size_t offset = std::min<std::size_t>(file.bookmarks[k].offset, file.text.size());
        position += core::EditorTextOf(std::string_view(file.text).substr(done, offset - done), file.code).size();
        done = offset;
        marks[k] = {file.bookmarks[k].name, position};
    }
    return marks;
}

}  // namespace

bool OpenedText::IsShiftJis() const { return file.code != kcUtf8; }

OpenedText OpenText(core::Source source, const std::string& in, const std::string* entry, const QString& title) {
    core::OpenOptions options;
    if (entry) options.entry = *entry;
    options.title = title;
    core::Result<core::OpenedFile> opened = core::Open(std::move(source), options);
    if (!opened) {
        const core::Failure& failure = opened.Fault();
        if (failure.code == core::FailureCode::ArchiveSeveral)
            throw CliError(in + " holds several texts (" + failure.detail + "); choose one with --entry NAME");
        if (failure.code == core::FailureCode::NotArchive)
            throw CliError(in + " is not a .zip archive, so --entry cannot choose a text in it");
        throw CliError(core::EnglishText(failure));
    }
    // What the opening itself replaced is named; the rest waits for the plan.
    WriteTerminal(stderr, ReplacementReport(opened->text, opened->replaced));
    core::Document document = opened->document;
    return {std::move(document), std::move(*opened)};
}

core::Source InputSource(const std::string& in) {
    return in == "-" ? core::Source::StandardInput() : core::Source::File(QString::fromLocal8Bit(in));
}

OpenedText OpenText(const std::string& in, const std::string* entry) { return OpenText(InputSource(in), in, entry); }

HeldText HeldOf(const OpenedText& opened) {
    return {opened.document, core::EditorTextOf(opened.file), EditorBookmarksOf(opened.file)};
}

HeldText OpenHeld(core::Source source, const std::string& in, const std::string* entry, const QString& title) {
    return HeldOf(OpenText(std::move(source), in, entry, title));
}

HeldText OpenHeld(const std::string& in, const std::string* entry) { return HeldOf(OpenText(in, entry)); }

HeldText NewHeld(QString text) { return {core::Document(), std::move(text)}; }

std::string ShiftJisToWorkOn(const HeldText& held, core::WayOut way) {
    core::WritePlan plan = core::PlanTextCommand(way, held.document, held.text);
    WriteTerminal(stderr, PlanReport(plan));
    return std::move(plan.text);
}

core::Result<core::WritePlan> BytesPlan(const std::string& out, std::string bytes) {
    core::Result<core::WritePlan> plan = core::PlanSave(core::Document(), QString(), OutputRequest(out, core::DocKind::Text));
    if (plan) plan->text = std::move(bytes);
    return plan;
}

core::SaveRequest OutputRequest(const std::string& out, core::DocKind kind) {
    core::SaveRequest request;
    request.path = QString::fromLocal8Bit(out);
    request.kind = kind;
    request.addExtension = false;
    return request;
}

std::string PlanReport(const core::WritePlan& plan, const std::string& out, const std::string& waitingFor) {
    const std::string prefix = "verdane-cli " + CommandName() + ": ";
    std::string report;
    const bool install = plan.way == core::WayOut::Install;
    if (plan.replacesOther && (install || plan.target != QString::fromLocal8Bit(out))) {
        const std::string name = Utf8(install ? core::FileNamePart(plan.target) : plan.target);
        report += prefix + "replaced " + name;
        if (install) report += ", which was waiting for \"" + waitingFor + "\"";
        report += '\n';
    }
    if (plan.formChanges)
        report += prefix + Utf8(plan.document.Path()) + " was read as " + Utf8(plan.document.FormReadName()) +
                  " and is written as " + Utf8(core::FormName(plan.form)) + '\n';
    const std::size_t count = plan.unwritableCount;
    if (count == 0) return report;
    report += prefix + "replaced " + std::to_string(count) + (count == 1 ? " character" : " characters") +
              " that " + Utf8(core::CodeName(plan.form.code)) + " cannot hold:\n";
    for (std::size_t i = 0; i < count && i < kNamed && i < plan.unwritable.size(); ++i) {
        const platform::Unwritable& u = plan.unwritable[i];
        char code[16];
        std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(u.codePoint));
        std::string character;
        AppendUtf8(character, u.codePoint);
        report += "  line " + std::to_string(u.line) + ": ";
        // U+FFFD: a byte that named no character.
        report += u.codePoint == 0xFFFD ? std::string("an unknown character") : code + (" " + character);
        report += " as \"" + Utf8(u.writtenAs) + "\"\n";
    }
    if (count > kNamed) report += "  and " + std::to_string(count - kNamed) + " more\n";
    return report;
}

void WritePlanned(const core::Result<core::WritePlan>& plan, const std::string& out, const std::string& waitingFor) {
    if (!plan) throw CliError(plan.Reason());
    const std::string report = PlanReport(*plan, out, waitingFor);
    if (out == "-" && !plan->IsDoc()) {
        // A text's bytes are the plan's own: written without a copy.
        WriteOutput(out, plan->text);
    } else if (out == "-") {
        const core::Result<std::string> bytes = core::PlannedBytes(*plan);
        if (!bytes) throw CliError(bytes.Reason());
        WriteOutput(out, *bytes);
    } else {
        const core::Result<core::Document> saved = core::Save(*plan);
        if (!saved) throw CliError(saved.Reason());
    }
    // Said once it is done: a failed write reports the failure alone.
    WriteTerminal(stderr, report);
}

}  // namespace verdane::cli
