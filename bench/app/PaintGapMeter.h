// The longest time the window's event loop went without a turn while a command
// ran: a 5 ms timer notes each turn it gets, so a gap is time in which the
// window could not have painted either. Used by the window benchmarks.
#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

namespace verdane::bench {

class PaintGapMeter {
public:
    PaintGapMeter() {
        QObject::connect(&ticker_, &QTimer::timeout, [this] { Turn(); });
    }
    void Start() {
        last_ = 0;
        clock_.start();
        ticker_.start(5);
    }
    // Stops the timer; the stretch since its last turn counts as a gap too.
    void Stop() {
        ticker_.stop();
        Turn();
    }
    // The worst gap of every run so far, in milliseconds.
    double WorstMs() const { return worst_; }

private:
    void Turn() {
        const qint64 now = clock_.elapsed();
        worst_ = std::max(worst_, double(now - last_));
        last_ = now;
    }

    QTimer ticker_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    double worst_ = 0;
};

}  // namespace verdane::bench
