// verdane-cli html2text, match and gsub: HtmlToText and the pattern component
// without a window.
#include "CliIo.h"
#include "ShiftJisBytes.h"
#include "CliPlan.h"
#include "Cp932Table.h"
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
#include <unordered_map>

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
    "PATTERN is a regular expression in UTF-8, matched as characters: . [abc] [a-z]\n"
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
        awk.SetRegExp(pattern);
    } catch (const regex::ERegExpParser& e) {
        throw CliError("bad pattern (at byte " + std::to_string(e.Position()) + "): " + FaultText(e));
    }
}

// An opened text as the pattern engine reads it: Shift-JIS bytes with the
// text's own line ends (LF when it was read with LF, else CR LF). A text read
// in Unicode may hold characters Shift-JIS lacks, or that would not come back
// as themselves (〜 is written as CP932's ～): each such character is one of
// the user-defined codes (0xF040 on), its own, so that "." matches it, the
// same character in a pattern or replacement finds it, and it comes back as
// it was. The engine's results go back to editor text here, for the plan.
class EngineText {
public:
    EngineText(const core::OpenedFile& file, bool lf) : unicode_(file.code == kcUtf8), lf_(lf) {
        if (!unicode_) {
            bytes_ = file.text;
            if (lf_) {
                // The text's own LF line ends, from the CR LF of the opened text.
                std::size_t kept = 0;
                for (std::size_t i = 0; i < bytes_.size(); ++i)
                    if (!(bytes_[i] == '\r' && i + 1 < bytes_.size() && bytes_[i + 1] == '\n')) bytes_[kept++] = bytes_[i];
                bytes_.resize(kept);
            }
            return;
        }
        bytes_ = FromEditor(core::EditorTextOf(file));
    }

    std::string& Bytes() { return bytes_; }

    // A pattern or replacement typed in the terminal's UTF-8, in the engine's code.
    std::string Typed(const std::string& utf8) {
        return unicode_ ? FromEditor(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())))
                        : TerminalToCp932(utf8);
    }

    // Engine bytes back to editor text.
    QString ToEditor(std::string_view bytes) const {
        if (!unicode_ || marked_.empty()) return platform::BytesToEditor(bytes);
        QString text;
        std::size_t run = 0, at = 0;
        while (at < bytes.size()) {
            const std::size_t length = platform::CharacterLength(bytes, at);
            const int index = length == 2 ? MarkIndex(std::uint8_t(bytes[at]), std::uint8_t(bytes[at + 1])) : -1;
            if (index >= 0 && std::size_t(index) < marked_.size()) {
                text += platform::BytesToEditor(bytes.substr(run, at - run));
                const char32_t c = marked_[std::size_t(index)];
                text += QString::fromUcs4(&c, 1);
                run = at + length;
            }
            at += length;
        }
        return text + platform::BytesToEditor(bytes.substr(run));
    }

private:
    // The user-defined rows: lead bytes 0xF0-0xF9, trail bytes 0x40-0x7E and 0x80-0xFC.
    static constexpr int kTrails = 188;
    static int MarkIndex(std::uint8_t lead, std::uint8_t trail) {
        if (lead < 0xF0 || lead > 0xF9 || trail < 0x40 || trail == 0x7F || trail > 0xFC) return -1;
        return (lead - 0xF0) * kTrails + (trail < 0x7F ? trail - 0x40 : trail - 0x41);
    }

    // The character's own CP932 code when it comes back as itself, else -1.
    static int OwnCode(char32_t c) {
        const int code = cp932::Encode(c);
        if (code < 0 || code >= 0xF040) return -1;
        const std::uint16_t back = code < 0x100 ? cp932::DecodeSingle(std::uint8_t(code))
                                                : cp932::DecodeDouble(std::uint8_t(code >> 8), std::uint8_t(code));
        return back == c ? code : -1;
    }

    std::string FromEditor(const QString& text) {
        std::string out;
        out.reserve(std::size_t(text.size()) * 2);
        for (qsizetype i = 0; i < text.size(); ++i) {
            char32_t c = text[i].unicode();
            if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                c = QChar::surrogateToUcs4(text[i].unicode(), text[i + 1].unicode());
                ++i;
            }
            if (c == u'\n') {
                out += lf_ ? "\n" : "\r\n";
                continue;
            }
            int code = c < 0x80 ? int(c) : OwnCode(c);
            if (code < 0) code = Mark(c);
            if (code >= 0x100) out += char(code >> 8);
            out += char(code & 0xFF);
        }
        return out;
    }

    int Mark(char32_t c) {
        auto [it, added] = marks_.try_emplace(c, int(marked_.size()));
        if (added) {
            if (marked_.size() >= std::size_t(10 * kTrails))
                throw CliError("the text holds more than " + std::to_string(10 * kTrails) +
                               " different characters Shift-JIS lacks, more than a pattern can be matched against");
            marked_.push_back(c);
        }
        const int index = it->second;
        const int trail = index % kTrails;
        return (0xF0 + index / kTrails) * 256 + (trail < 0x3F ? trail + 0x40 : trail + 0x41);
    }

    bool unicode_;
    bool lf_;
    std::string bytes_;
    std::unordered_map<char32_t, int> marks_;
    std::vector<char32_t> marked_;
};

// IN opened as every command opens it, and its text for the engine.
core::OpenedFile OpenForPattern(const std::string& in) {
    core::Result<core::OpenedFile> opened = core::Open(InputSource(in));
    if (!opened) throw CliError(core::EnglishText(opened.Fault()));
    WriteTerminal(stderr, ReplacementReport(opened->text, opened->replaced));
    return std::move(*opened);
}

// The length of editor text in `form`, as the plan would write it.
std::size_t WrittenLength(const QString& text, const platform::FileForm& form, bool escapedBytes) {
    platform::FileTextOptions options;
    options.escapedBytes = escapedBytes;
    return platform::EncodeForFile(text, form, options).bytes.size();
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
            "in the text IN (up to its first NUL byte), or \"0 0\" when there is none. IN is\n"
            "read as the open command reads it (Shift-JIS, EUC-JP, JIS, UTF-8, UTF-16, a\n"
            "database's or an archive's text) and searched as its characters; start and\n"
            "length count the bytes of the text as gsub writes it back: IN's own for a\n"
            "Shift-JIS, EUC-JP or UTF-8 text with LF or CR LF line ends. \"-\" reads\n"
            "standard input.\n%s\n%s",
            kPatternSyntax, kPatternOptions);
        return 0;
    }
    TAWKStr awk;
    // A malformed pattern is refused before anything is read.
    ConfigurePattern(awk, parsed, TerminalToCp932(parsed.positional[0]));
    const core::OpenedFile file = OpenForPattern(parsed.positional[1]);
    const core::Document& document = file.document;
    EngineText engine(file, document.LineEndsRead() == core::LineEnds::Lf);
    ConfigurePattern(awk, parsed, engine.Typed(parsed.positional[0]));
    long long start = 0, length = 0;
    awk.Match(engine.Bytes(), start, length);
    if (start > 0) {
        // Counted in the bytes the text is written back in: its own.
        const std::string_view bytes = engine.Bytes();
        platform::FileForm form = document.SaveForm();
        const bool escaped = !document.ReadAsUnicode();
        const QString before = engine.ToEditor(bytes.substr(0, std::size_t(start - 1)));
        const QString matched = engine.ToEditor(bytes.substr(std::size_t(start - 1), std::size_t(length)));
        start = static_cast<long long>(WrittenLength(before, form, escaped)) + 1;
        form.byteOrderMark = false;
        length = static_cast<long long>(WrittenLength(matched, form, escaped));
    }
    std::printf("%lld %lld\n", start, length);
    return 0;
}

int RunGsub(const Args& args) {
    ParsedArgs parsed = ParseArgs(args, {"--fuzzy", "--lf"}, {}, 4, 4);
    if (parsed.help) {
        std::printf(
            "Usage: verdane-cli gsub [--fuzzy] [--lf] PATTERN REPLACEMENT IN OUT\n"
            "Replaces every match of PATTERN in the text IN and writes the text to OUT in\n"
            "IN's own code and line ends, as the save command writes it back (a JIS text\n"
            "as Shift-JIS, a UTF-16 one as UTF-8); prints the number of replacements on\n"
            "standard error, after what the write replaced. In REPLACEMENT (UTF-8) \"&\" and\n"
            "\"\\0\" are the matched text, \"\\1\" to \"\\9\" the text of the pattern's groups\n"
            "( ), numbered by their \"(\", \"\\&\" an ampersand, \"\\\\\" a backslash, and \\n \\r\n"
            "\\t \\b \\xHHHH name characters.\n"
            "\"-\" names standard input or output.\n%s\n%s",
            kPatternSyntax, kPatternOptions);
        return 0;
    }
    TAWKStr awk;
    ConfigurePattern(awk, parsed, TerminalToCp932(parsed.positional[0]));
    const core::OpenedFile file = OpenForPattern(parsed.positional[2]);
    EngineText engine(file, file.document.LineEndsRead() == core::LineEnds::Lf);
    ConfigurePattern(awk, parsed, engine.Typed(parsed.positional[0]));
    const std::string replacement = engine.Typed(parsed.positional[1]);
    long long count = 0;
    try {
        // GSub reads the replacement only when something matches; a malformed
        // one is refused here whatever the text holds.
        TAWKStr::ParseReplacement(replacement);
        count = awk.GSub(replacement, engine.Bytes());
    } catch (const regex::ERegExpParser& e) {
        throw CliError("bad replacement: " + FaultText(e));
    }
    // Written back in the text's own code and line ends, through the plan.
    WriteHeldText({file.document, engine.ToEditor(engine.Bytes())}, parsed.positional[3]);
    std::fprintf(stderr, "%lld\n", count);
    return 0;
}

}  // namespace verdane::cli
