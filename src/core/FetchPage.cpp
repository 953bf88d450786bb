#include "FetchPage.h"

#include "FailureOf.h"
#include "HtmlText.h"
#include "HttpProt.h"
#include "KanjiCode.h"
#include "ReadText.h"
#include "TextBytes.h"
#include "ZipArchive.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>
#include <sys/mman.h>

namespace verdane::core {

// The page as it arrives, in one mapping of the system's that grows in place
// or moves by its page tables (mremap): growing never copies the bytes already
// received, and large memory pages keep the page faults few. While each block
// is still in the cache it is checked for line ends other than CR LF, so a page
// that already has the editor's line ends is used from where it arrived.
struct PageText::Buffer {
    Buffer() = default;
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;
    ~Buffer() { Release(); }

    void Append(const char* bytes, std::size_t len) {
        if (len == 0) return;
        if (size + len + 2 > capacity) Grow(size + len + 2);  // room for a last CR LF
        std::memcpy(data + size, bytes, len);
        const std::size_t from = size;
        size += len;
        if (crLfOnly) crLfOnly = LineEndsPairedFrom(std::string_view(data, size), from);
    }

    // The whole page with the editor's line ends, the last line's included:
    // in this buffer when it had them already, otherwise made in `copy` (and
    // this buffer given back).
    std::pair<char*, std::size_t> Finish(std::string& copy) {
        if (crLfOnly && (size == 0 || data[size - 1] != '\r')) {
            if (size > 0 && (size < 2 || data[size - 1] != '\n')) {
                data[size++] = '\r';
                data[size++] = '\n';
            }
            return {data, size};
        }
        // The copy grows as the buffer is given back a piece at a time, so the
        // two together hold about one page.
        copy.clear();
        copy.reserve(size + size / 16 + 2);
        EditorLineEndJoiner joiner(copy);
        constexpr std::size_t kPiece = std::size_t{4} << 20;  // whole pages: data comes from mmap
        for (std::size_t at = 0; at < size; at += kPiece) {
            const std::size_t n = std::min(kPiece, size - at);
            joiner.Append(std::string_view(data + at, n));
            if (n == kPiece) ::madvise(data + at, n, MADV_DONTNEED);
        }
        joiner.Finish();
        Release();
        return {copy.data(), copy.size()};
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

    void Release() {
        if (data) ::munmap(data, capacity);
        data = nullptr;
        size = capacity = 0;
    }

    char* data = nullptr;
    std::size_t size = 0, capacity = 0;
    bool crLfOnly = true;
};

PageText::PageText() = default;
PageText::PageText(PageText&& other) noexcept { *this = std::move(other); }
PageText& PageText::operator=(PageText&& other) noexcept {
    // A view into the string moves with it only when the string's bytes do:
    // the view is made anew from the offset.
    const bool inText = !other.text_.empty() && other.view_.data() >= other.text_.data() &&
                        other.view_.data() <= other.text_.data() + other.text_.size();
    const std::size_t offset = inText ? static_cast<std::size_t>(other.view_.data() - other.text_.data()) : 0;
    const std::size_t length = other.view_.size();
    buffer_ = std::move(other.buffer_);
    text_ = std::move(other.text_);
    view_ = inText ? std::string_view(text_.data() + offset, length) : other.view_;
    code_ = other.code_;
    replaced_ = other.replaced_;
    other.view_ = {};
    return *this;
}
PageText::~PageText() = default;

std::string_view PageText::View() const { return view_; }

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

    PageText page;
    page.buffer_ = std::make_unique<PageText::Buffer>();
    PageText::Buffer& body = *page.buffer_;
    page.code_ = kcShiftJis;
    long long received = 0;
    std::optional<Failure> eventFailure;
    // A failure inside an event (no memory for the page) ends the request.
    auto guarded = [&](auto&& work) {
        try {
            work();
        } catch (const std::exception& e) {
            if (!eventFailure) eventFailure = FailureOf(e);
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
            body.Append(data, static_cast<std::size_t>(len));
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
    if (request.raw) {
        if (body.size == 0) return Failure{FailureCode::EmptyPage, request.url};
        page.text_.assign(body.data, body.size);
        page.buffer_.reset();
        page.view_ = page.text_;
        return page;
    }
    if (request.archive) return ArchivePage(std::move(page), request.entry);
    try {
        auto [data, size] = body.Finish(page.text_);
        if (size == 0) return Failure{FailureCode::EmptyPage, request.url};
        std::string aside;
        if (request.keepUtf8 && IsUtf8Text(std::string_view(data, size))) {
            if (!request.html) {
                page.code_ = kcUtf8;
                page.view_ = std::string_view(data, size);
                return page;
            }
            // The pattern engine reads Shift-JIS: what it cannot hold is counted.
            std::vector<KanjiReplacement> replaced;
            aside = Utf8ToCp932(std::string_view(data, size), &replaced);
            page.replaced_ = replaced.size();
            size = kConvertedAside;
        } else {
            // The page's byte-order mark or declared charset, else detection.
            size = ConvertToShiftJisInBuffer(data, size, aside, PageKanjiCode(http.ContentType(), {data, size}));
        }
        if (size == kConvertedAside) {
            page.text_ = std::move(aside);
            page.buffer_.reset();
            page.view_ = page.text_;
        } else {
            page.view_ = std::string_view(data, size);
        }
        if (request.html) {
            std::string text = HtmlPageToText(awk_, page.view_, Turns);
            page.buffer_.reset();
            page.text_ = std::move(text);
            page.view_ = page.text_;
        }
    } catch (const std::exception& e) {
        return FailureOf(e);
    }
    return page;
}

Result<PageText> PageFetch::ArchivePage(PageText page, const std::string& entry) {
    PageText::Buffer& body = *page.buffer_;
    const std::string_view bytes(body.data, body.size);
    if (bytes.empty()) return Failure{FailureCode::EmptyPage};
    ArchiveText archive = ReadArchiveText(bytes, entry);
    if (archive.status == ArchiveText::Status::Several && ChooseEntry) {
        const std::optional<std::string> chosen = ChooseEntry(archive.names);
        if (!chosen) return Failure{FailureCode::Cancelled};
        archive = ReadArchiveText(bytes, *chosen);
    }
    if (archive.status != ArchiveText::Status::Ok) return archive.failure;
    page.buffer_.reset();
    page.text_ = std::move(archive.bytes);
    MakeShiftJisText(page.text_);
    page.view_ = page.text_;
    return page;
}

}  // namespace verdane::core
