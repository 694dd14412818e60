#pragma once
// What the shared library exports: the classes and functions marked
// ZELCLNT_API, and nothing else. The library's own build defines
// ZELCLNT_BUILDING; a program linking its objects statically defines
// ZELCLNT_STATIC. Linux builds hide everything else too, so that both
// platforms export the same surface.

#if defined(ZELCLNT_STATIC)
#define ZELCLNT_API
#elif defined(_WIN32) && defined(ZELCLNT_BUILDING)
#define ZELCLNT_API __declspec(dllexport)
#elif defined(_WIN32)
#define ZELCLNT_API __declspec(dllimport)
#else
#define ZELCLNT_API __attribute__((visibility("default")))
#endif
