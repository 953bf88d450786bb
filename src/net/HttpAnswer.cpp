// The HTTP client's reading of an answer: the bytes cut into header lines and
// body blocks wherever they were split, the status line and header fields, the
// body handed on block by block, a proxy's answer to CONNECT, and whether a
// closed connection cut the answer short. Nothing here touches the socket: the
// answer's end asks the connection code to close it.
#include "HttpInternal.h"
#include "ShownText.h"

#include <cstring>

namespace verdane {

namespace {

// "404 Not Found", or the code alone when the server gave no reason; the
// server's control characters escaped.
std::string StatusText(int code, const std::string& reason) {
    return EscapeControls(reason.empty() ? std::to_string(code) : std::to_string(code) + " " + reason);
}

// The length of the "HTTP/x.y" that starts a status line (any version, "HTTP/2"
// too), 0 when `line` starts with none.
std::size_t StatusVersionLength(std::string_view line) {
    if (!StartsWith(line, "HTTP/")) return 0;
    auto digits = [&line](std::size_t i) {
        while (i < line.size() && std::isdigit(static_cast<unsigned char>(line[i]))) ++i;
        return i;
    };
    std::size_t end = digits(5);
    if (end == 5) return 0;
    if (end < line.size() && line[end] == '.') {
        const std::size_t minor = digits(end + 1);
        if (minor == end + 1) return 0;
        end = minor;
    }
    return end == line.size() || line[end] == ' ' ? end : 0;
}

// Answers that send the client elsewhere: they are nothing without an address.
bool IsRelocationStatus(int code) { return code >= 300 && code < 400 && code != 304; }

}  // namespace

void THttpCli::BeginAnswer(THttpRequest rqType) {
    ++requestSerial_;
    requestType_ = rqType;
    statusCode_ = 0;
    reasonPhrase_.clear();
    contentLength_ = otherLength_ = -1;
    transferCoding_.clear();
    contentType_.clear();
    receivedHeaders_.clear();
    receivedCount_ = 0;
    headerLineCount_ = bodyBlockCount_ = headerBytes_ = 0;
    rcvdCount_ = 0;
    failed_ = false;
    failureText_.clear();
    answerClosed_ = false;
    locationChangePending_ = false;
    next_ = &THttpCli::HeaderHandler;
    state_ = hsWaitingHeader;
}

void THttpCli::ReceiveAnswerBytes(std::string_view bytes, std::uint16_t error) {
    try {
        while (!bytes.empty()) {
            if (rcvdCount_ >= kBufferSize) throw EHttpException("HTTP line too long", 4);
            std::size_t take = std::min(bytes.size(), static_cast<std::size_t>(kBufferSize - rcvdCount_));
            std::memcpy(rcvdBuffer_ + rcvdCount_, bytes.data(), take);
            rcvdCount_ += static_cast<int>(take);
            rcvdBuffer_[rcvdCount_] = 0;
            bytes.remove_prefix(take);
            if (requestType_ != httpNone) ProcessReceived(error);
        }
    } catch (const std::exception& e) {
        RecordFailure(e.what(), KindOf(e));
        throw;
    }
}

// ---------------------------------------------------------------------------
// The answer

void THttpCli::ProcessReceived(std::uint16_t error) {
    if (answerClosed_) {
        rcvdCount_ = 0;
        return;
    }
    std::weak_ptr<char> life = Life();
    if (state_ == hsWaitingBody) {
        std::string_view block(rcvdBuffer_, static_cast<std::size_t>(rcvdCount_));
        if (next_) (this->*next_)(block, error);
        else PostMessage(kSetReady);
        if (!life.expired()) rcvdCount_ = 0;
        return;
    }
    while (rcvdCount_ > 0) {
        auto* lf = static_cast<char*>(std::memchr(rcvdBuffer_, '\n', static_cast<std::size_t>(rcvdCount_)));
        if (!lf) break;
        std::size_t consumed = static_cast<std::size_t>(lf - rcvdBuffer_) + 1;
        std::size_t lineLen = consumed - 1;
        if (lineLen > 0 && rcvdBuffer_[lineLen - 1] == '\r') --lineLen;
        std::string line(rcvdBuffer_, lineLen);
        std::string lineEnd(rcvdBuffer_ + lineLen, consumed - lineLen);
        std::memmove(rcvdBuffer_, rcvdBuffer_ + consumed, static_cast<std::size_t>(rcvdCount_) - consumed);
        rcvdCount_ -= static_cast<int>(consumed);
        rcvdBuffer_[rcvdCount_] = 0;
        if (state_ == hsWaitingHeader || state_ == hsWaitingBody) {
            lineEnd_ = lineEnd;
            if (next_) (this->*next_)(line, error);
            else PostMessage(kSetReady);
            if (life.expired()) return;
            lineEnd_ = {};
        }
        // Lines outside the answer's states have no use in this program.
    }
    // A full buffer without a line end can never hold a whole line; waiting for
    // more data would wait for ever when the server has sent everything.
    if (rcvdCount_ >= kBufferSize && state_ == hsWaitingHeader) throw EHttpException("HTTP line too long", 4);
}

// The headers have ended: the answer waits for its body, and what is already
// here goes to it, `first` (a line read as part of the page) before the bytes
// still buffered. Any event may end in a handler that aborts the answer or
// deletes the client.
void THttpCli::StartBody(std::string_view first, std::uint16_t error) {
    std::weak_ptr<char> life = Life();
    SetState(hsWaitingBody);
    if (life.expired()) return;
    next_ = &THttpCli::BodyHandler;
    TriggerHeaderEnd();
    if (life.expired()) return;
    // A page announced larger than the limit fails before any of it is read.
    if (state_ == hsWaitingBody && MaxBodySize > 0 && BodyLength() > MaxBodySize) {
        BodyTooLarge();
        return;
    }
    if (!first.empty() && state_ == hsWaitingBody) {
        BodyHandler(first, error);
        if (life.expired()) return;
    }
    if (rcvdCount_ > 0 && state_ == hsWaitingBody && !answerClosed_)
        BodyHandler(std::string_view(rcvdBuffer_, static_cast<std::size_t>(rcvdCount_)), error);
    if (life.expired()) return;
    rcvdCount_ = 0;
    // An answer whose header says it has no body, or an empty one, is complete now.
    if (state_ == hsWaitingBody && !answerClosed_ && BodyLength() >= 0 && receivedCount_ >= BodyLength())
        FinishBody();
}

bool THttpCli::BodyExpected() const {
    return requestType_ != httpHEAD && !(statusCode_ >= 100 && statusCode_ < 200) && statusCode_ != 204 &&
           statusCode_ != 304;
}

long long THttpCli::BodyLength() const {
    if (statusCode_ == 0) return -1;  // a page without header runs to the close
    return BodyExpected() ? contentLength_ : 0;
}

void THttpCli::FinishBody() {
    answerClosed_ = true;
    rcvdCount_ = 0;
    EndConnection();
}

void THttpCli::BodyTooLarge() {
    if (!failed_ && state_ != hsAborting)
        LocalFailure("the page is larger than " + SizeLimitText(MaxBodySize), 0, THttpFailure::PageTooLarge);
    answerClosed_ = true;
    rcvdCount_ = 0;
    EndConnection();
}

void THttpCli::HeaderHandler(std::string_view line, std::uint16_t error) {
    headerBytes_ += static_cast<int>(line.size() + lineEnd_.size());
    if (headerBytes_ > kMaxHeaderSize) throw EHttpException("HTTP header too long", 5);
    // Every event may end in a handler that deletes the client.
    std::weak_ptr<char> life = Life();
    if (headerLineCount_ == 0) {
        TriggerHeaderBegin();
        if (life.expired()) return;
    }
    ++headerLineCount_;

    if (Upper(line.substr(0, 6)) == "<HTML>") {
        // No header at all: the page itself. The line keeps its line end, and what
        // follows it in the buffer goes on as one block, so the text is unchanged.
        if (contentType_.empty()) contentType_ = "text/html";
        StartBody(std::string(line) + std::string(lineEnd_), error);
        return;
    }

    if (line.empty()) {
        if (locationChangePending_) {
            TriggerHeaderEnd();
            if (life.expired()) return;
            rcvdCount_ = 0;
            headerLineCount_ = bodyBlockCount_ = headerBytes_ = 0;
            relocationClose_ = true;
            answerClosed_ = true;
            EndConnection();
            return;
        }
        if (IsRelocationStatus(statusCode_)) {
            // Its body would be taken for the page asked for.
            RecordFailure("relocation without an address (" + StatusText(statusCode_, reasonPhrase_) + ")",
                          THttpFailure::NoRelocationAddress);
            rcvdCount_ = 0;
            answerClosed_ = true;
            EndConnection();
            return;
        }
        if (Lower(documentName_).size() >= 4 && Lower(documentName_).substr(documentName_.size() - 4) == ".exe" &&
            contentType_ == "text/html")
            documentName_ = documentName_.substr(0, documentName_.size() - 3) + "htm";
        if (!FramingTrusted()) return;
        StartBody({}, error);
        return;
    }

    receivedHeaders_.emplace_back(line);
    HandleHeaderLine(line);
    if (life.expired()) return;
    TriggerHeaderData();
    if (life.expired()) return;
    if (statusCode_ >= 400) {
        // The body of an error answer is never read.
        if (!failed_) failureText_ = StatusText(statusCode_, reasonPhrase_);
        rcvdCount_ = 0;
        answerClosed_ = true;
        EndConnection();
    }
}

void THttpCli::HandleHeaderLine(std::string_view line) {
    if (const std::size_t version = StatusVersionLength(line); version > 0) {
        statusCode_ = static_cast<int>(ToInteger(SafeSubstr(line, version + 1, 3)));
        reasonPhrase_ = std::string(TrimBlanks(SafeSubstr(line, version + 5)));
        return;
    }
    std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return;
    std::string name = Lower(TrimBlanks(line.substr(0, colon)));
    // Blanks and tabs around a value are no part of it.
    std::string_view value = TrimBlanks(line.substr(colon + 1));
    if (name == "location") {
        HandleLocation(std::string(value));
    } else if (name == "content-length") {
        const long long length = ToInteger(value);
        if (length < 0) throw EHttpException("negative Content-Length: " + std::string(value), 5);
        // The same length said twice is one length; two lengths leave the body's end unknown.
        if (contentLength_ < 0) contentLength_ = length;
        else if (length != contentLength_ && otherLength_ < 0) otherLength_ = length;
    } else if (name == "transfer-encoding") {
        // Our HTTP/1.0 request takes the body as it comes; a coding would be
        // saved with its own framing inside the page.
        if (Lower(value) != "identity" && transferCoding_.empty()) transferCoding_ = Lower(value);
    } else if (name == "content-range") {
        // "bytes BEGIN-END/TOTAL"
        std::size_t dash = value.find('-');
        if (dash != std::string_view::npos && dash >= 6) {
            std::string_view end = value.substr(dash + 1);
            ContentRangeBegin = std::string(value.substr(6, dash - 6));
            ContentRangeEnd = std::string(end.substr(0, end.find('/')));
        }
    } else if (name == "accept-ranges") {
        acceptRanges_ = std::string(value);
    } else if (name == "content-type") {
        contentType_ = Lower(value);
    } else if (name == "www-authenticate") {
        authChallenges_.emplace_back(value);
    } else if (name == "set-cookie") {
        bool accept = true;
        TriggerCookie(std::string(value), accept);
    }
}

bool THttpCli::FramingTrusted() {
    std::string reason;
    THttpFailure kind = THttpFailure::Other;
    if (statusCode_ == 0) {
        reason = "the answer has no status line", kind = THttpFailure::NoStatusLine;
    } else if (BodyExpected() && !transferCoding_.empty()) {
        reason = "the server sent the page in the transfer coding \"" + transferCoding_ +
                 "\", which an HTTP/1.0 request does not take";
        kind = THttpFailure::TransferCoding;
    } else if (BodyExpected() && otherLength_ >= 0) {
        reason = "the answer gives two different lengths: " + std::to_string(contentLength_) + " and " +
                 std::to_string(otherLength_) + " bytes";
        kind = THttpFailure::TwoLengths;
    } else {
        return true;
    }
    RecordFailure(reason, kind);
    rcvdCount_ = 0;
    answerClosed_ = true;
    EndConnection();
    return false;
}

void THttpCli::HandleLocation(const std::string& v) {
    // A CR or LF in it would end the next request's line early and start a
    // header of the server's choosing there.
    if (HoldsControl(v)) throw EHttpException("relocation to an invalid address: \"" + EscapeControls(v) + "\"", 7);
    locationChangePending_ = true;
    location_ = ResolveRelocation(targetUrl_, v);
}

void THttpCli::BodyHandler(std::string_view block, std::uint16_t) {
    Progress();
    // The announced length ends the body: bytes after it belong to no answer.
    const long long length = BodyLength();
    if (length >= 0 && static_cast<long long>(block.size()) > length - receivedCount_)
        block = block.substr(0, static_cast<std::size_t>(std::max(0LL, length - receivedCount_)));
    if (MaxBodySize > 0 && static_cast<long long>(block.size()) > MaxBodySize - receivedCount_) {
        BodyTooLarge();
        return;
    }
    if (block.empty()) {
        if (length >= 0 && receivedCount_ >= length && !answerClosed_) FinishBody();
        return;
    }
    if (bodyBlockCount_ == 0) {
        std::weak_ptr<char> life = Life();
        TriggerDocBegin();
        if (life.expired() || state_ != hsWaitingBody) return;
    }
    ++bodyBlockCount_;
    receivedCount_ += static_cast<long long>(block.size());
    if (ReceiveStream) {
        ReceiveStream->write(block.data(), static_cast<std::streamsize>(block.size()));
        // A stream that lost bytes (a full disk, no memory) must not end as a whole document.
        if (!*ReceiveStream) throw std::runtime_error("can't store the document: its stream failed");
    }
    std::weak_ptr<char> life = Life();
    TriggerDocData(block.data(), static_cast<int>(block.size()));
    if (life.expired() || state_ != hsWaitingBody || answerClosed_) return;
    if (length >= 0 && receivedCount_ >= length) FinishBody();
}

void THttpCli::TunnelHeaderHandler(std::string_view line, std::uint16_t) {
    headerBytes_ += static_cast<int>(line.size() + lineEnd_.size());
    if (headerBytes_ > kMaxHeaderSize) throw EHttpException("HTTP header too long", 5);
    if (headerLineCount_++ == 0) {
        const std::size_t version = StatusVersionLength(line);
        if (version == 0) throw EHttpException("the proxy did not answer CONNECT with HTTP", 6);
        statusCode_ = static_cast<int>(ToInteger(SafeSubstr(line, version + 1, 3)));
        reasonPhrase_ = std::string(TrimBlanks(SafeSubstr(line, version + 5)));
        return;
    }
    if (!line.empty()) return;
    if (statusCode_ != 200) {
        // The proxy refused the tunnel: an error status is the request's answer;
        // any other is no tunnel either.
        if (statusCode_ >= 400)
            failureText_ = StatusText(statusCode_, reasonPhrase_);
        else
            LocalFailure("the proxy refused the tunnel to " + UrlHost(targetHost_) + ":" + targetPort_ + ": " +
                             StatusText(statusCode_, reasonPhrase_),
                         0, THttpFailure::ProxyTunnel);
        answerClosed_ = true;
        rcvdCount_ = 0;
        EndConnection();
        return;
    }
    // TLS speaks first from the client's side; bytes here were not asked for.
    if (rcvdCount_ > 0) throw EHttpException("the proxy sent data before the TLS handshake", 6);
    statusCode_ = 0;
    reasonPhrase_.clear();
    headerLineCount_ = headerBytes_ = 0;
    next_ = nullptr;
    SecureTunnel();
}

// Whether the connection ended before the answer was complete: a reset, a close
// before the header ended, or fewer body bytes than the header announced.
bool THttpCli::ClosedTooEarly(std::uint16_t error, std::string& reason) const {
    if (state_ == hsWaitingHeader || state_ == hsConnected) {
        reason = error != 0 ? FailureDescription(error, hostName_) : "connection closed before the answer's header ended";
        return true;
    }
    if (state_ != hsWaitingBody) return false;
    if (error != 0) {
        reason = FailureDescription(error, hostName_);
        return true;
    }
    if (BodyExpected() && statusCode_ != 0 && contentLength_ >= 0 && receivedCount_ < contentLength_) {
        reason = "document incomplete: " + std::to_string(receivedCount_) + " of " + std::to_string(contentLength_) +
                 " bytes received";
        return true;
    }
    return false;
}

}  // namespace verdane
