#include "TextBytes.h"

#include "KanjiCode.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

bool LineEndsPairedFrom(std::string_view s, std::size_t from) {
    const char* const d = s.data();
    const std::size_t n = s.size();
    std::size_t x = from;
    if (x == 0) {
        if (n > 0 && d[0] == '\n') return false;
        x = 1;
    }
#if defined(__SSE2__)
    // Sixteen positions at a time: an LF where the byte before is no CR, or a
    // CR before a byte that is no LF, sets a bit of the mask.
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
    for (; x + 16 <= n; x += 16) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + x));
        const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + x - 1));
        if (_mm_movemask_epi8(_mm_xor_si128(_mm_cmpeq_epi8(here, lf), _mm_cmpeq_epi8(before, cr))) != 0) return false;
    }
#endif
    for (; x < n; ++x)
        if ((d[x] == '\n') != (d[x - 1] == '\r')) return false;
    return true;
}

bool HasEditorLineEnds(std::string_view s) { return LineEndsPairedFrom(s, 0) && (s.empty() || s.back() != '\r'); }

void ToEditorLineEnds(std::string& text) {
    if (HasEditorLineEnds(text)) return;
    // Each lone CR and lone LF grows by one byte; a CR LF stays.
    std::size_t growth = 0;
    for (const char* p = text.data(); (p = static_cast<const char*>(std::memchr(p, '\n', text.data() + text.size() - p)));
         ++p)
        growth += p == text.data() || p[-1] != '\r';
    for (const char* p = text.data(); (p = static_cast<const char*>(std::memchr(p, '\r', text.data() + text.size() - p)));
         ++p)
        growth += p + 1 == text.data() + text.size() || p[1] != '\n';
    if (text.size() + growth > text.capacity()) {
        text = EditorLineEnds(text);
        return;
    }
    // Room enough (a converted text keeps the size of the bytes it came from):
    // the lines move to their places from the end backwards, each once.
    std::size_t read = text.size(), write = text.size() + growth;
    text.resize(write);
    char* const d = text.data();
    while (read > 0) {
        const auto* lf = static_cast<const char*>(::memrchr(d, '\n', read));
        const std::size_t afterLf = lf ? static_cast<std::size_t>(lf - d) + 1 : 0;
        const auto* cr = static_cast<const char*>(::memrchr(d + afterLf, '\r', read - afterLf));
        const char* brk = cr ? cr : lf;
        const std::size_t lineStart = brk ? static_cast<std::size_t>(brk - d) + 1 : 0;
        write -= read - lineStart;
        std::memmove(d + write, d + lineStart, read - lineStart);
        if (!brk) break;
        read = lineStart - 1;
        if (*brk == '\n' && read > 0 && d[read - 1] == '\r') --read;
        write -= 2;
        d[write] = '\r';
        d[write + 1] = '\n';
    }
}

std::string TextAsOpened(std::string_view fileBytes) {
    if (auto text = TextAsOpenedIfChanged(fileBytes)) return std::move(*text);
    return std::string(fileBytes);
}

std::optional<std::string> TextAsOpenedIfChanged(std::string_view fileBytes) {
    std::optional<std::string> text = ConvertedToShiftJis(fileBytes);
    if (text)
        ToEditorLineEnds(*text);
    else if (!HasEditorLineEnds(fileBytes))
        text = EditorLineEnds(fileBytes);
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
