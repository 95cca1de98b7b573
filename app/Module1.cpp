#include "Module1.h"

#include "app/fatal.h"
#include "app/relay_text.h"
#include "ui/frmMain.h"

FrmMain* mainForm = nullptr;
TavrixHandle hTavrix = 0;
HWND hRelayWnd = nullptr;
WNDPROC prevWndProc = nullptr;
std::string curCode;
int32_t curCodeFormat = 0;

alignas(4) char lrnBuffer[TAVRIX_BUFFER_SIZE];
alignas(4) volatile int32_t lrnAbort = 0;
alignas(4) volatile int32_t lrnHookCtl = 0;
int32_t lrnFormat = 0;
bool lrnActive = false;

static_assert(sizeof(LONG) == sizeof(int32_t), "driver flags are 32 bits");

void storeFlag(volatile int32_t* flag, int32_t value)
{
    // A locked exchange is a full barrier on every Windows target.
    InterlockedExchange(reinterpret_cast<volatile LONG*>(flag), value);
}

// ---------------------------------------------------------------------------
// Received codes.
//
// The driver's text is only guaranteed readable while the receive callback
// runs, so the callback copies it (at most 16 bytes) into a small ring of
// slots and posts MSG_TAVRO_CODE. Only one such message is queued at a time:
// under a flood of codes the window shows the newest one instead of drowning
// in messages (or losing the last code to a full message queue). Slots are
// published with a sequence number, so the reader never shows a torn copy and
// the callback never waits for the user-interface thread.
namespace {

struct CodeSlot {
    volatile LONG sequence;  // 0 while being written
    char text[relay::RECEIVED_TEXT_MAX + 1];
};

const LONG RING_SIZE = 64;
CodeSlot codeRing[RING_SIZE];
volatile LONG codesReceived = 0;
volatile LONG codePostPending = 0;

}  // namespace

// How many of the bytes at text, up to max, lie in readable memory: a
// driver's text that lacks its NUL may end where readable memory ends, and
// reading on would fault.
static size_t readableBytes(const char* text, size_t max)
{
    const DWORD READABLE = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                           PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    size_t readable = 0;
    while (text && readable < max) {
        MEMORY_BASIC_INFORMATION region;
        if (!VirtualQuery(text + readable, &region, sizeof region) ||
            region.State != MEM_COMMIT || !(region.Protect & READABLE) ||
            (region.Protect & PAGE_GUARD))
            break;
        readable = static_cast<size_t>(static_cast<const char*>(region.BaseAddress) +
                                       region.RegionSize - text);
    }
    return readable < max ? readable : max;
}

void TAVRIX_API ReceiveCallback(const char* text, int32_t)
{
    // Sequence numbers are positive; 0 marks a slot being written.
    LONG sequence = InterlockedIncrement(&codesReceived) & 0x7FFFFFFF;
    if (sequence == 0)
        sequence = 1;
    CodeSlot& slot = codeRing[sequence % RING_SIZE];
    InterlockedExchange(&slot.sequence, 0);
    char copy[relay::RECEIVED_TEXT_MAX + 1];
    relay::copyReceivedText(text, copy, readableBytes(text, relay::RECEIVED_TEXT_MAX));
    for (int i = 0; i < relay::RECEIVED_TEXT_MAX + 1; ++i)
        slot.text[i] = copy[i];
    InterlockedExchange(&slot.sequence, sequence);

    // Before the relay window exists there is nobody to tell; a null window
    // would post to this driver thread's own queue instead.
    HWND relayWindow = hRelayWnd;
    if (!relayWindow)
        return;
    if (InterlockedExchange(&codePostPending, 1) == 0) {
        if (!PostMessageA(relayWindow, MSG_TAVRO_CODE, 0, 0))
            InterlockedExchange(&codePostPending, 0);
    }
}

std::string latestReceivedCode()
{
    InterlockedExchange(&codePostPending, 0);
    LONG newest = InterlockedCompareExchange(&codesReceived, 0, 0) & 0x7FFFFFFF;
    // Walk back from the newest claimed slot to the newest complete one; a
    // callback still writing a newer slot posts again when it is done.
    for (LONG back = 0; back < RING_SIZE && newest - back > 0; ++back) {
        LONG sequence = newest - back;
        CodeSlot& slot = codeRing[sequence % RING_SIZE];
        if (InterlockedCompareExchange(&slot.sequence, 0, 0) != sequence)
            continue;
        char copy[relay::RECEIVED_TEXT_MAX + 1];
        for (int i = 0; i < relay::RECEIVED_TEXT_MAX + 1; ++i)
            copy[i] = slot.text[i];
        if (InterlockedCompareExchange(&slot.sequence, 0, 0) != sequence)
            continue;  // overwritten while we copied
        copy[relay::RECEIVED_TEXT_MAX] = '\0';
        return std::string(copy);
    }
    return std::string();
}

// ---------------------------------------------------------------------------
// Progress reports.
//
// A driver may report far faster than the window can draw. Posting every
// report would queue them up: the display would fall ever further behind and
// the end of the learn would come seconds late, or never once the queue is
// full. So ordinary reports are coalesced like received codes: the newest
// waits in one slot and at most one MSG_LEARN_PROGRESS for it is queued. The
// end of a learn (the 255 of a negative progress) and the hooked-learn begin
// and end are posted each on their own, behind any report still queued, so
// none of them is lost or overtaken.
namespace {

// The newest ordinary report: the packed progress in the low half and the
// carrier frequency in the high half, written and read as one.
volatile LONG64 newestProgress = 0;
volatile LONG progressPostPending = 0;

LONG64 joinReport(int32_t packed, int32_t hz)
{
    return static_cast<LONG64>((static_cast<uint64_t>(static_cast<uint32_t>(hz)) << 32) |
                               static_cast<uint32_t>(packed));
}

}  // namespace

void TAVRIX_API LearnProgressCallback(int32_t progress, int32_t quality, int32_t carrierHz,
                                      int32_t)
{
    HWND relayWindow = hRelayWnd;
    if (!relayWindow)
        return;  // no relay window (yet): the report goes nowhere
    if (progress == TAVRIX_HOOK_LEARN_BEGIN) {
        PostMessageA(relayWindow, MSG_HOOK_LEARN_BEGIN, 0, 0);
        return;
    }
    if (progress == TAVRIX_HOOK_LEARN_END) {
        PostMessageA(relayWindow, MSG_HOOK_LEARN_END, 0, 0);
        return;
    }
    int32_t packed = relay::packProgress(progress, quality);
    WPARAM wParam = static_cast<WPARAM>(static_cast<uint32_t>(packed));
    LPARAM lParam = static_cast<LPARAM>(carrierHz);
    if (relay::isEndReport(packed)) {
        PostMessageA(relayWindow, MSG_LEARN_PROGRESS, wParam, lParam);
        return;
    }
    InterlockedExchange64(&newestProgress, joinReport(packed, carrierHz));
    if (InterlockedExchange(&progressPostPending, 1) == 0) {
        if (!PostMessageA(relayWindow, MSG_LEARN_PROGRESS, wParam, lParam))
            InterlockedExchange(&progressPostPending, 0);
    }
}

// The newest ordinary report, which may be newer than the message that brought
// the window here. The next report posts again.
static void takeNewestProgress(int32_t* packed, int32_t* hz)
{
    InterlockedExchange(&progressPostPending, 0);
    uint64_t both = static_cast<uint64_t>(InterlockedCompareExchange64(&newestProgress, 0, 0));
    *packed = static_cast<int32_t>(static_cast<uint32_t>(both));
    *hz = static_cast<int32_t>(static_cast<uint32_t>(both >> 32));
}

// ---------------------------------------------------------------------------
// The relay window.

static void onTavroCode()
{
    if (mainForm)
        mainForm->showReceivedCode(latestReceivedCode());
}

static void onLearnProgress(WPARAM wParam, LPARAM lParam)
{
    int32_t packed = static_cast<int32_t>(wParam);
    int32_t hz = static_cast<int32_t>(lParam);
    if (relay::isEndReport(packed)) {
        if (mainForm)
            mainForm->endLearn();
        return;
    }
    takeNewestProgress(&packed, &hz);
    if (!mainForm)
        return;
    relay::ProgressReport report = relay::unpackProgress(packed);
    mainForm->DrawLearnProgress(report.progress);
    mainForm->DrawSignalQuality(report.quality);
    mainForm->showCarrierFrequency(relay::carrierCaption(hz));
    mainForm->enableAcceptBurst(report.progress > 1 && hz > 0);
}

LRESULT CALLBACK RelayWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case MSG_TAVRO_CODE:
        onTavroCode();
        break;
    case MSG_LEARN_PROGRESS:
        onLearnProgress(wParam, lParam);
        break;
    case MSG_HOOK_LEARN_BEGIN:
        if (!lrnActive && mainForm)
            mainForm->beginLearn();
        break;
    case MSG_HOOK_LEARN_END:
        if (mainForm)
            mainForm->endLearn();
        break;
    default:
        return CallWindowProcA(prevWndProc, hwnd, msg, wParam, lParam);
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void InstallRelay(HWND hwnd)
{
    prevWndProc = nullptr;
    LONG_PTR current = GetWindowLongPtrA(hwnd, GWLP_WNDPROC);
    if (current == 0)
        throw ProgramError{51, "Unable to get default window proc handle"};
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RelayWndProc));
    prevWndProc = reinterpret_cast<WNDPROC>(current);
}

void RemoveRelay(HWND hwnd)
{
    // Without a saved procedure there is nothing to put back, and a null
    // window procedure would crash the next message.
    if (!prevWndProc)
        return;
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(prevWndProc));
}

void CloseRelayWindow(HWND hwnd)
{
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
}
