#include "TextBytes.h"

#include "KanjiCode.h"

#include <cstring>

namespace verdane {

namespace {

// Appends `text` to `out` with the editor's line ends, a line at a time.
void AppendEditorLineEnds(std::string& out, std::string_view text) {
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end) {
        // The next CR or LF: the earlier of the two searches.
        const auto* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        const char* limit = lf ? lf : end;
        const auto* cr = static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(limit - p)));
        const char* stop = cr ? cr : limit;
        out.append(p, static_cast<std::size_t>(stop - p));
        if (stop == end) break;
        out += "\r\n";
        p = stop + 1;
        if (*stop == '\r' && p < end && *p == '\n') ++p;
    }
}

}  // namespace

std::string EditorLineEnds(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    AppendEditorLineEnds(out, text);
    return out;
}

bool HasEditorLineEnds(std::string_view s) {
    std::size_t lfs = 0, crs = 0;
    const char* p = s.data();
    const char* const end = p + s.size();
    while (const void* hit = std::memchr(p, '\n', static_cast<std::size_t>(end - p))) {
        const char* lf = static_cast<const char*>(hit);
        if (lf == s.data() || lf[-1] != '\r') return false;
        ++lfs;
        p = lf + 1;
    }
    p = s.data();
    while (const void* hit = std::memchr(p, '\r', static_cast<std::size_t>(end - p))) {
        ++crs;
        p = static_cast<const char*>(hit) + 1;
    }
    return crs == lfs;
}

void ToEditorLineEnds(std::string& text) {
    if (!HasEditorLineEnds(text)) text = EditorLineEnds(text);
}

std::string TextAsOpened(std::string_view fileBytes) {
    std::string text(fileBytes);
    MakeTextAsOpened(text);
    return text;
}

void MakeTextAsOpened(std::string& fileBytes) {
    ConvertKanjiCodeInPlace(fileBytes, kcShiftJis);
    ToEditorLineEnds(fileBytes);
}

void EditorLineEndJoiner::Append(std::string_view block) {
    if (block.empty()) return;  // a CR held back still waits for its LF
    if (pendingCr_) {
        pendingCr_ = false;
        out_ += "\r\n";
        if (!block.empty() && block.front() == '\n') block.remove_prefix(1);
    }
    if (!block.empty() && block.back() == '\r') {
        pendingCr_ = true;
        block.remove_suffix(1);
    }
    if (HasEditorLineEnds(block))
        out_.append(block);
    else
        AppendEditorLineEnds(out_, block);
}

void EditorLineEndJoiner::Finish() {
    if (pendingCr_) out_ += "\r\n";
    pendingCr_ = false;
    if (!out_.empty() && (out_.size() < 2 || out_.compare(out_.size() - 2, 2, "\r\n") != 0)) out_ += "\r\n";
}

}  // namespace verdane
