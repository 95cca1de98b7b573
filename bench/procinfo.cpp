#include "procinfo.h"

#include <psapi.h>

#include <cstdint>
#include <vector>

namespace bench {

namespace {

// The first fields of PROCESS_BASIC_INFORMATION, as NtQueryInformationProcess
// (class 0) fills them.
struct BasicInformation {
    LONG exitStatus;
    void* pebBaseAddress;
    ULONG_PTR affinityMask;
    LONG basePriority;
    ULONG_PTR uniqueProcessId;
    ULONG_PTR inheritedFromUniqueProcessId;
};
typedef LONG(WINAPI* QueryInformationProcess)(HANDLE, ULONG, void*, ULONG, ULONG*);

// Where the PEB keeps the address of the GDI handle table.
#ifdef _WIN64
const size_t PEB_GDI_TABLE = 0xF8;
#else
const size_t PEB_GDI_TABLE = 0x94;
#endif

// One entry of Wine's GDI handle table (the same 24 bytes in 32-bit and
// 64-bit processes); a zero type marks a free entry.
#pragma pack(push, 1)
struct TableEntry {
    uint64_t object;
    uint32_t owner;
    uint16_t unique;
    uint8_t type;
    uint8_t flags;
    uint64_t userPointer;
};
#pragma pack(pop)
static_assert(sizeof(TableEntry) == 24, "GDI table entries are 24 bytes");
const size_t TABLE_ENTRIES = 0x10000;

struct WindowSearch {
    DWORD pid;
    long count;
};

BOOL CALLBACK countChild(HWND, LPARAM param)
{
    ++reinterpret_cast<WindowSearch*>(param)->count;
    return TRUE;
}

void countTree(HWND window, WindowSearch* search)
{
    ++search->count;
    // EnumChildWindows visits every descendant, not only direct children.
    EnumChildWindows(window, countChild, reinterpret_cast<LPARAM>(search));
}

BOOL CALLBACK countTopLevel(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == search->pid)
        countTree(window, search);
    return TRUE;
}

}  // namespace

long gdiTableEntries(HANDLE process)
{
    auto query = reinterpret_cast<QueryInformationProcess>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    if (!query)
        return -1;
    BasicInformation basic = {};
    if (query(process, 0, &basic, sizeof basic, nullptr) != 0 || !basic.pebBaseAddress)
        return -1;
    void* table = nullptr;
    SIZE_T got = 0;
    if (!ReadProcessMemory(process, static_cast<char*>(basic.pebBaseAddress) + PEB_GDI_TABLE,
                           &table, sizeof table, &got) ||
        got != sizeof table || !table)
        return -1;
    std::vector<TableEntry> entries(TABLE_ENTRIES);
    if (!ReadProcessMemory(process, table, entries.data(), entries.size() * sizeof(TableEntry),
                           &got) ||
        got != entries.size() * sizeof(TableEntry))
        return -1;
    long live = 0;
    for (const TableEntry& entry : entries)
        if (entry.type != 0)
            ++live;
    return live;
}

bool gdiTableWorks()
{
    static int verdict = -1;
    if (verdict < 0) {
        const int N = 7;
        long before = gdiTableEntries(GetCurrentProcess());
        HBRUSH brushes[N];
        for (int i = 0; i < N; ++i)
            brushes[i] = CreateSolidBrush(RGB(i, 1, 2));
        long during = gdiTableEntries(GetCurrentProcess());
        for (HBRUSH brush : brushes)
            DeleteObject(brush);
        long after = gdiTableEntries(GetCurrentProcess());
        verdict = before >= 0 && during == before + N && after == before ? 1 : 0;
    }
    return verdict == 1;
}

Count gdiObjects(HANDLE process)
{
    Count c;
    SetLastError(0);
    DWORD n = GetGuiResources(process, GR_GDIOBJECTS);
    if (n != 0 || GetLastError() == 0) {
        c.value = static_cast<long>(n);
        c.source = CountSource::GetGuiResources;
    } else if (gdiTableWorks()) {
        c.value = gdiTableEntries(process);
        c.source = c.value >= 0 ? CountSource::HandleTable : CountSource::Unavailable;
    }
    return c;
}

long windowCount(DWORD pid)
{
    WindowSearch search = {pid, 0};
    EnumWindows(countTopLevel, reinterpret_cast<LPARAM>(&search));
    HWND messageOnly = nullptr;
    while ((messageOnly = FindWindowExA(HWND_MESSAGE, messageOnly, nullptr, nullptr)) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(messageOnly, &owner);
        if (owner == pid)
            countTree(messageOnly, &search);
    }
    return search.count;
}

Count userObjects(HANDLE process, DWORD pid)
{
    Count c;
    SetLastError(0);
    DWORD n = GetGuiResources(process, GR_USEROBJECTS);
    if (n != 0 || GetLastError() == 0) {
        c.value = static_cast<long>(n);
        c.source = CountSource::GetGuiResources;
    } else {
        c.value = windowCount(pid);
        c.source = CountSource::Windows;
    }
    return c;
}

Footprint footprint(DWORD pid)
{
    Footprint f;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process)
        return f;
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(process, &counters, sizeof counters)) {
        f.ok = true;
        f.workingSet = static_cast<double>(counters.WorkingSetSize);
        f.privateBytes = static_cast<double>(counters.PagefileUsage);
    }
    f.gdi = gdiObjects(process);
    f.user = userObjects(process, pid);
    CloseHandle(process);
    return f;
}

const char* describe(CountSource source)
{
    switch (source) {
    case CountSource::GetGuiResources: return "GetGuiResources";
    case CountSource::HandleTable: return "GDI handle table";
    case CountSource::Windows: return "windows only";
    default: return "n/a";
    }
}

}  // namespace bench
