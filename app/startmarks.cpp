// The start-up marks of the benchmark's marked build (see startmarks.h).
#include "startmarks.h"

#include <windows.h>

#include <cstdio>

namespace startmarks {

namespace {

struct Mark {
    LONGLONG counter;
    const char* step;
};

// Enough for every step of a start-up; a mark beyond it is dropped.
Mark marks[64];
int count = 0;

}  // namespace

void mark(const char* step)
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    if (count < static_cast<int>(sizeof marks / sizeof marks[0]))
        marks[count++] = Mark{now.QuadPart, step};
}

void write()
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!out || out == INVALID_HANDLE_VALUE || GetFileType(out) != FILE_TYPE_PIPE)
        return;
    for (int i = 0; i < count; ++i) {
        char line[160];
        int n = std::snprintf(line, sizeof line, "%.4f %s\n",
                              1000.0 * static_cast<double>(marks[i].counter) / static_cast<double>(frequency.QuadPart),
                              marks[i].step);
        DWORD written = 0;
        if (n > 0)
            WriteFile(out, line, static_cast<DWORD>(n), &written, nullptr);
    }
    count = 0;
}

}  // namespace startmarks
