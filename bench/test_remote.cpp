// Reading and typing into another thread's windows: the figures rest on what
// each way of typing changes, which notifications follow, and on giving up
// on a window that does not answer.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "remote.h"

using namespace bench;

namespace {

// A window with a multi-line edit box like the code box, on a thread of its
// own that counts the box's change notifications.
struct BoxWindow {
    explicit BoxWindow(const char* title) : thread([this, title] { run(title); })
    {
        poll([this] { return box != nullptr; }, 5000);
    }
    ~BoxWindow()
    {
        PostMessageA(frame, WM_CLOSE, 0, 0);
        thread.join();
    }
    // Keeps the window's thread from reading messages for ms, from now on.
    void block(DWORD ms)
    {
        blocked = false;
        PostMessageA(frame, WM_APP, ms, 0);
        poll([this] { return blocked.load(); }, 5000);
    }
    std::string text() const
    {
        char buffer[256] = {};
        GetWindowTextA(box, buffer, sizeof buffer);  // this process: read directly
        return buffer;
    }

    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<BoxWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (msg == WM_COMMAND && HIWORD(wParam) == EN_CHANGE && self)
            ++self->changes;
        else if (msg == WM_DESTROY)
            PostQuitMessage(0);
        else if (msg != WM_APP)
            return DefWindowProcA(hwnd, msg, wParam, lParam);
        else {
            self->blocked = true;
            Sleep(static_cast<DWORD>(wParam));
        }
        return 0;
    }
    void run(const char* title)
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "BenchSelftestBoxWindow";
        RegisterClassA(&wc);
        frame = CreateWindowExA(0, wc.lpszClassName, title, WS_OVERLAPPED | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                                nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrA(frame, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        box = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                              WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL,
                              5, 5, 280, 100, frame, nullptr, wc.hInstance, nullptr);
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0)
            DispatchMessageA(&msg);
    }

    std::atomic<HWND> frame{nullptr}, box{nullptr};
    std::atomic<int> changes{0};
    std::atomic<bool> blocked{false};
    std::thread thread;
};

}  // namespace

// Each way of typing changes the box and is reported as a change; the round
// trips subtracted from a change are no change, and WM_SETTEXT on a
// multi-line box goes unreported.
TEST(Typist, TypedChangesAreReportedAndTheBaselinesAreNot)
{
    BoxWindow w("typist target");
    Typist typist;
    struct { const char* what; std::function<void()> act; const char* text; int changes; } steps[] = {
        {"paste", [&] { typist.paste(w.box, "0000 0073"); }, "0000 0073", 1},
        {"type a blank", [&] { typist.typeBlank(w.box, 9); }, "0000 0073 ", 2},
        {"delete it", [&] { typist.deleteBlank(w.box, 9); }, "0000 0073", 3},
        {"no change", [&] { typist.noChange(w.box, 9); }, "0000 0073", 3},
        {"WM_SETTEXT", [&] { typist.setText(w.box, "0000 006D"); }, "0000 006D", 3},
    };
    for (auto& step : steps) {
        step.act();
        EXPECT_TRUE(w.text() == step.text && w.changes == step.changes) << step.what;
    }
    EXPECT_TRUE(typist.length(w.box) == 9 && !typist.stuck());
}

// A window whose thread does not answer: reading gives up, and so does the
// typist, which sends nothing more; once the thread answers, reading works.
TEST(Remote, GivesUpOnABusyWindow)
{
    BoxWindow w("remote busy target");
    Typist typist(100);
    typist.paste(w.box, "abc");
    EXPECT_TRUE(textOf(w.frame) == "remote busy target" && roundTrip(w.frame));
    w.block(1500);
    EXPECT_FALSE(roundTrip(w.frame, 100));
    EXPECT_EQ(textOf(w.frame, 100), "");
    typist.typeBlank(w.box, 3);
    EXPECT_TRUE(typist.stuck() && typist.why().find("error") != std::string::npos) << typist.why();
    EXPECT_TRUE(poll([&] { return roundTrip(w.frame, 100); }, 5000));
    EXPECT_EQ(textOf(w.frame), "remote busy target");
    EXPECT_EQ(w.text(), "abc") << "a message after the unanswered one was sent";
    typist.paste(w.box, "xyz");
    EXPECT_EQ(w.text(), "abc");
}

TEST(Remote, VisibleWindowNeedsTheExactTitleTheProcessAndVisibility)
{
    BoxWindow w("remote probe A");
    DWORD pid = GetCurrentProcessId();
    EXPECT_EQ(visibleWindow(pid, "remote probe A"), w.frame.load());
    EXPECT_FALSE(visibleWindow(pid, "remote probe") || visibleWindow(pid + 4, "remote probe A"));
    EXPECT_TRUE(shown(w.box));
    ShowWindow(w.box, SW_HIDE);
    EXPECT_FALSE(shown(w.box));
    ShowWindow(w.frame, SW_HIDE);
    EXPECT_EQ(visibleWindow(pid, "remote probe A"), nullptr);
}
