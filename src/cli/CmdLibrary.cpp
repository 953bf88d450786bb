// verdane-cli library: Aozora Bunko's catalogue searched, and a work fetched,
// cleaned and written as a text or a DOC database (or queued for a handheld),
// through the same catalogue, download and cleaning as the window's library.
#include "AozoraLibrary.h"
#include "AozoraNotation.h"
#include "CliIo.h"
#include "CliPlan.h"
#include "Commands.h"
#include "DocConvert.h"
#include "Names.h"
#include "ProfileFile.h"
#include "Terminal.h"
#include "WriteText.h"

#include <QCoreApplication>

#include <clocale>
#include <cstdio>
#include <iconv.h>
#include <langinfo.h>
#include <memory>
#include <unistd.h>

namespace verdane::cli {

namespace {

constexpr const char* kLibraryHelp =
    "Usage: verdane-cli library search [--catalog URL] [--refresh] [--max-time SECONDS]\n"
    "                                  WORDS...\n"
    "       verdane-cli library get [--catalog URL] [--refresh] [--ruby paren|drop]\n"
    "                               [--bookmarks MARK] [--entry NAME] [--install USER]\n"
    "                               [--max-time SECONDS] ID OUT\n"
    "Finds works in Aozora Bunko's catalogue, and fetches one clean for a handheld.\n\n"
    "search prints one line per work whose title, subtitle, their readings or a\n"
    "person's name or reading hold every one of WORDS (hiragana and katakana,\n"
    "full- and half-width forms and letter case count as the same), sorted by\n"
    "reading: its number, title, authors and kana usage, separated by tabs.\n"
    "get downloads the work numbered ID, cleans its notation as 'verdane-cli\n"
    "aozora' does and writes OUT: a Palm DOC database titled with the work's title\n"
    "when OUT ends in .pdb or .prc, else the text in Shift-JIS with CR LF line ends\n"
    "(\"-\" is standard output). With --install, the user and the Palm Desktop are\n"
    "checked before anything is downloaded or written.\n\n"
    "The catalogue is downloaded once and kept in $XDG_CACHE_HOME/verdane/ (by\n"
    "default ~/.cache/verdane/); it is downloaded again when the copy is 30 days\n"
    "old, or when it came from another address than the one asked for (--catalog,\n"
    "the settings). One copy is kept, of the last catalogue downloaded. A catalogue\n"
    "that cannot be downloaded or is damaged never replaces the copy kept: the copy\n"
    "is used, whatever its age and address, and a warning says why and names its\n"
    "date (and its address when it is another). The address and the proxy come\n"
    "from the editor's settings ([Aozora] Catalog, [Proxy]).\n\n"
    "Options:\n"
    "  --catalog URL     the catalogue's address (a mirror's), instead of the\n"
    "                    settings' or Aozora Bunko's own\n"
    "  --refresh         download the catalogue again, even when the copy is young\n"
    "  --ruby paren|drop keep the readings in parentheses (the default) or drop them\n"
    "  --bookmarks MARK  mark every heading for the handheld's reader (see aozora)\n"
    "  --entry NAME      the text to read from a work's archive that holds several\n"
    "  --install USER    also queue the work as a DOC database for the handheld\n"
    "                    user USER, named after OUT (as 'verdane-cli install' does)\n"
    "  --max-time SECONDS  give up on a download (the catalogue's, the work's) that\n"
    "                    takes longer than this (default: the editor's\n"
    "                    DownloadMaxSeconds setting, 600 until changed; 0: no limit)\n"
    "  -h, --help        show this help\n\n"
    "Exit status: 0 on success (also when nothing is found), 1 when the catalogue or\n"
    "the work cannot be had or OUT cannot be written, 2 on bad usage.\n";

// Text for the terminal: UTF-8, or the locale's own code when it is another.
std::string ForTerminal(const std::string& utf8) {
    std::setlocale(LC_CTYPE, "");
    const std::string code = nl_langinfo(CODESET);
    if (code == "UTF-8" || code == "utf8" || code == "ANSI_X3.4-1968") return utf8;
    const iconv_t cd = iconv_open((code + "//TRANSLIT").c_str(), "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return utf8;
    std::string out(utf8.size() * 2 + 16, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* to = out.data();
    std::size_t outLeft = out.size();
    while (inLeft > 0 && iconv(cd, &in, &inLeft, &to, &outLeft) == static_cast<std::size_t>(-1)) {
        if (outLeft < 2) break;
        // A character the code lacks: "?" in its place.
        *to++ = '?';
        --outLeft;
        ++in;
        --inLeft;
        while (inLeft > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80) ++in, --inLeft;
    }
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

struct Library {
    std::unique_ptr<QCoreApplication> app;
    core::LibrarySettings settings;
    core::PageFetch fetch;
    std::string url;
};

// The client runs on the Qt event loop of this thread.
std::unique_ptr<QCoreApplication> EventLoop() {
    static int qtArgc = 1;
    static char qtName[] = "verdane-cli";
    static char* qtArgv[] = {qtName, nullptr};
    if (QCoreApplication::instance()) return nullptr;
    return std::make_unique<QCoreApplication>(qtArgc, qtArgv);
}

void ShowProgress(core::PageFetch& fetch, const std::string& what) {
    if (!::isatty(2)) return;
    fetch.OnProgress = [what](core::FetchStage stage, long long received, long long length) {
        // `what` may name a work's title or a URL: it stays on the progress line.
        if (stage == core::FetchStage::Data) {
            std::fputc('\r', stderr);
            WriteTerminal(stderr, OneLine(what) + ": " +
                                      (length > 0 ? std::to_string(received * 100 / length) + "%"
                                                  : std::to_string(received >> 10) + " KB"));
        } else if (stage == core::FetchStage::End) {
            std::fputc('\n', stderr);
        }
    };
}

core::AozoraCatalog LoadCatalog(Library& library, const ParsedArgs& parsed) {
    library.app = EventLoop();
    library.settings = core::ReadLibrarySettings(platform::SettingsFilePath(QCoreApplication::applicationFilePath()));
    library.settings.request = DownloadSettings(parsed);
    const std::string* given = parsed.Value("--catalog");
    library.url = given ? *given : library.settings.catalogUrl;
    if (library.url.empty()) throw UsageError("the catalogue's address is empty");
    ShowProgress(library.fetch, "downloading the catalogue");
    core::Result<core::CatalogLoad> load = core::LoadCatalog(library.fetch, library.settings.request, library.url,
                                                             core::CatalogCache(), parsed.Has("--refresh"));
    library.fetch.OnProgress = nullptr;
    if (!load) throw CliError(load.Reason());
    if (!load->note.empty()) WriteTerminal(stderr, "verdane-cli library: warning: " + OneLine(load->note) + "\n");
    return std::move(load->catalog);
}

int Search(const Args& args) {
    const auto parsed = ParseArgs(args, {"--refresh"}, {"--catalog", "--max-time"}, 1, 1000);
    Library library;
    const core::AozoraCatalog catalog = LoadCatalog(library, parsed);
    std::string out;
    for (const core::CatalogWork* work : catalog.Search(parsed.positional))
        // Every field is the catalogue's text, each kept on its line and in its column.
        out += OneLine(work->id) + '\t' + OneLine(work->title) + '\t' + OneLine(work->Authors()) + '\t' +
               OneLine(work->kanaUse) + '\n';
    WriteOutput("-", ForTerminal(out));
    return 0;
}

// The text out of a downloaded archive (its one text, or `entry`), or the
// text itself: opened as aozora opens a file, through the one way in.
HeldText HeldOfDownload(std::string bytes, const std::string& url, const std::string* entry, const QString& title = {}) {
    return OpenHeld(core::Source::Page(QString::fromStdString(url), std::move(bytes)), url, entry, title);
}

int Get(const Args& args) {
    const auto parsed =
        ParseArgs(args, {"--refresh"}, {"--catalog", "--ruby", "--bookmarks", "--install", "--entry", "--max-time"}, 2, 2);
    const AozoraOptions options = AozoraOptionsOf(parsed);
    const std::string& id = parsed.positional[0];
    const std::string& out = parsed.positional[1];
    const std::string* user = parsed.Value("--install");
    std::string installName = out == "-" ? std::string() : BaseNameWithoutExtension(out);
    if (user && (installName.empty() || installName.find('.') != std::string::npos))
        throw UsageError("--install names the database after OUT, so OUT must be a file name without another \".\"");
    // The user and the desktop are checked before anything is downloaded or written.
    if (user) CheckHandheldUser(*user);

    Library library;
    const core::AozoraCatalog catalog = LoadCatalog(library, parsed);
    const core::CatalogWork* work = catalog.Find(id);
    if (work == nullptr) throw CliError("the catalogue has no work numbered " + id);
    ShowProgress(library.fetch, "downloading " + std::string(work->title));
    core::Result<std::string> archive = core::DownloadWorkArchive(library.fetch, library.settings.request, *work);
    if (!archive) throw CliError("cannot download " + std::string(work->textUrl) + ": " + archive.Reason());
    std::vector<core::EditorBookmark> headings;
    // The work's title is the catalogue's.
    HeldText cleaned = HeldOfDownload(std::move(*archive), std::string(work->textUrl), parsed.Value("--entry"),
                                      QString::fromUtf8(work->title.data(), qsizetype(work->title.size())));
    cleaned.text = CleanedEditorText(cleaned, options, &headings);

    const QString title = core::ProposedTitle(cleaned.document, QString::fromLocal8Bit(out));
    WriteCleanedWork(cleaned, headings, out, title);
    if (user) QueueForHandheld(*user, installName, OutputKind(out) == core::DocKind::Prc, cleaned, title, headings);
    return 0;
}

}  // namespace

bool IsUrl(const std::string& in) { return in.starts_with("http://") || in.starts_with("https://"); }

HeldText HeldOfUrl(const std::string& url, const std::string* entry, const ParsedArgs& parsed) {
    const std::unique_ptr<QCoreApplication> app = EventLoop();
    const core::FetchRequest request = DownloadSettings(parsed);
    core::PageFetch fetch;
    ShowProgress(fetch, "downloading " + url);
    core::Result<std::string> bytes = core::DownloadBytes(fetch, request, url);
    if (!bytes) throw CliError("cannot download " + url + ": " + bytes.Reason());
    return HeldOfDownload(std::move(*bytes), url, entry);
}

int RunLibrary(const Args& args) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::fputs(kLibraryHelp, args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    const Args rest(args.begin() + 1, args.end());
    for (const std::string& arg : rest)
        if (arg == "--help" || arg == "-h") {
            std::fputs(kLibraryHelp, stdout);
            return 0;
        }
    if (args[0] == "search") return Search(rest);
    if (args[0] == "get") return Get(rest);
    throw UsageError("library takes search or get, not '" + args[0] + "'");
}

}  // namespace verdane::cli
