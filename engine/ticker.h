// A flag raised at every interval from a thread of its own, so that telling
// whether the time has come costs a formatting step one read of memory,
// however many steps there are and however long each takes.
#pragma once

#include <atomic>
#include <chrono>
#include <thread>

namespace tintext {

class Ticker {
public:
    // Raises std::system_error when no thread can be had.
    explicit Ticker(std::chrono::milliseconds interval);

    // Whether an interval has ended since the last call that said so.
    bool Due() {
        if (!due_.load(std::memory_order_relaxed)) return false;
        due_.store(false, std::memory_order_relaxed);
        return true;
    }

private:
    std::atomic<bool> due_{false};
    std::jthread thread_;  // last: stopped and joined before the flag goes
};

}  // namespace tintext
