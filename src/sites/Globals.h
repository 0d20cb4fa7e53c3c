// The four process-wide globals of the program, made safe for the window and search threads.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "text/Text.h"

namespace kf {

// A text shared between threads: readers take a copy, writers replace the value whole.
class GuardedText {
public:
    Text Get() const;
    void Set(Text value);
    // Frees the storage and leaves the text empty; returns whether it held a text.
    bool Release();
    bool Empty() const;

private:
    mutable std::mutex mutex_;
    Text value_;
};

struct Globals {
    GuardedText SiteQueryPrefix;
    std::atomic<std::int32_t> CurrentPage {0};
    std::atomic<std::int32_t> ResultRowCounter {0};
    GuardedText LastPageText;
};

} // namespace kf
