#include "TextBytes.h"

#include "KanjiCode.h"
#include "LargeBuffer.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace verdane {

namespace {

#if defined(__SSE2__)
const __m128i kCrs = _mm_set1_epi8('\r'), kLfs = _mm_set1_epi8('\n');
#endif

// The first CR or LF at or after p, or `end`.
const char* NextLineEnd(const char* p, const char* end) {
#if defined(__SSE2__)
    for (; p + 16 <= end; p += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, kCrs), _mm_cmpeq_epi8(v, kLfs)));
        if (mask != 0) return p + __builtin_ctz(static_cast<unsigned>(mask));
    }
#endif
    while (p < end && *p != '\r' && *p != '\n') ++p;
    return p;
}

// The bytes the editor's line ends add to a text: one for each CR not followed
// by an LF and each LF not following a CR. None means the line ends are all
// CR LF already.
std::size_t LineEndGrowth(std::string_view s) {
    const char* const d = s.data();
    const std::size_t n = s.size();
    std::size_t growth = 0, x = 0;
    auto lone = [&](std::size_t i) {
        return (d[i] == '\n' && (i == 0 || d[i - 1] != '\r')) || (d[i] == '\r' && (i + 1 == n || d[i + 1] != '\n'));
    };
    if (n > 0) growth += lone(x++);
#if defined(__SSE2__)
    // Sixteen positions at a time, each against the byte before and after.
    for (; x + 17 <= n; x += 16) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + x));
        const __m128i lfs = _mm_cmpeq_epi8(here, kLfs), crs = _mm_cmpeq_epi8(here, kCrs);
        // Most blocks hold no line end at all.
        if (_mm_movemask_epi8(_mm_or_si128(lfs, crs)) == 0) continue;
        const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + x - 1));
        const __m128i after = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + x + 1));
        const __m128i loneLf = _mm_andnot_si128(_mm_cmpeq_epi8(before, kCrs), lfs);
        const __m128i loneCr = _mm_andnot_si128(_mm_cmpeq_epi8(after, kLfs), crs);
        // Most blocks hold no lone line end: counted only where one is.
        if (const auto lone16 = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(loneLf, loneCr))))
            growth += static_cast<std::size_t>(__builtin_popcount(lone16));
    }
#endif
    for (; x < n; ++x) growth += lone(x);
    return growth;
}

// Writes `text` with the editor's line ends at `o`, which has room for
// LineEndGrowth(text) bytes more than the text; returns the end written.
char* WriteEditorLineEnds(char* o, std::string_view text) {
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end) {
        const char* stop = NextLineEnd(p, end);
        std::memcpy(o, p, static_cast<std::size_t>(stop - p));
        o += stop - p;
        if (stop == end) break;
        *o++ = '\r';
        *o++ = '\n';
        p = stop + 1;
        if (*stop == '\r' && p < end && *p == '\n') ++p;
    }
    return o;
}

// Appends `text` to `out` with the editor's line ends.
void AppendEditorLineEnds(std::string& out, std::string_view text, std::size_t growth) {
    const std::size_t at = out.size(), size = at + text.size() + growth;
    if (out.capacity() < size) ReserveLarge(out, std::max(size, 2 * out.capacity()));
    out.resize(size);
    WriteEditorLineEnds(out.data() + at, text);
}

}  // namespace

std::string EditorLineEnds(std::string_view text) {
    std::string out;
    AppendEditorLineEnds(out, text, LineEndGrowth(text));
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
    const std::size_t growth = LineEndGrowth(text);
    if (growth == 0) return;
    if (text.size() + growth > text.capacity()) {
        std::string grown;
        AppendEditorLineEnds(grown, text, growth);
        text = std::move(grown);
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

std::optional<std::string> TextAsOpenedIfChanged(std::string_view fileBytes, std::vector<KanjiReplacement>* replaced) {
    std::optional<std::string> text = ConvertedToShiftJis(fileBytes, replaced);
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
    if (const std::size_t growth = LineEndGrowth(block); growth == 0)
        out_.append(block);
    else
        AppendEditorLineEnds(out_, block, growth);
}

void EditorLineEndJoiner::Finish() {
    if (pendingCr_) out_ += "\r\n";
    pendingCr_ = false;
    if (!out_.empty() && (out_.size() < 2 || out_.compare(out_.size() - 2, 2, "\r\n") != 0)) out_ += "\r\n";
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace verdane
