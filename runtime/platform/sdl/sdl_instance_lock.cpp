// The single-instance check on Linux: an exclusive lock on a per-user file named
// after the window class, dropped by the system when the process ends however it
// ends. A second copy sends one byte to a datagram socket the running copy listens
// on, which then raises its window.
#include <fcntl.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "runtime/platform/platform.h"
#include "runtime/platform/sdl/sdl_internal.h"

namespace {

struct SdlInstanceLock {
    int lockFd;  // descriptor of the instance lock file, -1 when none
    int raiseFd; // socket where a second copy asks us to raise, -1 when none
};

SdlInstanceLock s_lock = {-1, -1};

// The raise socket's address: an abstract name derived from the lock file's path,
// so each lock folder (and each user) has its own and nothing is left on the disk.
socklen_t RaiseAddress(const char* lockPath, sockaddr_un* address) {
    memset(address, 0, sizeof(*address));
    address->sun_family = AF_UNIX;
    int n = snprintf(address->sun_path + 1, sizeof(address->sun_path) - 1, "%s.raise", lockPath);
    if (n < 0 || n >= (int)sizeof(address->sun_path) - 1) n = (int)sizeof(address->sun_path) - 2;
    return (socklen_t)(offsetof(sockaddr_un, sun_path) + 1 + n);
}

} // namespace

int PlatformAcquireInstanceLock(const char* className) {
    if (s_lock.lockFd >= 0) return -1;
    const char* dir = getenv("XDG_RUNTIME_DIR");
    char path[512];
    snprintf(path, sizeof(path), "%s/%s-%u.lock", dir && dir[0] ? dir : "/tmp", className, (unsigned)getuid());
    sockaddr_un address;
    socklen_t addressSize = RaiseAddress(path, &address);
    int fd = open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return 0; // no place for a lock file: do not refuse to start
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        // Ask the running copy to show itself; it may not listen, which is fine.
        int ask = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (ask >= 0) {
            sendto(ask, "r", 1, MSG_DONTWAIT, (const sockaddr*)&address, addressSize);
            close(ask);
        }
        return -1;
    }
    s_lock.lockFd = fd;
    s_lock.raiseFd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (s_lock.raiseFd >= 0 && bind(s_lock.raiseFd, (const sockaddr*)&address, addressSize) != 0) {
        close(s_lock.raiseFd);
        s_lock.raiseFd = -1;
    }
    return 0;
}

void PlatformReleaseInstanceLock(void) {
    if (s_lock.raiseFd >= 0) {
        close(s_lock.raiseFd);
        s_lock.raiseFd = -1;
    }
    if (s_lock.lockFd < 0) return;
    flock(s_lock.lockFd, LOCK_UN);
    close(s_lock.lockFd);
    s_lock.lockFd = -1;
}

int SdlTakeRaiseRequest(void) {
    if (s_lock.raiseFd < 0) return 0;
    char byte;
    int asked = 0;
    while (recv(s_lock.raiseFd, &byte, 1, MSG_DONTWAIT) > 0) asked = 1;
    return asked;
}
