#include "PaintTurns.h"

#include <QCoreApplication>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stop_token>

namespace verdane {

PaintTurns::PaintTurns()
    : ticker_([this](std::stop_token stop) {
          std::mutex mutex;
          std::condition_variable_any wake;
          std::unique_lock lock(mutex);
          while (!stop.stop_requested()) {
              wake.wait_for(lock, stop, std::chrono::milliseconds(50), [] { return false; });
              due_.store(true, std::memory_order_relaxed);
          }
      }) {}

// User input waits: a click or key now would start a second command in the
// middle of the first.
void PaintTurns::TakeTurn() {
    due_.store(false, std::memory_order_relaxed);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace verdane
