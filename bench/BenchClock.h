#pragma once
// The performance counter of the benchmark programs that time steps inside
// one process.
#include <windows.h>

inline double Seconds(LARGE_INTEGER From)
{
    LARGE_INTEGER Now, Freq;
    QueryPerformanceCounter(&Now);
    QueryPerformanceFrequency(&Freq);
    return static_cast<double>(Now.QuadPart - From.QuadPart) / static_cast<double>(Freq.QuadPart);
}

inline LARGE_INTEGER Started()
{
    LARGE_INTEGER T;
    QueryPerformanceCounter(&T);
    return T;
}
