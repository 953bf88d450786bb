// Preloaded into verdane-cli by the tests: the first read of the file named by
// VERDANE_TEST_CHANGE first halves it, or adds a line to it when
// VERDANE_TEST_CHANGE_HOW is "grow", as another program writing it would.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" ssize_t read(int fd, void* buffer, size_t count) {
    using Read = ssize_t (*)(int, void*, size_t);
    static const Read real = reinterpret_cast<Read>(::dlsym(RTLD_NEXT, "read"));
    static bool changed = false;
    const char* path = std::getenv("VERDANE_TEST_CHANGE");
    char link[64], target[4096] = {};
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    if (!changed && path && ::readlink(link, target, sizeof target - 1) > 0 && std::strcmp(target, path) == 0) {
        changed = true;
        struct stat info {};
        const char* how = std::getenv("VERDANE_TEST_CHANGE_HOW");
        const int file = ::open(path, O_WRONLY | O_APPEND | O_CLOEXEC);
        if (how && std::strcmp(how, "grow") == 0 ? ::write(file, "grown\n", 6) != 6
                                                 : ::stat(path, &info) != 0 || ::ftruncate(file, info.st_size / 2) != 0)
            std::abort();
        ::close(file);
    }
    return real(fd, buffer, count);
}
