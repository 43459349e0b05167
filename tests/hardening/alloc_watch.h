// Watches the largest single allocation the runtime asks for while a check runs (the
// executable is linked with malloc and calloc wrapped).
#pragma once

#include <stddef.h>

// Starts a watch: the largest request seen is reset to 0.
void StartAllocWatch(void);
// Ends it and returns the largest request made since the start.
size_t EndAllocWatch(void);
