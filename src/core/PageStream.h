// A downloaded body made into what `verdane-cli fetch` writes, a piece at a
// time as it arrives, so that memory does not grow with the page. The first
// 64 KB decide what it is: an archive, a DOC database or a binary file (a
// control byte, as the code detection says) goes on as it came; a text gets
// the editor's line ends and becomes Shift-JIS as the window would save it,
// its code the one declared by the answer or the page, else the one detected.
// A character cut by the end of a piece waits for the rest of it. A JIS,
// EUC-JP or UTF-16 text, whose bytes read right only from the start (a damaged
// EUC-JP code takes the bytes after it, line ends too), is gathered whole.
#pragma once

#include "EditorFileCodec.h"

#include "TextBytes.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace verdane::core {

class PageStream {
public:
    using Sink = std::function<void(std::string_view bytes)>;
    // `contentType`: the answer's Content-Type; `sink` takes what is written,
    // in order, and may throw to end the work. A text is converted and
    // written in pieces of about `pieceSize` bytes (1 MB), and decided on the
    // first 64 KB or `pieceSize`, whichever is less.
    PageStream(std::string contentType, Sink sink, std::size_t pieceSize = std::size_t{1} << 20);
    ~PageStream();

    void Append(std::string_view piece);
    // The body ended: what waited is written, and the last line gets its line end.
    void Finish();

    // Bytes received so far.
    long long Received() const { return received_; }
    // The body went on as it came (an archive, a database, a binary file).
    bool AsItCame() const { return form_ == Form::AsItCame; }
    // The characters Shift-JIS lacks and what stands for them, with their
    // lines in what was written: all counted, the first
    // platform::kMaxListedUnwritable listed.
    std::size_t ReplacedCount() const { return replacedCount_; }
    const std::vector<platform::Unwritable>& Replaced() const { return replaced_; }

private:
    enum class Form { Undecided, AsItCame, Text, Whole };
    void Decide(bool last);
    void Text(std::string_view piece, bool last);
    void Convert(bool last);
    void AsciiThenLook(std::string_view piece);
    void Emit(std::string_view bytes);
    void Note(const std::vector<platform::Unwritable>& found, std::size_t count, int firstLine);

    std::string contentType_;
    Sink sink_;
    std::size_t pieceSize_;
    Form form_ = Form::Undecided;
    int code_ = 0;
    long long received_ = 0;
    // Undecided and Whole: the body so far. Text: the bytes with their line
    // ends joined, not yet converted and written.
    std::string pending_;
    std::string joined_;
    EditorLineEndJoiner joiner_;
    // The code was decided once already, on the bytes after plain ASCII.
    bool secondLook_ = false;
    std::optional<int> declared_;
    // The last two bytes written, and the lines written so far.
    char tail_[2] = {0, 0};
    long long written_ = 0;
    int lines_ = 1;
    std::size_t replacedCount_ = 0;
    std::vector<platform::Unwritable> replaced_;
};

}  // namespace verdane::core
