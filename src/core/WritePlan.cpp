#include "WritePlan.h"

#include "FailureOf.h"
#include "FileIo.h"
#include "KanjiCode.h"
#include "Names.h"
#include "PalmDesktop.h"
#include "ReadText.h"
#include "ShiftJisBytes.h"
#include "WriteText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <exception>

namespace verdane::core {

namespace {

using platform::FileCode;
using platform::FileForm;
using platform::Lacking;

// Whether `path` names the file `own` names (through links too).
bool SameFile(const QString& path, const QString& own) {
    if (own.isEmpty()) return false;
    const QFileInfo a(path), b(own);
    if (a.exists() && b.exists()) return a.canonicalFilePath() == b.canonicalFilePath();
    return a.absoluteFilePath() == b.absoluteFilePath();
}

bool FileThere(const QString& path) {
    // isFile: a regular file, or a link to one.
    return QFileInfo(path).isFile();
}

// Encodes `text` into the plan: its bytes, what could not be held, the
// bookmarks at their byte offsets.
void Encode(WritePlan& plan, const QString& text, Lacking lacking, const std::vector<EditorBookmark>& bookmarks) {
    std::vector<qsizetype> places;
    places.reserve(bookmarks.size());
    for (const EditorBookmark& mark : bookmarks) places.push_back(mark.position);
    platform::FileTextOptions options;
    options.lacking = lacking;
    // A text read as UTF-8 holds no escaped bytes: its lone surrogates are no bytes of a file.
    options.escapedBytes = !plan.document.ReadAsUnicode();
    options.places = places;
    platform::FileText file = platform::EncodeForFile(text, plan.form, options);
    plan.text = std::move(file.bytes);
    plan.unwritableCount = file.unwritableCount;
    plan.unwritable = std::move(file.unwritable);
    for (std::size_t k = 0; k < bookmarks.size(); ++k)
        plan.options.bookmarks.push_back({bookmarks[k].name, static_cast<std::uint32_t>(file.offsets[k])});
}

// The DOC title as typed, in CP932 by the one conversion policy; an empty
// one is refused.
std::optional<Failure> SetDocTitle(WritePlan& plan, const QString& title) {
    platform::FileTextOptions geta;
    geta.lacking = Lacking::Geta;
    plan.options.title = platform::EncodeForFile(title, {}, geta).bytes;
    if (plan.options.title.empty()) return Failure{FailureCode::EmptyTitle};
    plan.title = TitleOfTyped(plan.options.title);
    return std::nullopt;
}

void WriteAsPlanned(const WritePlan& plan, const std::string& local, std::span<const std::string_view> pieces) {
    if (plan.targetSeen) platform::WriteFileAsPlanned(local, pieces, *plan.targetSeen);
    else platform::WriteFileAtomically(local, pieces);
}

}  // namespace

Result<WritePlan> PlanSave(const Document& document, const QString& text, const SaveRequest& request) {
    WritePlan plan;
    plan.way = WayOut::Save;
    plan.document = document;
    plan.kind = request.kind == DocKind::Page ? DocKind::Text : request.kind;
    plan.target = request.addExtension ? WithKindExtension(request.path, plan.kind, document.Path()) : request.path;
    plan.targetSeen = platform::IdentityOf(QFile::encodeName(plan.target).toStdString());
    plan.replacesOther = FileThere(plan.target) && !SameFile(plan.target, document.Path());
    if (plan.IsDoc()) {
        if (std::optional<Failure> refused = SetDocTitle(plan, request.title)) return *refused;
        plan.options.Compress = request.compress;
        plan.options.IncludeBinary = request.includeBinary;
        Encode(plan, text, Lacking::Geta, request.bookmarks);
        return plan;
    }
    plan.form = document.SaveForm();
    plan.formChanges = document.Kind() == DocKind::Text && !document.Path().isEmpty() && document.FormRead() != plan.form;
    // The file written names the text from now on.
    plan.title = TitleOfFile(plan.target);
    Encode(plan, text, Lacking::Question, {});
    return plan;
}

Result<WritePlan> PlanSaveBytes(const Document& document, std::string shiftJis, const SaveRequest& request,
                                std::vector<platform::Unwritable> replaced) {
    const DocKind kind = request.kind == DocKind::Page ? DocKind::Text : request.kind;
    const bool doc = kind == DocKind::Prc || kind == DocKind::Pdb;
    const bool bytesAsWritten = doc || document.SaveForm() == FileForm{};
    if (!request.bookmarks.empty() || !bytesAsWritten) {
        Result<WritePlan> plan = PlanSave(document, EditorTextOf(shiftJis, kcShiftJis), request);
        if (plan && !replaced.empty()) {
            plan->unwritableCount += replaced.size();
            plan->unwritable.insert(plan->unwritable.begin(), replaced.begin(), replaced.end());
        }
        return plan;
    }
    WritePlan plan;
    plan.way = WayOut::Save;
    plan.document = document;
    plan.kind = kind;
    plan.target = request.addExtension ? WithKindExtension(request.path, plan.kind, document.Path()) : request.path;
    plan.targetSeen = platform::IdentityOf(QFile::encodeName(plan.target).toStdString());
    plan.replacesOther = FileThere(plan.target) && !SameFile(plan.target, document.Path());
    if (doc) {
        if (std::optional<Failure> refused = SetDocTitle(plan, request.title)) return *refused;
        plan.options.Compress = request.compress;
        plan.options.IncludeBinary = request.includeBinary;
    } else {
        plan.form = document.SaveForm();
        plan.formChanges =
            document.Kind() == DocKind::Text && !document.Path().isEmpty() && document.FormRead() != plan.form;
        plan.title = TitleOfFile(plan.target);
    }
    // Every character of Shift-JIS bytes is one Shift-JIS holds: only what
    // was replaced before is reported.
    MakeWindowShiftJis(shiftJis);
    plan.text = std::move(shiftJis);
    plan.unwritableCount = replaced.size();
    plan.unwritable = std::move(replaced);
    return plan;
}

std::vector<platform::Unwritable> UnwritableOf(std::string_view shiftJis, const std::vector<KanjiReplacement>& replaced) {
    std::vector<platform::Unwritable> list;
    list.reserve(std::min(replaced.size(), platform::kMaxListedUnwritable));
    int line = 1;
    std::size_t counted = 0;
    for (const KanjiReplacement& r : replaced) {
        if (list.size() == platform::kMaxListedUnwritable) break;
        const std::size_t at = std::min(r.offset, shiftJis.size());
        if (at >= counted) {
            line += static_cast<int>(std::count(shiftJis.begin() + counted, shiftJis.begin() + at, '\n'));
            counted = at;
        }
        platform::Unwritable u;
        u.line = line;
        u.codePoint = r.codePoint;
        u.writtenAs = platform::BytesToEditor(shiftJis.substr(at, std::min(r.length, shiftJis.size() - at)));
        list.push_back(std::move(u));
    }
    return list;
}

Result<WritePlan> PlanInstall(const platform::TPalmDesktop& desktop, const Document& document, const QString& text,
                              const InstallRequest& request) {
    if (const InstallNameFault fault = CheckInstallName(request.name); fault != InstallNameFault::None)
        return InstallNameFailure(fault, request.name);
    if (request.userIndex < 0 || request.userIndex >= static_cast<int>(desktop.Users().size()))
        return Failure{FailureCode::NoSuchUser, {}, {}, 0, request.userIndex};
    WritePlan plan;
    plan.way = WayOut::Install;
    plan.document = document;
    plan.kind = request.prc ? DocKind::Prc : DocKind::Pdb;
    plan.userIndex = request.userIndex;
    plan.installName = request.name;
    plan.target = QString::fromStdString(desktop.InstallDirectory(request.userIndex)) + u'/' +
                  InstallFileName(request.name, request.prc);
    plan.targetSeen = platform::IdentityOf(QFile::encodeName(plan.target).toStdString());
    plan.replacesOther = FileThere(plan.target);
    if (std::optional<Failure> refused = SetDocTitle(plan, request.title)) return *refused;
    plan.options.Compress = request.compress;
    plan.options.IncludeBinary = request.includeBinary;
    Encode(plan, text, Lacking::Geta, request.bookmarks);
    return plan;
}

WritePlan PlanTextCommand(WayOut way, const Document& document, const QString& text) {
    WritePlan plan;
    plan.way = way;
    plan.document = document;
    plan.title = document.Title();
    Encode(plan, text, Lacking::Question, {});
    return plan;
}

Result<std::string> PlannedBytes(const WritePlan& plan) {
    if (!plan.IsDoc()) return plan.text;
    return MakeDocDatabaseBytes(plan.text, plan.options.title, plan.options.Compress, plan.options.IncludeBinary,
                                plan.options.bookmarks);
}

Result<Document> Save(const WritePlan& plan) {
    if (plan.way != WayOut::Save && plan.way != WayOut::Install) return Failure{FailureCode::Internal};
    const std::string local = QFile::encodeName(plan.target).toStdString();
    try {
        if (plan.way == WayOut::Install) {
            platform::MakeFolders(QFile::encodeName(QFileInfo(plan.target).path()).toStdString());
        }
        if (plan.IsDoc()) {
            Result<TDocPieces> database = MakeDocDatabase(plan.text, plan.options.title, plan.options.Compress,
                                                          plan.options.IncludeBinary, plan.options.bookmarks);
            if (!database) return database.Fault();
            const std::vector<std::string_view> pieces = database->All();
            WriteAsPlanned(plan, local, pieces);
        } else {
            const std::string_view bytes = plan.text;
            WriteAsPlanned(plan, local, std::span(&bytes, 1));
        }
    } catch (const std::exception& e) {
        return FailureOf(e);
    }
    if (plan.way == WayOut::Install) return plan.document;
    const FileForm written = plan.IsDoc() ? FileForm{} : plan.form;
    return plan.document.SavedAs(plan.target, plan.kind, written, plan.title);
}

}  // namespace verdane::core
