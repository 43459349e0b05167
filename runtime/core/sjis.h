// The one rule for the runtime's Japanese texts: sources hold UTF-8 literals,
// SJ() hands out their Shift-JIS bytes (converted once, kept for the process).
#pragma once

// Shift-JIS form of a UTF-8 string literal. The argument must live for the whole
// process (a literal); the result does too.
const char* SJ(const char* utf8Literal);
