// verdane-cli aozora: an Aozora Bunko work (its .zip, or its text) to a clean
// Shift-JIS text, as the Edit command that tidies Aozora's notation makes it.
// Also the archive reading that to-doc and install share with it.
#include "AozoraNotation.h"
#include "CliIo.h"
#include "KanjiCode.h"
#include "Open.h"
#include "Commands.h"
#include "ReadText.h"
#include "ZipArchive.h"

#include <cstdio>
#include <optional>

namespace verdane::cli {

namespace {

constexpr const char* kAozoraHelp =
    "Usage: verdane-cli aozora [--ruby paren|drop] [--bookmarks MARK] [--entry NAME] IN|URL OUT\n"
    "Turns an Aozora Bunko work into plain text a DOC reader shows well: the notes\n"
    "block at the top and the annotations [#...] go, readings stay in parentheses\n"
    "after their words (or go), described characters become the characters,\n"
    "indentation becomes ideographic spaces, kunten stay in the text and warichu\n"
    "go in parentheses; the colophon stays.\n"
    "IN is the work's .zip archive or its text in any code the open command reads,\n"
    "or the http:// or https:// URL of either (downloaded through the proxy of\n"
    "the editor's settings);\n"
    "OUT is written in Shift-JIS with CR LF line ends. \"-\" names standard input or\n"
    "output. Characters Shift-JIS cannot hold become \"?\", and letters written in\n"
    "accent notation their base letters (e' gives e); standard error then names\n"
    "each with its line and code point.\n\n"
    "Options:\n"
    "  --ruby paren    keep each reading in full-width parentheses after its word\n"
    "                  (the default)\n"
    "  --ruby drop     drop the readings\n"
    "  --bookmarks MARK  start every heading's line with MARK (for example \"(BM)\"),\n"
    "                  and end the text with the line <MARK>, so the handheld's\n"
    "                  reader lists the chapters\n"
    "  --entry NAME    the text to read from an archive that holds several\n"
    "  -h, --help      show this help\n\n"
    "Exit status: 0 on success, 1 when IN cannot be read (an archive that is\n"
    "damaged, encrypted, holds no text or several) or OUT cannot be written, 2 on\n"
    "bad usage.\n";

}  // namespace

core::OpenedFile OpenedText(core::Source source, const std::string& in, const std::string* entry) {
    core::OpenOptions options;
    if (entry) options.entry = *entry;
    core::Result<core::OpenedFile> opened = core::Open(std::move(source), options);
    if (!opened) {
        const core::Failure& failure = opened.Fault();
        if (failure.code == core::FailureCode::ArchiveSeveral)
            throw CliError(in + " holds several texts (" + failure.detail + "); choose one with --entry NAME");
        if (failure.code == core::FailureCode::NotArchive)
            throw CliError(in + " is not a .zip archive, so --entry cannot choose a text in it");
        throw CliError(core::EnglishText(failure));
    }
    core::OpenedFile& file = *opened;
    // The editor writes Shift-JIS: what it cannot hold is named, never lost unseen.
    std::string report = ReplacementReport(file.text, file.replaced);
    if (file.code == kcUtf8) {
        std::vector<KanjiReplacement> replaced;
        std::string text = Utf8ToCp932(file.text, &replaced);
        report += ReplacementReport(file.text, replaced);
        file.text = std::move(text);
    }
    std::fputs(report.c_str(), stderr);
    return std::move(file);
}

core::OpenedFile OpenedText(const std::string& in, const std::string* entry) {
    if (in == "-") return OpenedText(core::Source::Bytes(ReadInput(in), QStringLiteral("-")), in, entry);
    return OpenedText(core::Source::File(QString::fromLocal8Bit(in)), in, entry);
}

std::string CleanAozoraReported(std::string_view text, const AozoraOptions& options) {
    AozoraCleaned cleaned = CleanAozoraText(text, options);
    // Accented letters are written as their base letters: named like every
    // character Shift-JIS cannot hold.
    std::fputs(ReplacementReport(cleaned.text, cleaned.accents).c_str(), stderr);
    return std::move(cleaned.text);
}

std::string ReadTextOrArchive(const std::string& in, const std::string* entry) {
    return OpenedText(in, entry).text;
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
    const auto parsed = ParseArgs(args, {}, {"--ruby", "--bookmarks", "--entry"}, 2, 2);
    if (parsed.help) {
        std::fputs(kAozoraHelp, stdout);
        return 0;
    }
    const AozoraOptions options = AozoraOptionsOf(parsed);
    const std::string& in = parsed.positional[0];
    const std::string text = IsUrl(in) ? TextOfUrl(in, parsed.Value("--entry"))
                                       : ReadTextOrArchive(in, parsed.Value("--entry"));
    WriteOutput(parsed.positional[1], CleanAozoraReported(text, options));
    return 0;
}

}  // namespace verdane::cli
