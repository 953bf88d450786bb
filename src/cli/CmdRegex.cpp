// verdane-cli html2text, match and gsub: HtmlToText and the pattern component
// without a window.
#include "CliIo.h"
#include "ShiftJisBytes.h"
#include "CliPlan.h"
#include "EditorCodec.h"
#include "HtmlText.h"
#include "ReadText.h"
#include "Commands.h"
#include "ERegExpParser.h"
#include "HtmlToText.h"
#include "TAWKStr.h"
#include "Terminal.h"
#include "TextBytes.h"

#include <cstdio>

namespace verdane::cli {

namespace {

using regex::TAWKStr;

constexpr const char* kPatternOptions =
    "Options:\n"
    "  --fuzzy   search without regard to the difference between full-width and\n"
    "            half-width letters, digits and signs, between hiragana and katakana\n"
    "            (full-width or half-width), and between a voiced kana and the same kana\n"
    "            written with a separate voicing mark (so \"ガ\" also finds \"が\", \"ｶﾞ\" and\n"
    "            \"か゛\"); it also folds letter case, and digits with kanji, circled and\n"
    "            roman numerals (\"第3章\" finds \"第三章\" and \"第３章\"); characters inside\n"
    "            [...] are taken as written\n"
    "  --lf      lines end in LF: \"$\" matches before an LF instead of before a CR\n"
    "            (\"^\" always matches at the start and after every LF)\n"
    "  -h, --help  show this help\n";

constexpr const char* kPatternSyntax =
    "PATTERN is a regular expression in UTF-8, converted to Shift-JIS: . [abc] [a-z]\n"
    "[^a] ( ) | * + ? ^ $ and the escapes \\n \\r \\t \\b \\xHHHH \\ooo; the first match\n"
    "is the leftmost one, and the longest there.\n";

// A pattern's fault in English: the engine's own messages are the window's
// Japanese ones.
std::string FaultText(const regex::ERegExpParser& e) {
    using regex::RegExpFault;
    switch (e.Fault()) {
    case RegExpFault::BadDoubleByte: return "an invalid double-byte character code";
    case RegExpFault::TrailingBackslash: return "\"\\\" must be followed by a character";
    case RegExpFault::BadHex: return "an invalid hexadecimal code (write \\xHHHH)";
    case RegExpFault::BadOctal: return "an invalid octal code (write \\ooo, at most \\177777)";
    case RegExpFault::NeedRBracket: return "a right bracket \"]\" is needed";
    case RegExpFault::BadRange: return "an invalid character range";
    case RegExpFault::ExtraChars: return "extra characters after the pattern";
    case RegExpFault::NeedRPar: return "a right (closing) parenthesis is needed";
    case RegExpFault::NeedCharOrLPar: return "an ordinary character or a left parenthesis \"(\" is needed";
    case RegExpFault::EmptyClass: return "an invalid character class";
    case RegExpFault::TooDeep: return "parentheses nested too deeply (at most 500 levels)";
    case RegExpFault::TooComplex: return "the pattern is too complex (its automaton would pass the size limit)";
    case RegExpFault::Other: break;
    }
    return "an invalid pattern";
}

void ConfigurePattern(TAWKStr& awk, const ParsedArgs& parsed, const std::string& pattern) {
    if (parsed.Has("--lf")) awk.LineSeparator = regex::mcls_LF;
    try {
        awk.SetUseFuzzyCharDic(parsed.Has("--fuzzy"));
        awk.SetRegExp(TerminalToCp932(pattern));
    } catch (const regex::ERegExpParser& e) {
        throw CliError("bad pattern (at byte " + std::to_string(e.Position()) + "): " + FaultText(e));
    }
}

}  // namespace

QString HtmlEditorText(const HeldText& held) {
    TAWKStr awk;
    // One report names every character replaced, of the text or of a reference.
    const core::WritePlan plan = core::PlanHtmlToText(awk, held.document, held.text);
    WriteTerminal(stderr, PlanReport(plan));
    return platform::BytesToEditor(plan.text);
}

int RunHtml2Text(const Args& args) {
    ParsedArgs parsed = ParseArgs(args, {}, {}, 2, 2);
    if (parsed.help) {
        std::printf(
            "Usage: verdane-cli html2text IN OUT\n"
            "Reads the HTML file IN as the open command does (converted to Shift-JIS,\n"
            "CR LF line ends) and writes to OUT the plain text the HTML command makes of\n"
            "it, as a text browser's dump reads the page: comments, tags and the contents\n"
            "of script, style and head removed, a line per block, list items after \"\xE3\x83\xBB\",\n"
            "images as their [alternative text], every named, decimal and hexadecimal\n"
            "reference decoded, lines trimmed, blank runs collapsed. Of the characters\n"
            "Shift-JIS cannot hold, a no-break space becomes a space, an accented letter\n"
            "its base letter and any other \"?\"; standard error then names each with its\n"
            "line and code point. \"-\" names standard input or output.\n\n"
            "Options:\n"
            "  -h, --help  show this help\n");
        return 0;
    }
    OpenedText opened = OpenText(parsed.positional[0], nullptr);
    if (opened.IsShiftJis()) {
        // A Shift-JIS page stays bytes: the page, its text, and the pattern
        // engine's work between them.
        std::string html = std::move(opened.file.text);
        opened = {};
        core::MakeWindowShiftJis(html);
        TAWKStr awk;
        std::vector<KanjiReplacement> replaced;
        std::string text = core::HtmlPageToText(awk, html, {}, &replaced);
        WriteTerminal(stderr, ReplacementReport(html, replaced));
        std::string().swap(html);
        WriteNewShiftJis(std::move(text), parsed.positional[1]);
        return 0;
    }
    WriteNewText(HtmlEditorText(HeldOf(opened)), parsed.positional[1]);
    return 0;
}

int RunMatch(const Args& args) {
    ParsedArgs parsed = ParseArgs(args, {"--fuzzy", "--lf"}, {}, 2, 2);
    if (parsed.help) {
        std::printf(
            "Usage: verdane-cli match [--fuzzy] [--lf] PATTERN IN\n"
            "Prints the 1-based start and the length in bytes of the first match of PATTERN\n"
            "in the file IN (read as raw bytes, up to its first NUL byte), or \"0 0\" when\n"
            "there is none. \"-\" reads standard input.\n%s\n%s",
            kPatternSyntax, kPatternOptions);
        return 0;
    }
    TAWKStr awk;
    ConfigurePattern(awk, parsed, parsed.positional[0]);
    std::string text = ReadInput(parsed.positional[1]);
    long long start = 0, length = 0;
    awk.Match(text, start, length);
    std::printf("%lld %lld\n", start, length);
    return 0;
}

int RunGsub(const Args& args) {
    ParsedArgs parsed = ParseArgs(args, {"--fuzzy", "--lf"}, {}, 4, 4);
    if (parsed.help) {
        std::printf(
            "Usage: verdane-cli gsub [--fuzzy] [--lf] PATTERN REPLACEMENT IN OUT\n"
            "Replaces every match of PATTERN in the file IN (raw bytes) and writes the text\n"
            "to OUT; prints the number of replacements on standard error. In REPLACEMENT\n"
            "(UTF-8, converted to Shift-JIS) \"&\" and \"\\0\" are the matched text, \"\\1\" to\n"
            "\"\\9\" the text of the pattern's groups ( ), numbered by their \"(\", \"\\&\" an\n"
            "ampersand, \"\\\\\" a backslash, and \\n \\r \\t \\b \\xHHHH name characters.\n"
            "\"-\" names standard input or output.\n%s\n%s",
            kPatternSyntax, kPatternOptions);
        return 0;
    }
    TAWKStr awk;
    ConfigurePattern(awk, parsed, parsed.positional[0]);
    const std::string replacement = TerminalToCp932(parsed.positional[1]);
    std::string text = ReadInput(parsed.positional[2]);
    long long count = 0;
    try {
        // GSub reads the replacement only when something matches; a malformed
        // one is refused here whatever the text holds.
        TAWKStr::ParseReplacement(replacement);
        count = awk.GSub(replacement, text);
    } catch (const regex::ERegExpParser& e) {
        throw CliError("bad replacement: " + FaultText(e));
    }
    WriteOutput(parsed.positional[3], text);
    std::fprintf(stderr, "%lld\n", count);
    return 0;
}

}  // namespace verdane::cli
