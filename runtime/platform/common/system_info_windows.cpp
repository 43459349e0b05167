// System information for the log on Windows: the version the system reports of
// itself (from ntdll, which no compatibility shim alters), physical memory, and
// the OEM code page that picks Hangeul over Shift-JIS.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "runtime/platform/platform.h"

namespace {

uint32_t Saturate(DWORDLONG bytes) {
    return bytes > 0xFFFFFFFFull ? 0xFFFFFFFFu : (uint32_t)bytes;
}

} // namespace

void PlatformGetSystemInfo(PlatformSystemInfo* info) {
    memset(info, 0, sizeof(*info));
    typedef LONG(WINAPI * RtlGetVersionFn)(OSVERSIONINFOW*);
    OSVERSIONINFOW v;
    memset(&v, 0, sizeof v);
    v.dwOSVersionInfoSize = sizeof v;
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    RtlGetVersionFn getVersion = ntdll ? (RtlGetVersionFn)(void*)GetProcAddress(ntdll, "RtlGetVersion") : nullptr;
    if (getVersion && getVersion(&v) == 0) {
        snprintf(info->osName, sizeof(info->osName), "Windows %lu.%lu", (unsigned long)v.dwMajorVersion,
                 (unsigned long)v.dwMinorVersion);
        info->osBuild = (int)v.dwBuildNumber;
        WideCharToMultiByte(CP_UTF8, 0, v.szCSDVersion, -1, info->osExtra, sizeof(info->osExtra), nullptr, nullptr);
    } else {
        snprintf(info->osName, sizeof(info->osName), "Windows");
    }
    MEMORYSTATUSEX m;
    memset(&m, 0, sizeof m);
    m.dwLength = sizeof m;
    if (GlobalMemoryStatusEx(&m)) {
        info->memoryTotal = Saturate(m.ullTotalPhys);
        info->memoryAvailable = Saturate(m.ullAvailPhys);
    }
    info->oemCodePage = GetOEMCP() == 949 ? 949 : 932;
}
