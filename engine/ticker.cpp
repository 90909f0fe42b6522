#include "engine/ticker.h"

#include <condition_variable>
#include <mutex>

namespace tintext {

Ticker::Ticker(std::chrono::milliseconds interval)
    : thread_([this, interval](std::stop_token stop) {
          std::mutex mutex;
          std::condition_variable_any wake;
          std::unique_lock lock(mutex);
          while (!stop.stop_requested()) {
              wake.wait_for(lock, stop, interval, [] { return false; });
              due_.store(true, std::memory_order_relaxed);
          }
      }) {}

}  // namespace tintext
