// The line layer of the socket (received bytes handed out one line at a time)
// and the blocking waits that run the event loop until something happened.
#include "WSocketInternal.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstring>

namespace verdane {

// ---------------------------------------------------------------------------
// Line mode

void TCustomLineWSocket::SetLineMode(bool value) {
    if (value == lineMode_) return;
    lineMode_ = value;
    lineLength_ = 0;
    // Bytes already buffered are delivered in the new mode by a posted message.
    if (!rcvdBuf_.empty()) Post(kLineModeDeliver);
}

void TCustomLineWSocket::TriggerLineLimitExceeded(int rcvdLength, bool& clearData) {
    if (OnLineLimitExceeded) OnLineLimitExceeded(*this, rcvdLength, clearData);
}

void TCustomLineWSocket::EditLine(std::string& bytes) {
    std::string edited;
    for (char c : bytes) {
        if (c == '\b') {
            if (!rcvdBuf_.empty() || !edited.empty()) {
                if (!edited.empty()) edited.pop_back();
                else rcvdBuf_.pop_back();
                if (LineEcho) SendStr("\b \b");
            }
        } else if (c == '\t') {
            std::size_t column = rcvdBuf_.size() + edited.size();
            std::size_t last = (rcvdBuf_ + edited).rfind('\n');
            if (last != std::string::npos) column -= last + 1;
            edited.append(8 - column % 8, ' ');
        } else {
            edited += c;
        }
    }
    bytes = std::move(edited);
}

bool TCustomLineWSocket::TriggerDataAvailable(std::uint16_t error) {
    if (!lineMode_ || LineEnd.empty() || LowerLayerBusy()) return TCustomSslWSocket::TriggerDataAvailable(error);
    // Everything that can be read now: a TLS layer may hold more than one read
    // event announced.
    std::string bytes;
    char block[16384];
    for (;;) {
        int got = TCustomSslWSocket::Receive(block, sizeof block);
        if (got <= 0) break;
        bytes.append(block, static_cast<std::size_t>(got));
        if (got < static_cast<int>(sizeof block) && !SslActive()) break;
    }
    if (lastError_ == WSAEWOULDBLOCK) lastError_ = 0;
    if (bytes.empty()) return true;
    if (LineEcho) SendStr(bytes);
    if (LineEdit) EditLine(bytes);
    rcvdBuf_ += bytes;
    DeliverLines(error, false);
    return true;
}

// Hands out every complete line; returns false when the socket went away.
bool TCustomLineWSocket::DeliverLines(std::uint16_t error, bool flushPartial) {
    std::uint64_t serial = serial_;
    for (;;) {
        std::size_t end = lineMode_ && !LineEnd.empty() ? rcvdBuf_.find(LineEnd) : std::string::npos;
        if (end != std::string::npos) {
            lineLength_ = end + LineEnd.size();
        } else if ((flushPartial || !lineMode_) && !rcvdBuf_.empty()) {
            lineLength_ = rcvdBuf_.size();
        } else {
            break;
        }
        if (OnDataAvailable) OnDataAvailable(*this, error);
        if (serial != serial_) return false;
        // A line the handler did not take is dropped, so the loop always advances.
        if (lineLength_ > 0) {
            rcvdBuf_.erase(0, lineLength_);
            lineLength_ = 0;
        }
    }
    if (LineLimit > 0 && rcvdBuf_.size() > static_cast<std::size_t>(LineLimit)) {
        bool clearData = true;
        TriggerLineLimitExceeded(static_cast<int>(rcvdBuf_.size()), clearData);
        if (clearData) rcvdBuf_.clear();
    }
    return true;
}

int TCustomLineWSocket::Receive(void* buffer, int size) {
    if (lineLength_ == 0) {
        if (lineMode_ && !LineEnd.empty()) return 0;
        return TCustomSslWSocket::Receive(buffer, size);
    }
    int n = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(std::max(size, 0)), lineLength_));
    std::memcpy(buffer, rcvdBuf_.data(), static_cast<std::size_t>(n));
    rcvdBuf_.erase(0, static_cast<std::size_t>(n));
    lineLength_ -= static_cast<std::size_t>(n);
    return n;
}

int TCustomLineWSocket::RcvdCount() {
    if (lineLength_ > 0) return static_cast<int>(lineLength_);
    if (lineMode_ && !LineEnd.empty()) return 0;
    return TCustomSslWSocket::RcvdCount();
}

void TCustomLineWSocket::TriggerSessionClosed(std::uint16_t error) {
    // A last line without its line end is still a line.
    if (!rcvdBuf_.empty()) DeliverLines(error, true);
    rcvdBuf_.clear();
    lineLength_ = 0;
    TCustomSslWSocket::TriggerSessionClosed(error);
}

void TCustomLineWSocket::WndProc(const TMessageEvent& message) {
    if (message.Msg != kLineModeDeliver) {
        TCustomSslWSocket::WndProc(message);
        return;
    }
    try {
        DeliverLines(0, false);
    } catch (const std::exception& e) {
        HandleBackgroundException(e);
    }
}

// ---------------------------------------------------------------------------
// Blocking waits

int TCustomSyncWSocket::WaitUntilReady(const bool& flag, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    QTimer wakeUp;  // wakes the wait at the deadline
    wakeUp.setSingleShot(true);
    wakeUp.setTimerType(Qt::PreciseTimer);
    while (!flag) {
        if (QCoreApplication::closingDown()) return 12001;
        if (timeoutMs > 0) {
            qint64 left = timeoutMs - clock.elapsed();
            if (left <= 0) return 12001;
            // A timer may fire a little early: it is set again for the time
            // left, so the wait never sleeps past its deadline without one.
            if (!wakeUp.isActive()) wakeUp.start(static_cast<int>(left));
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return 0;
}

bool TCustomSyncWSocket::ReadLine(int timeoutMs, std::string& line) {
    // What the temporary handlers touch lives in shared state, so a handler
    // copied and called later (or after this returns) never reaches a dead frame.
    struct Wait {
        bool gotLine = false, finished = false;
        std::string line;
    };
    auto wait = std::make_shared<Wait>();
    // The caller's handlers come back on every way out, a thrown exception too.
    struct Restore {
        TCustomSyncWSocket& socket;
        TSessionEvent data, closed;
        ~Restore() {
            socket.OnDataAvailable = std::move(data);
            socket.OnSessionClosed = std::move(closed);
        }
    } restore{*this, OnDataAvailable, OnSessionClosed};
    OnDataAvailable = [wait](TCustomWSocket& s, std::uint16_t) {
        if (wait->finished) return;
        int count = s.RcvdCount();
        wait->line.assign(static_cast<std::size_t>(std::max(count, 0)), '\0');
        int got = s.Receive(wait->line.data(), count);
        wait->line.resize(static_cast<std::size_t>(std::max(got, 0)));
        wait->gotLine = wait->finished = true;
    };
    // A close ends the wait; the socket's state tells the caller.
    OnSessionClosed = [wait](TCustomWSocket&, std::uint16_t) { wait->finished = true; };
    WaitUntilReady(wait->finished, timeoutMs);
    line = wait->line;
    return wait->gotLine;
}

}  // namespace verdane
