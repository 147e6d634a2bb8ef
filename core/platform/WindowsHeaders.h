#pragma once

// <windows.h> as every Windows-only source of the core includes it: without the min and max
// macros, which would break std::min and std::max, and without the rarely used parts.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
