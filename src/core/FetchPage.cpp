#include "FetchPage.h"

#include "FailureOf.h"
#include "HttpProt.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
#include <sys/mman.h>

namespace verdane::core {

// The body as it arrives, in one mapping of the system's that grows in place
// or moves by its page tables (mremap): growing never copies the bytes already
// received, and large memory pages keep the page faults few.
struct PageText::Buffer {
    Buffer() = default;
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;
    ~Buffer() {
        if (data) ::munmap(data, capacity);
    }

    void Append(const char* bytes, std::size_t len) {
        if (len == 0) return;
        if (size + len > capacity) Grow(size + len);
        std::memcpy(data + size, bytes, len);
        size += len;
    }

    void Grow(std::size_t need) {
        constexpr std::size_t kUnit = std::size_t{2} << 20;  // one large memory page
        std::size_t grown = std::max<std::size_t>(capacity * 2, std::size_t{16} << 20);
        while (grown < need) grown *= 2;
        grown = (grown + kUnit - 1) / kUnit * kUnit;
        void* p = data ? ::mremap(data, capacity, grown, MREMAP_MAYMOVE)
                       : ::mmap(nullptr, grown, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) throw std::bad_alloc();
        data = static_cast<char*>(p);
        capacity = grown;
        ::madvise(data, capacity, MADV_HUGEPAGE);  // only a hint: fine if refused
    }

    char* data = nullptr;
    std::size_t size = 0, capacity = 0;
};

PageText::PageText() = default;
PageText::PageText(PageText&& other) noexcept = default;
PageText& PageText::operator=(PageText&& other) noexcept = default;
PageText::~PageText() = default;

std::string_view PageText::View() const { return buffer_ ? std::string_view(buffer_->data, buffer_->size) : std::string_view(); }

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

Result<PageText> PageFetch::Run(const FetchRequest& request) {
    PageText page;
    page.buffer_ = std::make_unique<PageText::Buffer>();
    PageText::Buffer& body = *page.buffer_;
    Result<long long> received = Run(request, [&body](std::string_view piece) { body.Append(piece.data(), piece.size()); });
    if (!received) return received.Fault();
    if (body.size == 0) return Failure{FailureCode::EmptyPage, request.url};
    return page;
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
