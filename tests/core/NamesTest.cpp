// The rules of names and the document's identity: what the caption shows, what
// the save dialog proposes, which names an install takes.
#include "Document.h"
#include "Names.h"

#include <gtest/gtest.h>

namespace verdane::core {
namespace {

TEST(Names, TheKindComesFromTheExtensionInAnyCase) {
    const struct {
        const char* path;
        DocKind kind;
    } cases[] = {
        {"/a/book.pdb", DocKind::Pdb}, {"/a/BOOK.PRC", DocKind::Prc}, {"/a/b.Pdb", DocKind::Pdb},
        {"/a/b.txt", DocKind::Text},   {"/a/b.html", DocKind::Text},  {"/a/b", DocKind::Text},
        {"/a.pdb/b", DocKind::Text},   {"/a/.pdb", DocKind::Text},    {"/a/本.pdb", DocKind::Pdb},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KindOfPath(std::string_view(c.path)), c.kind) << c.path;
        EXPECT_EQ(KindOfPath(QString::fromUtf8(c.path)), c.kind) << c.path;
    }
}

TEST(Names, TheChosenKindReplacesATypedExtension) {
    const struct {
        const char* typed;
        DocKind kind;
        const char* written;
        const char* current = "";
    } cases[] = {
        {"/d/book.txt", DocKind::Pdb, "/d/book.PDB"}, {"/d/book", DocKind::Text, "/d/book.TXT"},
        {"/d/book.PDB", DocKind::Prc, "/d/book.PRC"}, {"/d.x/book", DocKind::Prc, "/d.x/book.PRC"},
        {"/d/.profile", DocKind::Text, "/d/.profile.TXT"}, {"/d/a.b.c", DocKind::Text, "/d/a.b.TXT"},
        {"/d/page", DocKind::Page, "/d/page.TXT"},
        // An extension that names the kind keeps its case.
        {"/d/book.txt", DocKind::Text, "/d/book.txt"}, {"/d/book.Pdb", DocKind::Pdb, "/d/book.Pdb"},
        // The open document's own name, chosen without extension, is that file again.
        {"/d/sample", DocKind::Text, "/d/sample.txt", "/d/sample.txt"},
        {"/d/sample", DocKind::Pdb, "/d/sample.pdb", "/d/sample.pdb"},
        {"/d/sample", DocKind::Prc, "/d/sample.PRC", "/d/sample.txt"},
        {"/d/Sample", DocKind::Text, "/d/Sample.TXT", "/d/sample.txt"},
        {"/e/sample", DocKind::Text, "/e/sample.TXT", "/d/sample.txt"},
        {"/d/sample.txt", DocKind::Prc, "/d/sample.PRC", "/d/sample.txt"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WithKindExtension(QString::fromUtf8(c.typed), c.kind, QString::fromUtf8(c.current)),
                  QString::fromUtf8(c.written))
            << c.typed << " " << c.current;
}

TEST(Names, InstallNamesTakeNoFolderNoExtensionAndAreNotEmpty) {
    const struct {
        const char* name;
        InstallNameFault fault;
    } cases[] = {
        {"MEMO", InstallNameFault::None},        {"山田の本", InstallNameFault::None},
        {"ab.c", InstallNameFault::HasExtension}, {"a\\b", InstallNameFault::HasPath},
        {"a/b", InstallNameFault::HasPath},       {"a.b/c", InstallNameFault::HasPath},
        {"", InstallNameFault::Empty},            {".", InstallNameFault::HasExtension},
        // "ソ" is 0x83 0x5C in Shift-JIS: its second byte is never a "\".
        {"ソース", InstallNameFault::None},
    };
    for (const auto& c : cases) EXPECT_EQ(CheckInstallName(QString::fromUtf8(c.name)), c.fault) << c.name;
    EXPECT_EQ(InstallFileName(QStringLiteral("MEMO"), true), QStringLiteral("MEMO.PRC"));
    EXPECT_EQ(ProposedInstallName(QStringLiteral("MEMO.TXT - Verdane Ver1.22")), QStringLiteral("MEMO"));
}

TEST(Names, APageIsNamedAfterTheLastSegmentOfItsPath) {
    const struct {
        const char* url;
        const char* name;
    } cases[] = {
        {"http://example.org/books/story.html", "story.html"},
        {"http://example.org/books/story.html?page=2#top", "story.html"},
        {"http://example.org/", "example.org"},
        {"https://example.org", "example.org"},
        {"http://example.org/%E6%9C%AC.html", "本.html"},
        {"http://example.org/a%2Fb", "a_b"},
        {"not a url", "not a url"},
        {"", "page"},
    };
    for (const auto& c : cases) EXPECT_EQ(PageFileName(QString::fromUtf8(c.url)), QString::fromUtf8(c.name)) << c.url;
}

TEST(Document, CaptionAndSaveProposalFollowWhatTheDocumentIs) {
    Document fresh;
    EXPECT_EQ(fresh.Caption(), QStringLiteral("NewFile - Verdane Ver1.22"));
    EXPECT_EQ(fresh.SaveProposal(QStringLiteral("/home/u/")), QString());

    const Document file = Document::ReadFrom(QStringLiteral("/home/u/memo.txt"), DocKind::Text, {}, 5, LineEnds::CrLf);
    EXPECT_EQ(file.Caption(), QStringLiteral("memo.txt - Verdane Ver1.22"));
    EXPECT_EQ(file.SaveProposal(QStringLiteral("/elsewhere/")), QStringLiteral("/home/u/memo"));
    EXPECT_EQ(file.SaveFilterIndex(), 2);  // a text is offered as a PRC database

    const Document database = file.SavedAs(QStringLiteral("/home/u/book.pdb"), DocKind::Pdb, 5, LineEnds::CrLf, {});
    EXPECT_EQ(database.SaveFilterIndex(), 3);

    // A page fetched after a file was open: never that file's name.
    const Document page = Document::Fetched(QStringLiteral("http://example.org/books/story.html"), {}, 5);
    EXPECT_EQ(page.Caption(), QStringLiteral("story.html - Verdane Ver1.22"));
    EXPECT_EQ(page.SaveProposal(QStringLiteral("/home/u/")), QStringLiteral("/home/u/story"));
}

TEST(Document, LineEndsAreToldApart) {
    EXPECT_EQ(LineEndsOf("a\r\nb\r\n"), LineEnds::CrLf);
    EXPECT_EQ(LineEndsOf("a\nb"), LineEnds::Lf);
    EXPECT_EQ(LineEndsOf("a\rb\r"), LineEnds::Cr);
    EXPECT_EQ(LineEndsOf("a\r\nb\n"), LineEnds::Mixed);
    EXPECT_EQ(LineEndsOf("ab"), LineEnds::None);
    EXPECT_EQ(LineEndsOf("a\r"), LineEnds::Cr);
}

TEST(Document, ATitleIsTheFirst31BytesUpToTheFirstZero) {
    EXPECT_EQ(DocTitleText(DocTitleOf(std::string(40, 'A'))), std::string(31, 'A'));
    EXPECT_EQ(DocTitleText(DocTitleOf(std::string("Book\0rest", 9))), "Book");
    EXPECT_EQ(DocTitleText(DocTitleOf("")), "");
}

}  // namespace
}  // namespace verdane::core
