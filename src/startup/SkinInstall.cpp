// Skin installation: the skin engine library written next to the program, then one skin applied.
#include "startup/SkinInstall.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <system_error>

#include "startup/EmbeddedData.h"

namespace kf {

namespace {

std::filesystem::path LibraryPath(const std::filesystem::path& programDirectory)
{
    return (programDirectory.empty() ? ProgramDirectory() : programDirectory) / SkinEngineFileName;
}

// Writes all of `bytes` to a new file; false when the file exists or any step fails.
bool WriteNewFile(const std::filesystem::path& path, EmbeddedBytes bytes)
{
    // O_EXCL: replace nothing, even an entry that appeared since the existence test.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    bool written = true;
    std::size_t done = 0;
    while (written && done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        written = n > 0;
        if (written)
            done += static_cast<std::size_t>(n);
    }
    written = (::close(fd) == 0) && written;
    return written;
}

} // namespace

std::filesystem::path ProgramDirectory()
{
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : program.parent_path();
}

void EnsureSkinEngineLibrary(const std::filesystem::path& programDirectory)
{
    std::error_code error;
    // Any entry counts, even a dangling link or a directory; nothing is compared.
    if (std::filesystem::symlink_status(LibraryPath(programDirectory), error).type()
        != std::filesystem::file_type::not_found)
        return;
    if (error && error != std::errc::no_such_file_or_directory)
        return;
    if (!WriteNewFile(LibraryPath(programDirectory), SkinEngineLibrary)) {
        // A half-written library would count as present at every later start and never load:
        // remove what a failed write left, so the next start writes it again.
        std::filesystem::remove(LibraryPath(programDirectory), error);
        return;
    }
    // The hidden attribute: this platform's files have none (a leading dot would change the
    // name), so nothing happens here and the file keeps the default permissions.
}

void InstallSkin(int number, const SkinInstallSeams& seams)
{
    EnsureSkinEngineLibrary(seams.programDirectory);

    std::unique_ptr<unsigned char[]> copy;
    int length = 0;
    if (number >= 1 && number <= SkinCount) {
        const EmbeddedBytes skin = SkinTable[static_cast<std::size_t>(number - 1)];
        length = static_cast<int>(skin.size());
        copy = std::make_unique<unsigned char[]>(skin.size());
        std::copy(skin.begin(), skin.end(), copy.get());
    }
    const SkinAttachCall& attach = seams.attach ? seams.attach : SkinAttachCall(DefaultSkinAttach);
    attach(LibraryPath(seams.programDirectory), copy.get(), length, "", 0, 0, 0);
    // The copy is freed here: the engine keeps no pointer into it.
}

void DefaultSkinAttach(const std::filesystem::path& libraryPath, const unsigned char* data, int length,
    const char* text, int a, int b, int c)
{
    // The library stays loaded for the life of the process, as an engine that draws the
    // windows would; unloading it would gain nothing and the call is made only once.
    void* library = ::dlopen(libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return;
    using AttachFunction = int (*)(const unsigned char*, int, const char*, int, int, int);
    auto* attach = reinterpret_cast<AttachFunction>(::dlsym(library, "SkinH_AttachRes"));
    if (!attach) {
        ::dlclose(library);
        return;
    }
    attach(data, length, text, a, b, c);
}

} // namespace kf
