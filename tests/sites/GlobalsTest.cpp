// GuardedText under concurrent replacement and copying (meaningful under TSan and ASan).
#include "sites/Globals.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace kf {
namespace {

TEST(GuardedText, ReleaseReportsWhetherItHeldText)
{
    GuardedText text;
    EXPECT_FALSE(text.Release());
    text.Set("abc");
    EXPECT_FALSE(text.Empty());
    EXPECT_TRUE(text.Release());
    EXPECT_TRUE(text.Empty());
    EXPECT_EQ(text.Get(), "");
}

TEST(GuardedText, ReadersAlwaysSeeAWholeValue)
{
    GuardedText text;
    const Text a(4096, 'a');
    const Text b(100, 'b');
    text.Set(a);
    std::atomic<bool> stop {false};
    std::thread writer([&] {
        for (int i = 0; i < 20000; ++i) {
            text.Set(i % 2 ? a : b);
            if (i % 97 == 0)
                text.Release();
        }
        stop = true;
    });
    int torn = 0;
    while (!stop) {
        const Text seen = text.Get();
        if (!(seen.empty() || seen == a || seen == b))
            ++torn;
    }
    writer.join();
    EXPECT_EQ(torn, 0);
}

} // namespace
} // namespace kf
