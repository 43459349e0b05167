// The Windows build's stand-in for <sys/wait.h>: its two macros are in windows_compat.h.
#pragma once
