// The cases of the side-by-side table (sdl_cases.cpp), shared with the table printer.
#pragma once

enum SideCase { kSideCaseCount = 9 };
enum Side { SideOurs = 0, SideSdl = 1, SidePixman = 2 };
extern const char* const kSideCaseNames[kSideCaseCount];
