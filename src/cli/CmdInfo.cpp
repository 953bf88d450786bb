// verdane-cli info: what a database holds, without opening it in the editor:
// its title, type and creator, its records, and for a DOC database the size of
// its text, its compression and its bookmarks with their offsets; for an EPUB
// book, its title, author and the chapters its text would be marked with.
#include "CliIo.h"
#include "Commands.h"
#include "DocConvert.h"
#include "DocFormatError.h"
#include "EditorCodec.h"
#include "EpubBook.h"
#include "FileIo.h"
#include "MemoryStream.h"
#include "PdbFile.h"
#include "Terminal.h"

#include <cstdio>
#include <string>
#include <vector>

namespace verdane::cli {

namespace {

constexpr const char* kInfoHelp =
    "Usage: verdane-cli info IN.pdb\n"
    "Prints what the Palm database IN.pdb (or .prc) holds: its title, type and\n"
    "creator, the number of records, and for a DOC database the size of its text,\n"
    "its compression and its bookmarks, each with the offset of its place in the\n"
    "text. For an EPUB book: its title, author, the size of its text and the\n"
    "chapters that become its bookmarks, each with its offset in the text.\n"
    "\"-\" names standard input. Names are printed in UTF-8.\n\n"
    "Options:\n"
    "  -h, --help      show this help\n\n"
    "Exit status: 0 on success, 1 when IN is missing, unreadable or not a Palm\n"
    "database, 2 on bad usage.\n";

// Shift-JIS bytes of a database as UTF-8 for the terminal, every control
// character shown as an escape so that a name cannot move the cursor.
std::string Shown(std::string_view shiftJis) {
    return OneLine(platform::BytesToEditor(shiftJis).toUtf8().toStdString());
}

std::string NameOf(const std::array<char, 32>& name) {
    std::size_t length = 0;
    while (length < name.size() && name[length] != '\0') ++length;
    return Shown(std::string_view(name.data(), length));
}

std::string FourBytes(const std::array<char, 4>& bytes) { return Shown(std::string_view(bytes.data(), 4)); }

// An EPUB book's title, author and chapters, as opening it gives them.
int PrintBook(const std::string& in, const std::string& bytes) {
    const core::Result<core::EpubBook> book = core::ReadEpub(bytes);
    if (!book) {
        core::Failure failure = book.Fault();
        if (failure.subject.empty()) failure.subject = in;
        throw CliError(core::EnglishText(failure));
    }
    std::printf("title:       %s\n", OneLine(book->title).c_str());
    std::printf("author:      %s\n", OneLine(book->author).c_str());
    std::printf("text:        %zu bytes of Shift-JIS\n", book->text.size());
    std::printf("chapters:    %zu\n", book->bookmarks.size());
    for (const DocBookmark& mark : book->bookmarks)
        std::printf("  %10u  %s\n", static_cast<unsigned>(mark.offset), Shown(mark.name).c_str());
    return 0;
}

}  // namespace

int RunInfo(const Args& args) {
    const ParsedArgs parsed = ParseArgs(args, {}, {}, 1, 1);
    if (parsed.help) {
        std::fputs(kInfoHelp, stdout);
        return 0;
    }
    const std::string& in = parsed.positional[0];
    std::string bytes;
    try {
        bytes = platform::ReadWholeFile(in == "-" ? "/dev/stdin" : in);
    } catch (const platform::EFileError& e) {
        throw CliError(e.what());
    }
    if (core::IsEpub(bytes)) return PrintBook(in, bytes);
    TMemoryStream stream(std::move(bytes));
    TDocHeader header;
    try {
        header.Read(stream);
    } catch (const EReadError&) {
        throw CliError(in + " is not a Palm database: it is only " + std::to_string(stream.Size()) + " bytes long");
    }
    std::printf("title:       %s\n", NameOf(header.Name).c_str());
    std::printf("type:        %s\n", FourBytes(header.DbType).c_str());
    std::printf("creator:     %s\n", FourBytes(header.Creator).c_str());
    std::printf("records:     %u\n", static_cast<unsigned>(header.NumRecords));
    if (!header.IsDoc()) {
        std::printf("(not a DOC database: no text to show)\n");
        return 0;
    }
    TDocRecord0 record0;
    try {
        // Record 0 is where the first entry of the record list points.
        TRecIndex first = TRecIndex::CreateFromStream(stream);
        stream.Seek(first.Offset);
        record0.Read(stream);
    } catch (const EReadError&) {
        throw CliError(in + " is a damaged DOC database: its record 0 is cut off");
    }
    std::vector<DocBookmark> bookmarks;
    TMemoryStream text;
    try {
        stream.Seek(0);
        if (DocToText(stream, text, true, &bookmarks) != kDocOk)
            throw CliError(in + " is not a DOC database");
    } catch (const EDocFormat& e) {
        throw CliError(in + " is a damaged DOC database: " + e.what());
    }
    const char* compression = record0.Compression == 2 ? "DOC compression (2)"
                              : record0.Compression == 1 ? "none (1)"
                                                        : "unknown, records stored as they are";
    std::printf("text:        %llu bytes in %u records of up to %u bytes\n",
                static_cast<unsigned long long>(text.Size()), static_cast<unsigned>(record0.RecordCount),
                static_cast<unsigned>(record0.RecordSize));
    std::printf("compression: %s\n", compression);
    std::printf("bookmarks:   %zu\n", bookmarks.size());
    for (const DocBookmark& mark : bookmarks)
        std::printf("  %10u  %s\n", static_cast<unsigned>(mark.offset), Shown(mark.name).c_str());
    return 0;
}

}  // namespace verdane::cli
