// verdane-cli to-doc, to-text and kanji: the open and save commands' DOC and
// kanji-code conversions, giving the same bytes the editor would.
#include "AozoraNotation.h"
#include "CliIo.h"
#include "CliPlan.h"
#include "Commands.h"
#include "FileIo.h"
#include "DocConvert.h"
#include "KanjiCode.h"
#include "Names.h"
#include "ReadText.h"
#include "ShiftJisBytes.h"
#include "Terminal.h"
#include "WriteText.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace verdane::cli {

namespace {

bool PrintHelp(const ParsedArgs& parsed, const char* text) {
    if (parsed.help) std::fputs(text, stdout);
    return parsed.help;
}

constexpr const char* kToDocHelp =
    "Usage: verdane-cli to-doc [--title T] [--no-compress] [--no-binary] [--prc]\n"
    "                          [--aozora] [--entry NAME] IN OUT\n"
    "Turns the text file IN into the Palm DOC database OUT, as the save command does.\n"
    "IN is read as the open command reads it: JIS, EUC-JP and UTF-8 become Shift-JIS,\n"
    "every line end becomes CR LF; a .zip archive gives the text inside it, an EPUB\n"
    "book its text titled after the book with its chapters as bookmarks, and a DOC\n"
    "database keeps its bookmarks. \"-\" names standard input or output. Of the\n"
    "characters Shift-JIS cannot hold, a no-break space becomes a space, \"\xC2\xA5\"\n"
    "the full-width \"\xEF\xBF\xA5\", an accented letter its base letter, a stroked\n"
    "letter or ligature its plain spelling (o, ae, ss) and any other the geta mark\n"
    "\"\xE3\x80\x93\"; standard error then names each with its line, code point and\n"
    "what stands for it, and an existing file that\n"
    "OUT.PDB or OUT.PRC replaced.\n\n"
    "Options:\n"
    "  --title T       database name (at most 31 bytes in Shift-JIS are stored); by\n"
    "                  default the text's own title, as the save command proposes\n"
    "                  it: a database's name, an archive's work title, else IN's\n"
    "                  file name without folder and extension; OUT's when IN is \"-\"\n"
    "                  (\"NewFile\" when both are \"-\")\n"
    "  --no-compress   store the records as they are, not DOC-compressed\n"
    "  --no-binary     store line ends as LF alone and leave out bytes 0x00-0x08\n"
    "                  (by default the text is stored byte for byte)\n"
    "  --prc           when OUT has no extension, name it OUT.PRC instead of OUT.PDB\n"
    "  --aozora        clean Aozora Bunko's notation first, as 'verdane-cli aozora'\n"
    "                  does with its defaults\n"
    "  --entry NAME    the text to read from an archive that holds several\n"
    "  -h, --help      show this help\n\n"
    "Exit status: 0 on success, 1 when the text could not be read, converted or written,\n"
    "2 on bad usage.\n";

constexpr const char* kToTextHelp =
    "Usage: verdane-cli to-text IN.pdb OUT\n"
    "Writes the text of the Palm DOC database IN.pdb to OUT, as the editor holds it\n"
    "after opening the database: Shift-JIS, line ends CR LF. \"-\" names standard\n"
    "input or output.\n\n"
    "Options:\n"
    "  -h, --help      show this help\n\n"
    "Exit status: 0 on success, 1 when IN is missing, unreadable, not a DOC database\n"
    "or damaged, or OUT cannot be written, 2 on bad usage.\n";

constexpr const char* kKanjiHelp =
    "Usage: verdane-cli kanji [--detect] IN [OUT]\n"
    "Converts the JIS, EUC-JP, UTF-8 or UTF-16 text IN to Shift-JIS and writes it to\n"
    "OUT (standard output when OUT is left out). Shift-JIS, plain ASCII, binary and\n"
    "undecidable texts are written unchanged; line ends are left as they are.\n"
    "A text that could be EUC-JP or Shift-JIS is read as the one under which it\n"
    "holds more kanji and kana and fewer half-width katakana.\n"
    "Characters Shift-JIS cannot hold become \"?\" (UTF-8) or \"\xE3\x80\x93\" (EUC-JP);\n"
    "standard error then names each with its line and code point.\n"
    "\"-\" names standard input or output.\n\n"
    "Options:\n"
    "  --detect        print the code IN is read in instead and write nothing: 0\n"
    "                  nothing decisive (ASCII), 1 binary, 2 JIS (ESC $ B), 3 JIS\n"
    "                  (ESC $ @), 4 EUC-JP, 5 Shift-JIS, 6 EUC-JP or Shift-JIS alike\n"
    "                  (left as it is), 7 UTF-8, 8 UTF-16 LE, 9 UTF-16 BE\n"
    "  -h, --help      show this help\n\n"
    "Exit status: 0 on success, 1 when IN cannot be read or OUT written, 2 on bad usage.\n";

}  // namespace

int RunToDoc(const Args& args) {
    const auto parsed = ParseArgs(args, {"--no-compress", "--no-binary", "--prc", "--aozora"}, {"--title", "--entry"}, 2, 2);
    if (PrintHelp(parsed, kToDocHelp)) return 0;
    const std::string& in = parsed.positional[0];
    const std::string& typed = parsed.positional[1];
    std::string out = typed;
    // A device or FIFO is written as it is named.
    if (out != "-" && !core::HasExtension(out) && !platform::IsSpecialFile(out)) out += parsed.Has("--prc") ? ".PRC" : ".PDB";

    // A database needs a name; nothing is read or written without one.
    const std::string* given = parsed.Value("--title");
    if (given && given->empty()) throw CliError(core::EnglishText(core::Failure{core::FailureCode::EmptyTitle}));

    // Read as the window opens it: an archive's text, a database's text, any code.
    OpenedText opened = OpenText(in, parsed.Value("--entry"));
    core::SaveRequest request = OutputRequest(out, core::KindOfPath(out) == core::DocKind::Prc ? core::DocKind::Prc
                                                                                               : core::DocKind::Pdb);
    // The text's own title, as the window's save proposes it.
    request.title = given ? QString::fromStdString(*given) : core::ProposedTitle(opened.document, QString::fromLocal8Bit(out));
    request.compress = !parsed.Has("--no-compress");
    request.includeBinary = !parsed.Has("--no-binary");
    // Bookmarks (a database's, an EPUB book's chapters) are placed through
    // the editor's text, as the window's save places them.
    const bool marked = !opened.file.bookmarks.empty() && !parsed.Has("--aozora");
    if (opened.IsShiftJis() && !marked) {
        // Shift-JIS stays bytes from the file to the database.
        std::string text = std::move(opened.file.text);
        if (!parsed.Has("--aozora")) {
            WritePlanned(core::PlanSaveBytes(opened.document, std::move(text), request), typed);
            return 0;
        }
        core::MakeWindowShiftJis(text);
        AozoraCleaned cleaned = CleanAozoraText(text, {});
        std::string().swap(text);
        // An accented letter is written in a database as the geta policy says:
        // the editor's text decides, as in the window.
        if (!cleaned.accents.empty()) {
            WritePlanned(core::PlanSave(opened.document, AozoraEditorText(cleaned), request), typed);
            return 0;
        }
        WritePlanned(core::PlanSaveBytes(opened.document, std::move(cleaned.text), request), typed);
        return 0;
    }
    HeldText held = HeldOf(opened);
    opened = {};
    if (parsed.Has("--aozora"))
        held.text = CleanedEditorText(held, {});
    else
        request.bookmarks = std::move(held.bookmarks);
    WritePlanned(core::PlanSave(held.document, held.text, request), typed);
    return 0;
}

int RunToText(const Args& args) {
    const auto parsed = ParseArgs(args, {}, {}, 2, 2);
    if (PrintHelp(parsed, kToTextHelp)) return 0;
    const std::string& in = parsed.positional[0];
    OpenedText opened = OpenText(in, nullptr);
    // Only a database has a DOC text: a text file or an archive is refused.
    const core::DocKind kind = opened.document.Kind();
    if (kind != core::DocKind::Pdb && kind != core::DocKind::Prc)
        throw CliError(core::EnglishText({core::FailureCode::NotDoc, in}));
    const core::SaveRequest request = OutputRequest(parsed.positional[1], core::DocKind::Text);
    if (opened.IsShiftJis()) {
        WritePlanned(core::PlanSaveBytes(opened.document, std::move(opened.file.text), request), parsed.positional[1]);
        return 0;
    }
    const HeldText held = HeldOf(opened);
    WritePlanned(core::PlanSave(held.document, held.text, request), parsed.positional[1]);
    return 0;
}

int RunKanji(const Args& args) {
    const auto parsed = ParseArgs(args, {"--detect"}, {}, 1, 2);
    if (PrintHelp(parsed, kKanjiHelp)) return 0;
    if (parsed.Has("--detect") && parsed.positional.size() > 1) throw UsageError("--detect writes no OUT");
    // Read as every command reads its input; only the code is converted.
    core::OpenOptions options;
    options.textAsItIs = true;
    core::Result<core::OpenedFile> opened = core::Open(InputSource(parsed.positional[0]), options);
    if (!opened) throw CliError(core::EnglishText(opened.Fault()));
    if (parsed.Has("--detect")) {
        WriteOutput("-", std::to_string(opened->document.Code()) + "\n");
        return 0;
    }
    // Nothing is lost silently: what could not be carried over is named.
    const std::string report = ReplacementReport(opened->text, opened->replaced);
    const std::string& out = parsed.positional.size() > 1 ? parsed.positional[1] : "-";
    WritePlanned(BytesPlan(out, std::move(opened->text)), out);
    WriteTerminal(stderr, report);
    return 0;
}

}  // namespace verdane::cli
