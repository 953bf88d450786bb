// EPUB books made by the tests with Python's zipfile: a Japanese EPUB 3 with
// ruby, vertical writing and a nav; an EPUB 2 with an NCX whose chapter is in
// Shift_JIS; and hostile books, each refused with its reason. Expected texts
// are written in UTF-8 here and made Shift-JIS by iconv.
#include "EpubBook.h"
#include "Open.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using verdane::AozoraRuby;
using verdane::core::FailureCode;
using verdane::core::ReadEpub;
using verdane::test::ReadFile;
using verdane::test::RunProcess;
using verdane::test::TempDir;
using verdane::test::WriteFile;
using Entries = std::vector<std::pair<std::string, std::string>>;

std::string Sjis(const std::string& utf8) {
    const auto result = RunProcess("/usr/bin/iconv", {"-f", "UTF-8", "-t", "CP932"}, utf8);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return result.out;
}

// The book's bytes: "mimetype" first and stored, unless `entries` names it;
// `patch` is Python run on the archive's bytearray `b` with claim(name, size)
// setting the size an entry's headers give.
std::string MakeEpub(Entries entries, const std::string& patch = {}) {
    TempDir dir;
    bool typed = false;
    for (const auto& entry : entries) typed = typed || entry.first == "mimetype";
    if (!typed) entries.insert(entries.begin(), {"mimetype", "application/epub+zip"});
    std::vector<std::string> args = {"-c",
                                     "import sys, zipfile, struct\n"
                                     "z = zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED)\n"
                                     "a = sys.argv[3:]\n"
                                     "for i in range(0, len(a), 2):\n"
                                     "    z.writestr(a[i], open(a[i + 1], 'rb').read(),\n"
                                     "              zipfile.ZIP_STORED if a[i] == 'mimetype' else zipfile.ZIP_DEFLATED)\n"
                                     "z.close()\n"
                                     "b = bytearray(open(sys.argv[1], 'rb').read())\n"
                                     "def claim(name, size):\n"
                                     "    n = name.encode()\n"
                                     "    for sig, at in ((b'PK\\x03\\x04', 22), (b'PK\\x01\\x02', 24)):\n"
                                     "        k = b.find(sig + b'', 0)\n"
                                     "        while k >= 0:\n"
                                     "            o = 30 if at == 22 else 46\n"
                                     "            ln = struct.unpack_from('<H', b, k + (26 if at == 22 else 28))[0]\n"
                                     "            if b[k + o:k + o + ln] == n: struct.pack_into('<I', b, k + at, size)\n"
                                     "            k = b.find(sig, k + 4)\n"
                                     "exec(sys.argv[2])\n"
                                     "open(sys.argv[1], 'wb').write(b)\n",
                                     dir.File("book.epub"), patch};
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string source = dir.File("entry" + std::to_string(i));
        WriteFile(source, entries[i].second);
        args.push_back(entries[i].first);
        args.push_back(source);
    }
    const auto made = RunProcess("/usr/bin/python3", args);
    EXPECT_EQ(made.exitCode, 0) << made.err;
    return ReadFile(dir.File("book.epub"));
}

const std::string kContainer =
    R"(<?xml version="1.0"?><container version="1.0" xmlns="urn:oasis:names:tc:opendocument:xmlns:container">)"
    R"(<rootfiles><rootfile full-path="OEBPS/content.opf" media-type="application/oebps-package+xml"/></rootfiles></container>)";

std::string Package(const std::string& manifest, const std::string& spine, const std::string& metadata = {}) {
    return R"(<?xml version="1.0" encoding="UTF-8"?><package xmlns="http://www.idpf.org/2007/opf" version="3.0">)"
           R"(<metadata xmlns:dc="http://purl.org/dc/elements/1.1/">)" + metadata + "</metadata><manifest>" + manifest +
           "</manifest><spine>" + spine + "</spine></package>";
}

std::string Xhtml(const std::string& body, const std::string& head = "<title>t</title>") {
    return R"(<?xml version="1.0" encoding="UTF-8"?><!DOCTYPE html><html xmlns="http://www.w3.org/1999/xhtml" )"
           R"(xmlns:epub="http://www.idpf.org/2007/ops" xml:lang="ja"><head>)" + head + "</head><body>" + body +
           "</body></html>";
}

// The Japanese EPUB 3: vertical writing, ruby, a gaiji image, an image, a
// nav with a nested entry, and notes outside the linear reading order.
Entries JapaneseBook() {
    const std::string item = R"(" media-type="application/xhtml+xml"/>)";
    return {{"META-INF/container.xml", kContainer},
            {"OEBPS/content.opf",
             Package(R"(<item id="nav" href="nav.xhtml" properties="nav)" + item + R"(<item id="c1" href="text/ch1.xhtml)" +
                         item + R"(<item id="c2" href="text/ch%202.xhtml)" + item + R"(<item id="n" href="text/notes.xhtml)" +
                         item,
                     R"(<itemref idref="n" linear="no"/><itemref idref="c1"/><itemref idref="c2"/>)",
                     R"(<dc:title>吾輩は猫である</dc:title><dc:creator id="a">夏目漱石</dc:creator>)"
                     R"(<meta refines="#a" property="role">aut</meta><dc:creator id="i">挿絵画家</dc:creator>)"
                     R"(<meta refines="#i" property="role">ill</meta>)")},
            {"OEBPS/nav.xhtml",
             Xhtml(R"(<nav epub:type="landmarks"><ol><li><a href="text/notes.xhtml">目印</a></li></ol></nav>)"
                   R"(<nav epub:type="toc"><h1>目次</h1><ol><li><a href="text/ch1.xhtml">一</a></li>)"
                   R"(<li><a href="text/ch1.xhtml#s2"><span>二節</span>目</a></li><li><a href="text/ch%202.xhtml">二)"
                   R"(</a><ol><li><a href="text/ch%202.xhtml#deep">細目</a></li></ol></li>)"
                   R"(<li><a href="text/notes.xhtml">注</a></li><li><a href="http://example.com/">外</a></li></ol></nav>)")},
            {"OEBPS/text/ch1.xhtml",
             Xhtml(R"(<h1>一</h1><p>　<ruby>吾輩<rp>（</rp><rt>わがはい</rt><rp>）</rp></ruby>は猫である。)"
                   R"(名前はまだ&#28961;い。</p><p>　生れて<span class="tcy">12</span>年。<img class="gaiji" )"
                   R"x(src="g.png" alt="※(「てへん＋劣」、第3水準1-84-77)"/>と<img src="cat.png" alt="猫の絵"/>)x"
                   R"(<img src="x.png" alt=""/>。</p>)"
                   "\n<p id=\"s2\">\n\t\u3000二節目。<ruby><rb>漢</rb><rt>かん</rt><rb>字</rb><rt>じ</rt></ruby>。</p>",
                   "<title>一</title><style>html { writing-mode: vertical-rl; }</style>")},
            {"OEBPS/text/ch 2.xhtml", Xhtml(R"(<h1>二</h1><p>猫<a id="deep"/>　細目です。</p><p>é&amp;&lt;</p>)")},
            {"OEBPS/text/notes.xhtml", Xhtml("<p>注釈。</p>")}};
}

struct Mark {
    std::string name;  // UTF-8
    std::string at;    // the text that starts there (UTF-8)
};

void ExpectMarks(const verdane::core::EpubBook& book, const std::vector<Mark>& marks) {
    ASSERT_EQ(book.bookmarks.size(), marks.size());
    for (std::size_t k = 0; k < marks.size(); ++k) {
        EXPECT_EQ(book.bookmarks[k].name, Sjis(marks[k].name)) << k;
        const std::string at = Sjis(marks[k].at);
        EXPECT_EQ(book.text.substr(book.bookmarks[k].offset, at.size()), at) << k;
    }
}

TEST(EpubBook, JapaneseEpub3GivesTextRubyAndChapters) {
    const std::string bytes = MakeEpub(JapaneseBook());
    ASSERT_TRUE(verdane::core::IsEpub(bytes));
    const auto book = ReadEpub(bytes);
    ASSERT_TRUE(book) << book.Reason();
    EXPECT_EQ(book->title, "吾輩は猫である");
    EXPECT_EQ(book->author, "夏目漱石");
    const std::string chapter1 =
        "一\r\n\r\n　吾輩（わがはい）は猫である。名前はまだ無い。\r\n\r\n"
        "　生れて12年。※（「てへん＋劣」、第3水準1-84-77）と猫の絵。\r\n\r\n　二節目。漢（かん）字（じ）。\r\n\r\n";
    EXPECT_EQ(book->text, Sjis("吾輩は猫である\r\n夏目漱石\r\n\r\n" + chapter1 +
                               "二\r\n\r\n猫　細目です。\r\n\r\ne&<\r\n\r\n注釈。\r\n"));
    ExpectMarks(*book, {{"一", "一\r\n"}, {"二節目", "　二節目"}, {"二", "二\r\n"}, {"細目", "　細目"}, {"注", "注釈"}});
    // é is no Shift-JIS character: written as its base letter, named at its place.
    ASSERT_EQ(book->replaced.size(), 1u);
    EXPECT_EQ(book->replaced[0].codePoint, U'é');
    EXPECT_EQ(book->text.substr(book->replaced[0].offset, 3), "e&<");

    verdane::core::EpubOptions drop;
    drop.ruby = AozoraRuby::Drop;
    const auto dropped = ReadEpub(bytes, drop);
    ASSERT_TRUE(dropped) << dropped.Reason();
    EXPECT_NE(dropped->text.find(Sjis("　吾輩は猫である。")), std::string::npos);
    EXPECT_NE(dropped->text.find(Sjis("二節目。漢字。")), std::string::npos);
    EXPECT_EQ(dropped->bookmarks.size(), 5u);
}

TEST(EpubBook, Epub2WithNcxAndAShiftJisChapter) {
    const std::string ncx =
        R"(<?xml version="1.0" encoding="UTF-8"?><!DOCTYPE ncx PUBLIC "-//NISO//DTD ncx 2005-1//EN" )"
        R"("http://www.daisy.org/z3986/2005/ncx-2005-1.dtd"><ncx xmlns="http://www.daisy.org/z3986/2005/ncx/" )"
        R"(version="2005-1"><navMap><navPoint id="p1"><navLabel><text>第一章</text></navLabel><content src="a.html"/>)"
        R"(<navPoint id="p2"><navLabel><text> 小見出し </text></navLabel><content src="a.html#sub"/></navPoint></navPoint>)"
        R"(<navPoint id="p3"><navLabel><text>第二章</text></navLabel><content src="b.html"/></navPoint></navMap></ncx>)";
    const std::string opf =
        R"(<?xml version="1.0"?><package xmlns="http://www.idpf.org/2007/opf" version="2.0"><metadata )"
        R"(xmlns:dc="http://purl.org/dc/elements/1.1/" xmlns:opf="http://www.idpf.org/2007/opf"><dc:title>本</dc:title>)"
        R"(<dc:creator opf:role="aut">著者</dc:creator></metadata><manifest><item id="ncx" href="toc.ncx" )"
        R"(media-type="application/x-dtbncx+xml"/><item id="a" href="a.html" media-type="application/xhtml+xml"/>)"
        R"(<item id="b" href="b.html" media-type="application/xhtml+xml"/><item id="c" href="cover.jpg" )"
        R"(media-type="image/jpeg"/></manifest><spine toc="ncx"><itemref idref="c"/><itemref idref="a"/>)"
        R"(<itemref idref="b"/></spine></package>)";
    const std::string b = Sjis(R"(<?xml version="1.0" encoding="Shift_JIS"?><html><body><p>二章の本文。</p></body></html>)");
    // No "mimetype": the container alone makes it a book.
    const std::string bytes = MakeEpub({{"META-INF/container.xml", kContainer}, {"OEBPS/content.opf", opf},
                                        {"OEBPS/toc.ncx", ncx}, {"OEBPS/cover.jpg", "\xFF\xD8"},
                                        {"OEBPS/a.html", Xhtml("<h2>第一章</h2><p>本文。</p><h3 id=\"sub\">小見出し</h3>")},
                                        {"OEBPS/b.html", b}, {"mimetype", ""}});
    ASSERT_TRUE(verdane::core::IsEpub(bytes));
    const auto book = ReadEpub(bytes);
    ASSERT_TRUE(book) << book.Reason();
    EXPECT_EQ(book->text, Sjis("本\r\n著者\r\n\r\n第一章\r\n\r\n本文。\r\n\r\n小見出し\r\n\r\n二章の本文。\r\n"));
    ExpectMarks(*book, {{"第一章", "第一章"}, {"小見出し", "小見出し"}, {"第二章", "二章の"}});
}

struct Hostile {
    const char* what;
    Entries entries;
    std::string patch;
    FailureCode code;
};

std::string SimpleOpf(const std::string& href) {
    return Package(R"(<item id="a" href=")" + href + R"(" media-type="application/xhtml+xml"/>)", R"(<itemref idref="a"/>)");
}

TEST(EpubBook, LockedAndHostileBooksAreRefusedWithTheirReason) {
    const std::string chapter = Xhtml("<p>text</p>");
    const Entries good = {{"META-INF/container.xml", kContainer}, {"OEBPS/content.opf", SimpleOpf("a.xhtml")},
                          {"OEBPS/a.xhtml", chapter}};
    auto with = [&](Entries more) {
        Entries all = good;
        for (auto& e : more) {
            std::erase_if(all, [&](const auto& g) { return g.first == e.first; });
            all.push_back(std::move(e));
        }
        return all;
    };
    const std::string enc = R"(<encryption xmlns="urn:oasis:names:tc:opendocument:xmlns:container" )"
                            R"(xmlns:enc="http://www.w3.org/2001/04/xmlenc#"><enc:EncryptedData><enc:EncryptionMethod )"
                            R"(Algorithm="@A"/><enc:CipherData><enc:CipherReference URI="@U"/></enc:CipherData>)"
                            R"(</enc:EncryptedData></encryption>)";
    auto encryption = [&](const std::string& algorithm, const std::string& uri) {
        std::string xml = enc;
        xml.replace(xml.find("@A"), 2, algorithm);
        xml.replace(xml.find("@U"), 2, uri);
        return xml;
    };
    std::string spine, manifest = R"(<item id="a" href="a.xhtml" media-type="application/xhtml+xml"/>)";
    for (int i = 0; i < 1000000; ++i) spine += R"(<itemref idref="a"/>)";
    const std::string bomb = R"(<?xml version="1.0"?><!DOCTYPE p [<!ENTITY a "aaaaaaaaaa">)"
                             R"(<!ENTITY b "&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;"><!ENTITY c "&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;">]>)"
                             R"(<package xmlns="http://www.idpf.org/2007/opf"><metadata><title>&c;</title></metadata></package>)";
    const std::vector<Hostile> cases = {
        {"encrypted chapter", with({{"META-INF/encryption.xml", encryption("http://www.w3.org/2001/04/xmlenc#aes128-cbc", "OEBPS/a.xhtml")}}), "", FailureCode::EpubEncrypted},
        {"rights file", with({{"META-INF/rights.xml", "<rights/>"}}), "", FailureCode::EpubEncrypted},
        {"outside", with({{"OEBPS/content.opf", SimpleOpf("../../etc/passwd")}}), "", FailureCode::EpubOutside},
        {"dot-dot entry", with({{"OEBPS/content.opf", SimpleOpf("../../evil.xhtml")}, {"../evil.xhtml", chapter}}), "", FailureCode::EpubOutside},
        {"missing", with({{"OEBPS/content.opf", SimpleOpf("gone.xhtml")}}), "", FailureCode::EpubMissing},
        {"no container", {{"OEBPS/a.xhtml", chapter}}, "", FailureCode::EpubMissing},
        {"empty spine", with({{"OEBPS/content.opf", Package(manifest, "")}}), "", FailureCode::EpubNoSpine},
        {"a million spine items", with({{"OEBPS/content.opf", Package(manifest, spine)}}), "", FailureCode::EpubTooMany},
        {"XML bomb", with({{"OEBPS/content.opf", bomb}}), "", FailureCode::EpubEntities},
        {"broken XML", with({{"OEBPS/content.opf", "<package><manifest>"}}), "", FailureCode::EpubXml},
        {"package of 1 GB", good, "claim('OEBPS/content.opf', 1 << 30)", FailureCode::ArchiveEntryTooLarge},
        {"zip bomb", with({{"OEBPS/a.xhtml", std::string(10 << 20, ' ')}}), "claim('OEBPS/a.xhtml', 100)", FailureCode::ArchiveEntryDamaged},
    };
    for (const Hostile& c : cases) {
        const auto book = ReadEpub(MakeEpub(c.entries, c.patch));
        ASSERT_FALSE(book) << c.what;
        EXPECT_EQ(book.Code(), c.code) << c.what << ": " << book.Reason();
    }
    // An obfuscated font alone locks nothing.
    const auto font = ReadEpub(MakeEpub(with({{"META-INF/encryption.xml", encryption("http://www.idpf.org/2008/embedding", "OEBPS/f.otf")}})));
    EXPECT_TRUE(font) << font.Reason();
}

TEST(EpubBook, CircularAndDeepNavIsBounded) {
    std::string deep;
    for (int i = 0; i < 5000; ++i) deep += R"(<ol><li><a href="nav.xhtml#top">self</a><a href="a.xhtml">a</a>)";
    for (int i = 0; i < 5000; ++i) deep += "</li></ol>";
    const Entries entries = {
        {"META-INF/container.xml", kContainer},
        {"OEBPS/content.opf",
         Package(R"(<item id="nav" href="nav.xhtml" media-type="application/xhtml+xml" properties="nav"/>)"
                 R"(<item id="a" href="a.xhtml" media-type="application/xhtml+xml"/>)",
                 R"(<itemref idref="a"/>)")},
        {"OEBPS/nav.xhtml", Xhtml(R"(<nav epub:type="toc" id="top">)" + deep + "</nav>")},
        {"OEBPS/a.xhtml", Xhtml("<p>text</p>")}};
    const auto book = ReadEpub(MakeEpub(entries));
    ASSERT_TRUE(book) << book.Reason();
    EXPECT_EQ(book->bookmarks.size(), 5000u);
}

TEST(EpubBook, VerdaneCliInfoShowsTheChaptersAndRefusesALockedBook) {
    TempDir dir;
    WriteFile(dir.File("neko.epub"), MakeEpub(JapaneseBook()));
    const auto info = verdane::test::RunCli({"info", dir.File("neko.epub")});
    ASSERT_EQ(info.exitCode, 0) << info.err;
    EXPECT_NE(info.out.find("title:       吾輩は猫である\nauthor:      夏目漱石\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("chapters:    5\n"), std::string::npos) << info.out;
    Entries locked = JapaneseBook();
    locked.push_back({"META-INF/rights.xml", "<rights/>"});
    WriteFile(dir.File("locked.epub"), MakeEpub(locked));
    const auto refused = verdane::test::RunCli({"info", dir.File("locked.epub")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("the e-book is encrypted"), std::string::npos) << refused.err;
}

TEST(EpubBook, OpenKnowsABookByWhatItHoldsFromAFileAndADownload) {
    TempDir dir;
    const std::string bytes = MakeEpub(JapaneseBook());
    WriteFile(dir.File("neko.txt"), bytes);
    verdane::core::OpenOptions drop;
    drop.ruby = AozoraRuby::Drop;
    for (const auto& source : {verdane::core::Source::File(QString::fromStdString(dir.File("neko.txt"))),
                               verdane::core::Source::Page(QStringLiteral("http://127.0.0.1/get?id=3"), bytes)}) {
        const auto opened = verdane::core::Open(source, drop);
        ASSERT_TRUE(opened) << opened.Reason();
        EXPECT_EQ(verdane::core::DocTitleText(opened->document.Title()), Sjis("吾輩は猫である"));
        EXPECT_TRUE(opened->text.starts_with(Sjis("吾輩は猫である\r\n夏目漱石\r\n\r\n一\r\n\r\n　吾輩は猫")));
        ASSERT_EQ(opened->bookmarks.size(), 5u);
        EXPECT_EQ(opened->text.substr(opened->bookmarks[1].offset, 8), Sjis("　二節目"));
    }
}

// The database to-doc writes, read by Python: its name, then each bookmark
// record (20 bytes after the text records record 0 counts) as its name and
// the six bytes of the text at its offset.
TEST(EpubBook, ToDocWritesTheBookTitledWithItsChaptersAsBookmarks) {
    TempDir dir;
    WriteFile(dir.File("neko.epub"), MakeEpub(JapaneseBook()));
    const auto run = verdane::test::RunCli({"to-doc", "--no-compress", dir.File("neko.epub"), dir.File("neko.pdb")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto read = RunProcess("/usr/bin/python3", {"-c",
                                                      "import struct, sys\n"
                                                      "b = open(sys.argv[1], 'rb').read()\n"
                                                      "n = struct.unpack_from('>H', b, 76)[0]\n"
                                                      "at = [struct.unpack_from('>I', b, 78 + 8 * i)[0] for i in range(n)] + [len(b)]\n"
                                                      "r = [b[at[i]:at[i + 1]] for i in range(n)]\n"
                                                      "count = struct.unpack_from('>H', r[0], 8)[0]\n"
                                                      "text = b''.join(r[1:1 + count])\n"
                                                      "out = b[:32].rstrip(b'\\0') + b'\\n'\n"
                                                      "for m in r[1 + count:]:\n"
                                                      "    o = struct.unpack_from('>I', m, 16)[0]\n"
                                                      "    out += m[:16].rstrip(b'\\0') + b'=' + text[o:o + 6] + b'\\n'\n"
                                                      "sys.stdout.buffer.write(out)\n",
                                                      dir.File("neko.pdb")});
    ASSERT_EQ(read.exitCode, 0) << read.err;
    EXPECT_EQ(read.out, Sjis("吾輩は猫である\n一=一\r\n\r\n\n二節目=　二節\n二=二\r\n\r\n\n細目=　細目\n注=注釈。\n"));
}

TEST(EpubBook, OnlyEpubsAreEpubs) {
    EXPECT_FALSE(verdane::core::IsEpub(MakeEpub({{"mimetype", "application/zip"}, {"a.txt", "x"}})));
    EXPECT_FALSE(verdane::core::IsEpub("PK\x03\x04 not really"));
    EXPECT_TRUE(verdane::core::IsEpub(MakeEpub({{"a.txt", "x"}})));
}

}  // namespace
