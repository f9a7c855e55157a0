// Loaded with LD_PRELOAD into the program under test: regular files under $QM_FULL_FOLDER share
// $QM_FULL_FREE bytes of room, after which writes fail with ENOSPC, as on a full disk.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string_view>

#include <dlfcn.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

const char* g_folder = nullptr;
long long g_room = 0;
std::mutex g_mutex;

__attribute__((constructor)) void Start()
{
    g_folder = std::getenv("QM_FULL_FOLDER");
    const char* room = std::getenv("QM_FULL_FREE");
    g_room = room ? std::atoll(room) : 0;
    // quillmark hands its commands to quillmark-cli, which loads the shim in turn; the browser that
    // quillmark-cli starts runs without it.
    char program[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", program, sizeof program - 1);
    const bool handsOver = length > 0 && std::string_view(program, size_t(length)).ends_with("/quillmark");
    if (!handsOver)
        unsetenv("LD_PRELOAD");
}

bool Watched(int fd)
{
    struct stat info
    {
    };
    if (!g_folder || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    char link[64];
    char path[PATH_MAX];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, path, sizeof path - 1);
    if (n <= 0)
        return false;
    path[n] = 0;
    const size_t length = std::strlen(g_folder);
    return std::strncmp(path, g_folder, length) == 0 && path[length] == '/';
}

// Runs `write` for at most the room left; nothing left is ENOSPC.
template<typename Write> ssize_t Limited(int fd, size_t count, Write write)
{
    if (!Watched(fd))
        return write(count);
    const std::lock_guard lock(g_mutex);
    if (count > 0 && g_room <= 0) {
        errno = ENOSPC;
        return -1;
    }
    const ssize_t written = write(count < size_t(g_room) ? count : size_t(g_room));
    if (written > 0)
        g_room -= written;
    return written;
}

template<typename F> F Next(const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" {

ssize_t write(int fd, const void* data, size_t count)
{
    static auto next = Next<ssize_t (*)(int, const void*, size_t)>("write");
    return Limited(fd, count, [&](size_t n) { return next(fd, data, n); });
}

ssize_t pwrite(int fd, const void* data, size_t count, off_t at)
{
    static auto next = Next<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite");
    return Limited(fd, count, [&](size_t n) { return next(fd, data, n, at); });
}

ssize_t pwrite64(int fd, const void* data, size_t count, off64_t at)
{
    static auto next = Next<ssize_t (*)(int, const void*, size_t, off64_t)>("pwrite64");
    return Limited(fd, count, [&](size_t n) { return next(fd, data, n, at); });
}

ssize_t writev(int fd, const struct iovec* parts, int count)
{
    static auto next = Next<ssize_t (*)(int, const struct iovec*, int)>("writev");
    if (Watched(fd)) {
        // Rare for files: written part by part, each within the room.
        ssize_t total = 0;
        for (int i = 0; i < count; ++i) {
            const ssize_t n = write(fd, parts[i].iov_base, parts[i].iov_len);
            if (n < 0)
                return total > 0 ? total : -1;
            total += n;
            if (size_t(n) < parts[i].iov_len)
                break;
        }
        return total;
    }
    return next(fd, parts, count);
}
}
