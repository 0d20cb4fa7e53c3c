// Tests of the skin installation: the library file next to the program and the engine call.
#include "startup/SkinInstall.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "TempDirectory.h"
#include "startup/EmbeddedData.h"

namespace {

namespace fs = std::filesystem;

// One recorded SkinH_AttachRes call, with a copy of the bytes it was given.
struct AttachRecord {
    fs::path libraryPath;
    const unsigned char* data = nullptr;
    int length = -1;
    std::string text;
    int a = -1, b = -1, c = -1;
    std::vector<unsigned char> bytes;
};

struct Recorder {
    std::vector<AttachRecord> calls;

    kf::SkinAttachCall Seam()
    {
        return [this](const fs::path& path, const unsigned char* data, int length, const char* text, int a,
                   int b, int c) {
            AttachRecord record {path, data, length, text ? text : "(null)", a, b, c, {}};
            if (data && length > 0)
                record.bytes.assign(data, data + length);
            calls.push_back(std::move(record));
        };
    }
};

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string AsString(kf::EmbeddedBytes bytes)
{
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

class SkinInstallTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(dir.path().empty()); }

    fs::path LibraryFile() const { return dir.path() / "SkinH_EL.dll"; }
    kf::SkinInstallSeams Seams() { return {dir.path(), recorder.Seam()}; }

    TempDirectory dir;
    Recorder recorder;
};

TEST_F(SkinInstallTest, FirstStartWritesTheLibraryThenCallsTheEngineFromThatFile)
{
    kf::InstallSkin(13, Seams());

    ASSERT_TRUE(fs::is_regular_file(LibraryFile()));
    EXPECT_EQ(ReadFile(LibraryFile()), AsString(kf::SkinEngineLibrary));
#if KF_HAS_SKIN_ENGINE
    EXPECT_GT(fs::file_size(LibraryFile()), 1000u);
    EXPECT_EQ(ReadFile(LibraryFile()).substr(0, 4),
        "\x7f"
        "ELF");
#endif
    ASSERT_EQ(recorder.calls.size(), 1u);
    EXPECT_EQ(recorder.calls[0].libraryPath, LibraryFile());
}

TEST_F(SkinInstallTest, AnExistingEntryOfThatNameIsLeftUntouched)
{
    struct Case {
        const char* name;
        bool directory;
    };
    for (const Case& c : {Case {"different file", false}, Case {"directory", true}}) {
        SCOPED_TRACE(c.name);
        TempDirectory local;
        const fs::path file = local.path() / "SkinH_EL.dll";
        if (c.directory) {
            ASSERT_TRUE(fs::create_directory(file));
        } else {
            std::ofstream(file, std::ios::binary) << "an older engine";
        }
        const auto before = fs::last_write_time(file);
        Recorder local_recorder;

        kf::InstallSkin(13, {local.path(), local_recorder.Seam()});

        EXPECT_EQ(fs::is_directory(file), c.directory);
        if (!c.directory) {
            EXPECT_EQ(ReadFile(file), "an older engine");
        }
        EXPECT_EQ(fs::last_write_time(file), before);
        // The engine is still called: nothing in the installation depends on the step before.
        EXPECT_EQ(local_recorder.calls.size(), 1u);
    }
}

TEST_F(SkinInstallTest, SecondStartDoesNotRewriteTheFirstStartsFile)
{
    kf::InstallSkin(13, Seams());
    std::ofstream(LibraryFile(), std::ios::binary | std::ios::trunc) << "replaced by the user";

    kf::InstallSkin(13, Seams());

    EXPECT_EQ(ReadFile(LibraryFile()), "replaced by the user");
    EXPECT_EQ(recorder.calls.size(), 2u);
}

TEST_F(SkinInstallTest, TheEngineGetsAFreshCopyOfTheNumberedSkinOrNothing)
{
    struct Case {
        int number;
        bool hasData;
    };
    const Case cases[] = {{13, true}, {1, true}, {33, true}, {0, false}, {34, false}, {-1, false},
        {INT_MIN, false}, {INT_MAX, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        recorder.calls.clear();

        kf::InstallSkin(c.number, Seams());

        ASSERT_EQ(recorder.calls.size(), 1u);
        const AttachRecord& call = recorder.calls[0];
        EXPECT_EQ(call.text, "");
        EXPECT_EQ(call.a, 0);
        EXPECT_EQ(call.b, 0);
        EXPECT_EQ(call.c, 0);
        if (c.hasData) {
            const kf::EmbeddedBytes skin = kf::SkinTable[static_cast<std::size_t>(c.number - 1)];
            ASSERT_NE(call.data, nullptr);
            EXPECT_NE(call.data, skin.data()) << "the engine must get a copy, not the table itself";
            EXPECT_EQ(call.length, static_cast<int>(skin.size()));
            EXPECT_EQ(std::string(call.bytes.begin(), call.bytes.end()), AsString(skin));
            EXPECT_EQ(std::string(call.bytes.begin(), call.bytes.begin() + 4), ".SHE");
        } else {
            EXPECT_EQ(call.data, nullptr);
            EXPECT_EQ(call.length, 0);
        }
    }
}

TEST_F(SkinInstallTest, EverySkinIsSignedAndDistinct)
{
    for (int number = 1; number <= kf::SkinCount; ++number) {
        SCOPED_TRACE(number);
        const std::string skin = AsString(kf::SkinTable[static_cast<std::size_t>(number - 1)]);
        ASSERT_GT(skin.size(), 4u);
        EXPECT_EQ(skin.substr(0, 4), ".SHE");
        for (int other = 1; other < number; ++other)
            EXPECT_NE(skin, AsString(kf::SkinTable[static_cast<std::size_t>(other - 1)]))
                << "same as " << other;
    }
}

TEST_F(SkinInstallTest, AFailedWriteIsIgnoredAndTheEngineIsStillCalled)
{
    const fs::path missing = dir.path() / "no such folder";

    kf::InstallSkin(13, {missing, recorder.Seam()});

    EXPECT_FALSE(fs::exists(missing));
    ASSERT_EQ(recorder.calls.size(), 1u);
    EXPECT_EQ(recorder.calls[0].libraryPath, missing / "SkinH_EL.dll");
}

TEST_F(SkinInstallTest, AWriteCutShortLeavesNoTruncatedLibraryBehind)
{
    if (kf::SkinEngineLibrary.size() < 2048)
        GTEST_SKIP() << "this build embeds no skin engine library";
    // The child process may write no more than 1 KiB to any file, so the write fails midway.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit {1024, 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        kf::EnsureSkinEngineLibrary(dir.path());
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));

    EXPECT_FALSE(fs::exists(LibraryFile()));
    kf::EnsureSkinEngineLibrary(dir.path());
    EXPECT_EQ(ReadFile(LibraryFile()), AsString(kf::SkinEngineLibrary)) << "the next start writes it whole";
}

TEST_F(SkinInstallTest, TheRealLoaderIgnoresAFileThatIsNoLibrary)
{
    std::ofstream(LibraryFile(), std::ios::binary) << "not a shared library";

    kf::InstallSkin(13, {dir.path(), {}});

    EXPECT_EQ(ReadFile(LibraryFile()), "not a shared library");
}

TEST(ProgramDirectoryTest, IsTheFolderOfTheRunningTestProgram)
{
    const fs::path directory = kf::ProgramDirectory();
    ASSERT_FALSE(directory.empty());
    EXPECT_TRUE(fs::is_directory(directory));
    EXPECT_TRUE(fs::exists(directory / fs::read_symlink("/proc/self/exe").filename()));
}

} // namespace
