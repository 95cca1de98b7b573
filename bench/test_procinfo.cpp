// The footprint figures follow what a process really creates and frees:
// this process's own objects, and another process's through its handle.
#include <gtest/gtest.h>

#include <algorithm>

#include "procinfo.h"
#include "remote.h"

using namespace bench;

TEST(ProcInfo, GdiCountFollowsObjectsCreatedAndDeleted)
{
    Count before = gdiObjects(GetCurrentProcess());
    ASSERT_TRUE(before.known()) << "neither GetGuiResources nor the handle table gave a count";
    const HGDIOBJ objects[] = {
        CreateSolidBrush(RGB(1, 2, 3)), CreateSolidBrush(RGB(2, 2, 3)), CreateSolidBrush(RGB(3, 2, 3)),
        CreatePen(PS_SOLID, 1, RGB(1, 2, 3)),
        CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "MS Sans Serif")};
    EXPECT_EQ(gdiObjects(GetCurrentProcess()).value, before.value + 5);
    for (HGDIOBJ object : objects)
        DeleteObject(object);
    EXPECT_EQ(gdiObjects(GetCurrentProcess()).value, before.value);
}

TEST(ProcInfo, WindowCountTakesHiddenChildAndMessageOnlyWindows)
{
    DWORD pid = GetCurrentProcessId();
    // The thread's first window brings helper windows of its own (the input
    // method's): those count too, so they are there before counting.
    auto window = [](DWORD style, HWND parent) {
        return CreateWindowExA(0, "STATIC", "", style, 0, 0, 5, 5, parent, nullptr, nullptr, nullptr);
    };
    HWND first = window(WS_POPUP, nullptr);
    long before = windowCount(pid);
    HWND top = window(WS_POPUP, nullptr), messageOnly = window(0, HWND_MESSAGE);
    window(WS_CHILD, window(WS_CHILD, top));  // a child and a grandchild
    EXPECT_EQ(windowCount(pid), before + 4);
    DestroyWindow(top);
    DestroyWindow(messageOnly);
    EXPECT_EQ(windowCount(pid), before);
    DestroyWindow(first);
}

TEST(ProcInfo, WorkingSetGrowsWithTouchedMemory)
{
    Footprint before = footprint(GetCurrentProcessId());
    ASSERT_TRUE(before.ok);
    const size_t SIZE = 16 << 20;
    char* block = static_cast<char*>(VirtualAlloc(nullptr, SIZE, MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(block, nullptr);
    for (size_t i = 0; i < SIZE; i += 4096)
        block[i] = 1;
    Footprint after = footprint(GetCurrentProcessId());
    EXPECT_GE(std::min(after.workingSet - before.workingSet, after.privateBytes - before.privateBytes),
              12.0 * (1 << 20)) << "working set and private bytes";
    VirtualFree(block, 0, MEM_RELEASE);
}

TEST(ProcInfo, AnotherProcessIsReadThroughItsHandle)
{
    // Found beside this program: the first place CreateProcess looks.
    char commandLine[] = "empty_win32.exe";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    ASSERT_TRUE(CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
    HWND window = nullptr;
    ASSERT_TRUE(poll([&] { return (window = visibleWindow(info.dwProcessId, "Empty Win32 Baseline")) != nullptr; },
                     10000));
    Footprint f = footprint(info.dwProcessId);
    EXPECT_TRUE(f.ok && f.gdi.known());
    EXPECT_GT(f.workingSet, 1 << 20);
    EXPECT_TRUE(f.gdi.value > 0 && f.user.value >= 1 && windowCount(info.dwProcessId) >= 1);

    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(info.hProcess, 10000), WAIT_OBJECT_0);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
}
