// PaintTurns: long work on the window's thread (the HTML conversion, filling
// the editor with a long text) calls it often; every 50 ms it gives the window
// a turn to paint.
#pragma once

#include <atomic>
#include <thread>

namespace verdane {

// Long work on the window's thread calls this often (the HTML conversion for
// every byte); every 50 ms the window gets a turn to paint. A small thread
// raises a flag when a turn is due, so a call in between costs one load.
class PaintTurns {
public:
    PaintTurns();
    void operator()() {
        if (due_.load(std::memory_order_relaxed)) TakeTurn();
    }

private:
    void TakeTurn();

    std::atomic<bool> due_{false};
    std::jthread ticker_;  // last: stopped and joined before the flag goes
};

}  // namespace verdane
