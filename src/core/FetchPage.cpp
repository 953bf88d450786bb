#include "FetchPage.h"

#include "FailureOf.h"
#include "HttpProt.h"

#include <optional>

namespace verdane::core {

namespace {

// A reason on one line: the socket layer's texts may hold a CR LF.
std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n') c = ' ';
    return text;
}

}  // namespace

PageFetch::PageFetch() : http_(std::make_unique<THttpCli>()) {
    THttpCli& http = *http_;
    http.Agent = "Halvorn";
    http.NoCache = true;
    http.ProxyPort = "80";
    http.ContentTypePost = "application/x-www-form-urlencoded";
}

PageFetch::~PageFetch() = default;

void PageFetch::Cancel() {
    cancelled_ = true;
    http_->Abort();
}

Result<std::string> PageFetch::Run(const FetchRequest& request) {
    std::string body;
    Result<long long> received = Run(request, [this, &body, &request](std::string_view piece) {
        if (body.empty()) {
            const long long length = http_->ContentLength();
            if (length > 0 && (request.maxBodySize <= 0 || length <= request.maxBodySize))
                body.reserve(static_cast<std::size_t>(length));
        }
        body.append(piece);
    });
    if (!received) return received.Fault();
    if (body.empty()) return Failure{FailureCode::EmptyPage, request.url};
    return body;
}

Result<long long> PageFetch::Run(const FetchRequest& request, const std::function<void(std::string_view piece)>& piece) {
    THttpCli& http = *http_;
    http.URL = request.url;
    http.Proxy = request.proxy;
    http.ProxyPort = request.proxy.empty() ? "80" : request.proxyPort;
    http.ProxyUsername = request.proxy.empty() ? std::string() : request.proxyUser;
    http.ProxyPassword = request.proxy.empty() ? std::string() : request.proxyPassword;
    http.TimeoutMs = request.timeoutMs;
    http.MaxTimeMs = request.maxTimeMs;
    http.SslVerifyPeer = request.verifyPeer;
    http.MaxBodySize = request.maxBodySize;
    http.ReceiveStream = nullptr;  // the body arrives through OnDocData

    long long received = 0;
    std::optional<Failure> eventFailure;
    // A failure inside an event (no memory, a full disk) ends the request.
    auto guarded = [&](auto&& work) {
        if (eventFailure) return;
        try {
            work();
        } catch (const std::exception& e) {
            eventFailure = FailureOf(e);
            http.Abort();
        }
    };
    http.OnDocBegin = [&](THttpCli& h) {
        guarded([&] {
            if (OnProgress) OnProgress(FetchStage::Begin, 0, h.ContentLength());
        });
    };
    http.OnDocData = [&](THttpCli& h, const char* data, int len) {
        guarded([&] {
            if (len <= 0) return;
            piece(std::string_view(data, static_cast<std::size_t>(len)));
            received += len;
            if (OnProgress) OnProgress(FetchStage::Data, received, h.ContentLength());
        });
    };
    http.OnDocEnd = [&](THttpCli& h) {
        guarded([&] {
            if (OnProgress) OnProgress(FetchStage::End, received, h.ContentLength());
        });
    };

    cancelled_ = false;
    running_ = true;
    std::optional<Failure> failure;
    try {
        http.Get();
    } catch (const std::exception& e) {
        failure = http.FailureKind() != THttpFailure::None ? FailureOfRequest(http, request.timeoutMs)
                                                            : Failure{FailureCode::Internal, {}, OneLine(e.what())};
    }
    running_ = false;
    http.OnDocBegin = nullptr;
    http.OnDocData = nullptr;
    http.OnDocEnd = nullptr;
    if (cancelled_) return Failure{FailureCode::Cancelled};
    if (eventFailure) return *eventFailure;
    if (failure) return *failure;
    if (OnProgress) OnProgress(FetchStage::Processing, received, http.ContentLength());
    return received;
}

}  // namespace verdane::core
