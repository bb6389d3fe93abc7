#pragma once

#include <sys/fsuid.h>
#include <unistd.h>

namespace zarava::test {

// Runs `f` with this thread's file accesses made as the unprivileged user "nobody" when the
// tests run as root, whom permission bits do not stop; as any other user it just runs `f`.
template <typename F> void AsUnprivileged(F f) {
    const bool root = ::geteuid() == 0;
    if (root) {
        ::setfsgid(65534);
        ::setfsuid(65534);
    }
    f();
    if (root) {
        ::setfsuid(0);
        ::setfsgid(0);
    }
}

} // namespace zarava::test
