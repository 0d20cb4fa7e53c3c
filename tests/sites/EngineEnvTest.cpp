// KESTRELFIND_ENGINE_URL replaces the engine's address (set before anything reads it).
#include <gtest/gtest.h>

#include <cstdlib>

#include "sites/SiteCatalogue.h"

namespace kf {
namespace {

TEST(EngineAddress, EnvironmentReplacesTheEngine)
{
    Globals globals;
    SelectSite(globals, "pan.baidu.com");
    EXPECT_EQ(globals.SiteQueryPrefix.Get(), "http://127.0.0.1:8123/s?wd=site:pan.baidu.com ");
}

} // namespace
} // namespace kf

int main(int argc, char** argv)
{
    setenv("KESTRELFIND_ENGINE_URL", "http://127.0.0.1:8123", 1);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
