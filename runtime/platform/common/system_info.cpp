// System information for the log: kernel name and release, physical memory.
#include <string.h>
#include <stdio.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>

#include "runtime/platform/platform.h"

void PlatformGetSystemInfo(PlatformSystemInfo* info) {
    memset(info, 0, sizeof(*info));
    struct utsname u;
    if (uname(&u) == 0) {
        snprintf(info->osName, sizeof(info->osName), "%s %s", u.sysname, u.release);
        snprintf(info->osExtra, sizeof(info->osExtra), "%s", u.version);
        int major = 0, minor = 0, patch = 0;
        if (sscanf(u.release, "%d.%d.%d", &major, &minor, &patch) == 3) info->osBuild = patch;
    }
    struct sysinfo s;
    if (sysinfo(&s) == 0) {
        unsigned long long total = (unsigned long long)s.totalram * s.mem_unit;
        unsigned long long avail = (unsigned long long)s.freeram * s.mem_unit;
        info->memoryTotal = total > 0xFFFFFFFFull ? 0xFFFFFFFFu : (uint32_t)total;
        info->memoryAvailable = avail > 0xFFFFFFFFull ? 0xFFFFFFFFu : (uint32_t)avail;
    }
    info->oemCodePage = 932;
}
