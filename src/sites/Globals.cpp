// The guarded text global: every access takes the lock, so a release never meets a copy.
#include "sites/Globals.h"

#include <utility>

namespace kf {

Text GuardedText::Get() const
{
    std::lock_guard lock(mutex_);
    return value_;
}

void GuardedText::Set(Text value)
{
    Text old;
    {
        std::lock_guard lock(mutex_);
        old = std::exchange(value_, std::move(value));
    }
    // `old` is freed here, outside the lock.
}

bool GuardedText::Release()
{
    Text old;
    {
        std::lock_guard lock(mutex_);
        old = std::exchange(value_, Text {});
    }
    return !old.empty();
}

bool GuardedText::Empty() const
{
    std::lock_guard lock(mutex_);
    return value_.empty();
}

} // namespace kf
