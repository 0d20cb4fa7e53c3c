// Skin installation: the skin engine library written next to the program, then one skin applied.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace kf {

// The skin engine library's file name in the program's directory.
inline constexpr char SkinEngineFileName[] = "SkinH_EL.dll";

// Loads the library at `libraryPath` and calls its SkinH_AttachRes with the other six
// arguments. The default loads it with the platform's dynamic loader; failures are ignored.
using SkinAttachCall = std::function<void(const std::filesystem::path& libraryPath, const unsigned char* data,
    int length, const char* text, int a, int b, int c)>;

// What InstallSkin works with; each empty member takes the real one.
struct SkinInstallSeams {
    std::filesystem::path programDirectory; // empty: the directory of the running program
    SkinAttachCall attach; // empty: DefaultSkinAttach
};

// The directory that holds the running program's file; empty when it cannot be told.
std::filesystem::path ProgramDirectory();

// Writes SkinEngineLibrary to `programDirectory`/SkinH_EL.dll unless an entry of that name
// (a file, a directory, a link) exists already. An empty directory means ProgramDirectory().
void EnsureSkinEngineLibrary(const std::filesystem::path& programDirectory = {});

// EnsureSkinEngineLibrary, then hands a fresh copy of skin `number` (1 to 33; any other number:
// no data, length 0) to the library's SkinH_AttachRes with an empty text and three zeros.
void InstallSkin(int number, const SkinInstallSeams& seams = {});

// Loads the library file with the dynamic loader and calls its SkinH_AttachRes.
void DefaultSkinAttach(const std::filesystem::path& libraryPath, const unsigned char* data, int length,
    const char* text, int a, int b, int c);

} // namespace kf
