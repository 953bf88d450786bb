// Fetching a web page as the editor holds it, for the open-from-URL command
// and `verdane-cli fetch`: the HTTP request (User-Agent "Halvorn", no-cache,
// an optional proxy), the body gathered with CR LF line ends as it arrives,
// converted to Shift-JIS, and turned from HTML into text when asked. Progress
// and cancelling go through callbacks, so the download window and the command
// line show the same failures in the same words.
#pragma once

#include "Result.h"
#include "TAWKStr.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace verdane {
class THttpCli;
}

namespace verdane::core {

// The longest a whole download may take by default, in seconds: the window's
// "DownloadMaxSeconds" setting until it is changed, and verdane-cli's --max-time.
inline constexpr int kDownloadMaxSeconds = 600;

struct FetchRequest {
    std::string url;
    // The proxy; an empty server means a direct connection.
    std::string proxy;
    std::string proxyPort = "80";
    std::string proxyUser, proxyPassword;
    // The request gives up after this long without progress (0: never).
    int timeoutMs = 60000;
    // The whole download gives up after this long, however steadily the
    // server sends (0: never).
    int maxTimeMs = 0;
    bool verifyPeer = true;
    // Most bytes the page may have; a larger one fails with "the page is larger
    // than 256 MB" (its own size). By default the largest text a DOC database
    // holds (65,535 records of 4,096 bytes); 0: no limit.
    long long maxBodySize = 65535LL * 4096;
    // Turn the page from HTML into text.
    bool html = false;
    // A UTF-8 page that is not turned into text stays UTF-8, so the editor
    // gets every character it holds; one that is turned into text becomes
    // Shift-JIS and the characters it loses are counted (PageText::Replaced).
    bool keepUtf8 = false;
    // The page is a .zip archive (an Aozora Bunko work): its text is read out
    // of it as a text file is read, `entry` choosing one of several (else
    // PageFetch::ChooseEntry asks); `html` does not apply to it.
    bool archive = false;
    std::string entry;
    // The body as it came, byte for byte (an archive to keep): no line ends,
    // code or HTML made; `html`, `keepUtf8` and `archive` do not apply.
    bool raw = false;
};

enum class FetchStage { Begin, Data, End, Processing };

// The page, with the editor's line ends and in Shift-JIS: held where it
// arrived when it could stay there (a large page is never copied twice).
class PageText {
public:
    PageText();
    PageText(PageText&&) noexcept;
    PageText& operator=(PageText&&) noexcept;
    ~PageText();

    std::string_view View() const;
    // The code of View(): Shift-JIS (5), or UTF-8 (7) for a page kept as it came.
    int Code() const { return code_; }
    // Characters of a UTF-8 page that Shift-JIS lacks, written as "?" because
    // the page was turned into text (counted only with keepUtf8).
    std::size_t Replaced() const { return replaced_; }

private:
    friend class PageFetch;
    struct Buffer;
    std::unique_ptr<Buffer> buffer_;
    std::string text_;
    std::string_view view_;
    int code_ = 5;
    std::size_t replaced_ = 0;
};

class PageFetch {
public:
    PageFetch();
    ~PageFetch();
    PageFetch(const PageFetch&) = delete;
    PageFetch& operator=(const PageFetch&) = delete;

    // Told of each step: the answer's body begins, data arrived (the bytes
    // received so far and the announced length, -1 when none), it ended, the
    // text is being made.
    std::function<void(FetchStage stage, long long received, long long length)> OnProgress;
    // Runs now and then while a long page is turned into text.
    std::function<void()> Turns;
    // Chooses among the texts (UTF-8 names) of an archive that holds several;
    // nullopt cancels. Unset: such an archive is a failure that names them.
    std::function<std::optional<std::string>(const std::vector<std::string>& names)> ChooseEntry;

    // Fetches the page. Runs the event loop until the request is over. A
    // failure says why: the status and reason of the server ("404 Not Found"),
    // what happened locally ("connection refused", "timed out ..."),
    // "cancelled" (FailureCode::Cancelled) after Cancel, or an empty page.
    Result<PageText> Run(const FetchRequest& request);
    // Ends a running fetch (from an event handler while Run waits).
    void Cancel();
    bool Running() const { return running_; }

    // The client, for what the request does not say (tests, the window's
    // progress texts).
    THttpCli& Client() { return *http_; }

private:
    // The text out of a downloaded archive (request.archive).
    Result<PageText> ArchivePage(PageText page, const std::string& entry);

    std::unique_ptr<THttpCli> http_;
    regex::TAWKStr awk_;
    bool cancelled_ = false;
    bool running_ = false;
};

}  // namespace verdane::core
