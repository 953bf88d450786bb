// verdane-cli aozora: an Aozora Bunko work (its .zip, or its text) to a clean
// Shift-JIS text, as the Edit command that tidies Aozora's notation makes it.
// Also the archive reading that to-doc and install share with it.
#include "AozoraNotation.h"
#include "CliIo.h"
#include "CliPlan.h"
#include "KanjiCode.h"
#include "Open.h"
#include "Commands.h"
#include "EditorCodec.h"
#include "ReadText.h"
#include "ShiftJisBytes.h"
#include "ZipArchive.h"

#include <cstdio>
#include <optional>

namespace verdane::cli {

namespace {

constexpr const char* kAozoraHelp =
    "Usage: verdane-cli aozora [--ruby paren|drop] [--bookmarks MARK] [--entry NAME]\n"
    "                          [--max-time SECONDS] IN|URL OUT\n"
    "Turns an Aozora Bunko work into plain text a DOC reader shows well: the notes\n"
    "block at the top and the annotations [#...] go, readings stay in parentheses\n"
    "after their words (or go), described characters become the characters,\n"
    "indentation becomes ideographic spaces, kunten stay in the text and warichu\n"
    "go in parentheses; the colophon stays.\n"
    "IN is the work's .zip archive or its text in any code the open command reads,\n"
    "or the http:// or https:// URL of either (downloaded through the proxy of\n"
    "the editor's settings);\n"
    "OUT is written in Shift-JIS with CR LF line ends; an OUT named .pdb or .prc\n"
    "is a DOC database titled as the work, with a bookmark at each heading when\n"
    "--bookmarks is given. \"-\" names standard input or output. Of the\n"
    "characters Shift-JIS cannot hold, a no-break space becomes a space, \"\xC2\xA5\"\n"
    "the full-width \"\xEF\xBF\xA5\", an accented letter (also one written in accent\n"
    "notation: e' gives e) its base letter, a stroked letter or ligature its plain\n"
    "spelling (o, ae, ss) and any other \"?\"; standard error then names each with\n"
    "its line, code point and what stands for it.\n\n"
    "Options:\n"
    "  --ruby paren    keep each reading in full-width parentheses after its word\n"
    "                  (the default)\n"
    "  --ruby drop     drop the readings\n"
    "  --bookmarks MARK  put MARK (for example \"(BM)\") right before every\n"
    "                  heading, and end the text with the line <MARK>, so the\n"
    "                  handheld's reader lists the chapters\n"
    "  --entry NAME    the text to read from an archive that holds several\n"
    "  --max-time SECONDS  give up when downloading URL takes longer than this\n"
    "                  (default: the editor's DownloadMaxSeconds setting, 600 until\n"
    "                  changed; 0: no limit)\n"
    "  -h, --help      show this help\n\n"
    "Exit status: 0 on success, 1 when IN cannot be read (an archive that is\n"
    "damaged, encrypted, holds no text or several) or OUT cannot be written, 2 on\n"
    "bad usage.\n";

}  // namespace

void WriteNewText(QString text, const std::string& out) { WriteHeldText(NewHeld(std::move(text)), out); }

void WriteHeldText(const HeldText& held, const std::string& out) {
    WritePlanned(core::PlanSave(held.document, held.text, OutputRequest(out, core::DocKind::Text)), out);
}

void WriteNewShiftJis(std::string text, const std::string& out, const std::vector<KanjiReplacement>& replaced) {
    std::vector<platform::Unwritable> listed = core::UnwritableOf(text, replaced);
    const HeldText held = NewHeld({});
    WritePlanned(core::PlanSaveBytes(held.document, std::move(text), OutputRequest(out, core::DocKind::Text),
                                     std::move(listed)),
                 out);
}

QString CleanedEditorText(const HeldText& held, const AozoraOptions& options,
                          std::vector<core::EditorBookmark>* headings) {
    const AozoraCleaned cleaned = CleanAozoraText(ShiftJisToWorkOn(held, core::WayOut::CleanAozora), options);
    if (!headings) return AozoraEditorText(cleaned);
    std::vector<qsizetype> places;
    QString text = AozoraEditorText(cleaned, &places);
    *headings = AozoraEditorBookmarks(cleaned, places);
    return text;
}

core::DocKind OutputKind(const std::string& out) {
    std::string extension = out.size() >= 4 ? out.substr(out.size() - 4) : std::string();
    for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c | 0x20 : c);
    return extension == ".pdb" ? core::DocKind::Pdb : extension == ".prc" ? core::DocKind::Prc : core::DocKind::Text;
}

void WriteCleanedWork(const HeldText& cleaned, const std::vector<core::EditorBookmark>& headings,
                      const std::string& out, const QString& title) {
    core::SaveRequest request = OutputRequest(out, OutputKind(out));
    if (request.kind != core::DocKind::Text) {
        request.title = title;
        request.bookmarks = headings;
    }
    WritePlanned(core::PlanSave(cleaned.document, cleaned.text, request), out);
}

AozoraOptions AozoraOptionsOf(const ParsedArgs& parsed) {
    AozoraOptions options;
    if (const std::string* ruby = parsed.Value("--ruby")) {
        if (*ruby == "drop")
            options.ruby = AozoraRuby::Drop;
        else if (*ruby != "paren")
            throw UsageError("--ruby takes paren or drop, not '" + *ruby + "'");
    }
    if (const std::string* mark = parsed.Value("--bookmarks")) {
        options.bookmarks = true;
        options.bookmarkMark = TerminalToCp932(*mark);
    }
    return options;
}

int RunAozora(const Args& args) {
    const auto parsed = ParseArgs(args, {}, {"--ruby", "--bookmarks", "--entry", "--max-time"}, 2, 2);
    if (parsed.help) {
        std::fputs(kAozoraHelp, stdout);
        return 0;
    }
    const AozoraOptions options = AozoraOptionsOf(parsed);
    if (const std::string* t = parsed.Value("--max-time")) ParseSecondsMs("--max-time", *t, true);
    const std::string& in = parsed.positional[0];
    const std::string& out = parsed.positional[1];
    if (OutputKind(out) == core::DocKind::Text) {
        if (!IsUrl(in)) {
            OpenedText opened = OpenText(in, parsed.Value("--entry"));
            if (opened.IsShiftJis()) {
                // Shift-JIS stays bytes from the archive to OUT: the text, the
                // cleaned text, and nothing else at a time.
                std::string text = std::move(opened.file.text);
                opened = {};
                core::MakeWindowShiftJis(text);
                AozoraCleaned cleaned = CleanAozoraText(text, options);
                std::string().swap(text);
                WriteNewShiftJis(std::move(cleaned.text), out, cleaned.accents);
                return 0;
            }
            WriteNewText(CleanedEditorText(HeldOf(opened), options), out);
            return 0;
        }
        WriteNewText(CleanedEditorText(HeldOfUrl(in, parsed.Value("--entry"), parsed), options), out);
        return 0;
    }
    // OUT named .pdb or .prc is a DOC database titled as the work (else as
    // OUT), with a bookmark at each heading.
    const HeldText held = IsUrl(in) ? HeldOfUrl(in, parsed.Value("--entry"), parsed) : OpenHeld(in, parsed.Value("--entry"));
    std::vector<core::EditorBookmark> headings;
    const HeldText cleaned = NewHeld(CleanedEditorText(held, options, &headings));
    WriteCleanedWork(cleaned, headings, out, core::ProposedTitle(held.document, QString::fromLocal8Bit(out)));
    return 0;
}

}  // namespace verdane::cli
