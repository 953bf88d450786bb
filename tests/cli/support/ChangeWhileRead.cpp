// Preloaded into verdane-cli by the tests of inputs that change while they are
// read: the first read of the file VERDANE_TEST_CHANGE names first shortens it
// to half its size, or (VERDANE_TEST_CHANGE_HOW=grow) adds a line to it, as
// another program writing the file at that moment would.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool changed = false;

void ChangeIfNamed(int fd) {
    const char* path = std::getenv("VERDANE_TEST_CHANGE");
    if (changed || path == nullptr) return;
    char link[64], target[4096];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t length = ::readlink(link, target, sizeof target - 1);
    if (length <= 0) return;
    target[length] = '\0';
    if (std::strcmp(target, path) != 0) return;
    changed = true;
    const char* how = std::getenv("VERDANE_TEST_CHANGE_HOW");
    if (how != nullptr && std::strcmp(how, "grow") == 0) {
        const int out = ::open(path, O_WRONLY | O_APPEND | O_CLOEXEC);
        if (out >= 0 && ::write(out, "grown\n", 6) == 6) ::close(out);
        return;
    }
    struct stat info {};
    if (::stat(path, &info) == 0 && ::truncate(path, info.st_size / 2) != 0) std::abort();
}

}  // namespace

extern "C" ssize_t read(int fd, void* buffer, size_t count) {
    using Read = ssize_t (*)(int, void*, size_t);
    static const Read real = reinterpret_cast<Read>(::dlsym(RTLD_NEXT, "read"));
    ChangeIfNamed(fd);
    return real(fd, buffer, count);
}
