// Downloading a page for the open-from-URL command, the library and
// `verdane-cli fetch`: the HTTP request (User-Agent "Halvorn", no-cache, an
// optional proxy) and the body as it came, gathered or handed on a piece at a
// time as it arrives. What the body is (a text, an archive) is for the caller
// to decide. Progress and cancelling go through callbacks, so the download
// window and the command line show the same failures in the same words.
#pragma once

#include "Result.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

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
};

enum class FetchStage { Begin, Data, End, Processing };

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
    // Fetches the page's body. Runs the event loop until the request is over.
    // A failure says why: the status and reason of the server ("404 Not
    // Found"), what happened locally ("connection refused", "timed out ..."),
    // "cancelled" (FailureCode::Cancelled) after Cancel, or an empty page.
    // The body is gathered in one piece of memory, made its announced size
    // at once.
    Result<std::string> Run(const FetchRequest& request);
    // The same with the body handed to `piece` as it arrives, in the order it
    // came, instead of gathered; gives the bytes received. A failure thrown
    // by `piece` (a full disk) ends the request and is the result.
    Result<long long> Run(const FetchRequest& request, const std::function<void(std::string_view piece)>& piece);
    // Ends a running fetch (from an event handler while Run waits).
    void Cancel();
    bool Running() const { return running_; }

    // The client, for what the request does not say (tests, the window's
    // progress texts).
    THttpCli& Client() { return *http_; }

private:
    std::unique_ptr<THttpCli> http_;
    bool cancelled_ = false;
    bool running_ = false;
};

}  // namespace verdane::core
