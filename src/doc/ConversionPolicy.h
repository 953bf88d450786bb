// The program's one conversion policy: what is written for a character that
// the code written cannot hold. Every writer of text uses it: the editor's
// writers, the code conversions to Shift-JIS (UTF-8, UTF-16 and HTML
// references in) and the byte paths, each on its own buffers.
//
//   - a no-break space becomes a space;
//   - ¥ (U+00A5) becomes the full-width ￥ (Shift-JIS 0x818F);
//   - a stroked letter, a Latin ligature or an inverted mark its plain
//     spelling (ø -> o, æ -> ae, ß -> ss, ¿ -> ?);
//   - a letter with accents its base letter (é -> e: the character its
//     canonical decomposition leaves without combining marks), when the code
//     holds that;
//   - anything else the mark `Lacking` names: the geta mark "〓" in DOC
//     databases (what their readers show for a missing character), "?" in
//     texts. U+FFFD stands for bytes that named no character and gets the mark.
//
// Nothing here allocates: a converter asks only for the characters its table
// lacks, and writes the stand-in into a buffer of its own.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace verdane {

// The codes the program writes text in. Shift-JIS is CP932; EUC-JP holds JIS
// X 0208 and the NEC row, not CP932's user-defined area or IBM extension rows
// (lead bytes 0xED, 0xEE, 0xF0-0xFC); UTF-8 holds every character but a lone
// surrogate.
enum class FileCode { ShiftJis, EucJp, Utf8 };

// What stands for a character the code lacks when it has no near form.
enum class Lacking { Geta, Question };

// What is written for a character the code lacks: one or two characters.
struct StandIn {
    std::array<char32_t, 2> chars{};
    std::size_t size() const { return chars[0] == 0 ? 0 : chars[1] == 0 ? 1 : 2; }
    friend bool operator==(const StandIn&, const StandIn&) = default;
};

// Whether `code` holds the character `c`.
bool Holds(FileCode code, char32_t c);

// The stand-in for a character `c` that `code` lacks, as the policy says.
StandIn StandInFor(char32_t c, FileCode code, Lacking lacking);

// The most bytes WriteCharacter or WriteStandIn writes.
inline constexpr std::size_t kMaxWrittenBytes = 8;

// The bytes of `c` in `code` into `out`; returns how many, or 0 (nothing
// written) when the code lacks the character.
std::size_t WriteCharacter(char32_t c, FileCode code, char* out);

// The stand-in for `c` in `code` into `out`; returns how many bytes. With
// `standIn`, the characters written are put there too.
std::size_t WriteStandIn(char32_t c, FileCode code, Lacking lacking, char* out, StandIn* standIn = nullptr);

// A CP932 double-byte code of JIS X 0208 or the NEC row (below 0xED00) as its
// EUC-JP pair: the row and cell the Shift-JIS code stands for, each with the
// high bit set.
inline void EucPairOf(unsigned code, char* out) {
    unsigned lead = code >> 8;
    unsigned trail = code & 0xFF;
    lead = (lead - (lead <= 0x9F ? 0x70 : 0xB0)) * 2;
    if (trail < 0x9F) {
        --lead;
        trail -= trail < 0x7F ? 0x1F : 0x20;
    } else {
        trail -= 0x7E;
    }
    out[0] = static_cast<char>(lead | 0x80);
    out[1] = static_cast<char>(trail | 0x80);
}

}  // namespace verdane
