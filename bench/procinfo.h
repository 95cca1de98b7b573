// What another process holds: memory, GDI objects and USER objects.
//
// GetGuiResources gives the object counts on Windows. Wine does not
// implement it (it fails with ERROR_CALL_NOT_IMPLEMENTED), so there the
// counts come from elsewhere, and say so:
//   - GDI objects: the live entries of the process's GDI handle table, which
//     Wine keeps in the process's own memory and publishes in its PEB. The
//     method is trusted only after gdiTableWorks() has seen it count objects
//     that this process creates and deletes.
//   - USER objects: the windows of the process (top-level, message-only and
//     every descendant, shown or hidden). Menus, icons and cursors are not
//     counted that way.
#pragma once

#include <windows.h>

#include <string>

namespace bench {

enum class CountSource { GetGuiResources, HandleTable, Windows, Unavailable };

struct Count {
    long value = -1;
    CountSource source = CountSource::Unavailable;
    bool known() const { return value >= 0; }
};

struct Footprint {
    bool ok = false;
    double workingSet = 0;    // bytes
    double privateBytes = 0;  // committed private memory, bytes
    Count gdi;
    Count user;
};

// The figures of process pid; ok false when it cannot be opened.
Footprint footprint(DWORD pid);

Count gdiObjects(HANDLE process);
Count userObjects(HANDLE process, DWORD pid);

// The GDI handle table's live entries, or -1 when it cannot be read.
long gdiTableEntries(HANDLE process);
// Whether gdiTableEntries follows this process's own objects exactly
// (checked once, then remembered).
bool gdiTableWorks();

// Every window of process pid: top-level, message-only, and all below them.
long windowCount(DWORD pid);

// "GetGuiResources", "GDI handle table", "windows only", "n/a".
const char* describe(CountSource source);

}  // namespace bench
