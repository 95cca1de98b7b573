// Received codes as the program's receive callback sees them.  Normally the
// text stays readable in a ring of slots until many more codes have come;
// the hostile settings make its lifetime and termination as unkind as the
// callback's contract allows.
#include <cstring>

#include "sim/driver.h"

namespace drv {

namespace {

enum { RING_SLOTS = 64, KEPT_PAGES = 16, NO_NUL_LENGTH = 24 };

char ring[RING_SLOTS][sim::TEXT_CAPACITY + 1];
volatile LONG ringNext = 0;

// Page-end copies that are not freed at once, released oldest first.
struct KeptPages {
    CRITICAL_SECTION lock;
    void* bases[KEPT_PAGES] = {};
    unsigned next = 0;
    KeptPages() { InitializeCriticalSection(&lock); }
};

KeptPages& keptPages()
{
    static KeptPages* kept = new KeptPages();
    return *kept;
}

size_t pageSize()
{
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwPageSize;
}

// Copies bytes so that they end exactly where readable memory ends: the
// next page is reserved and never committed, so reading past them faults.
char* copyToPageEnd(const char* bytes, size_t length, void** base)
{
    size_t page = pageSize();
    size_t pages = length == 0 ? 1 : (length + page - 1) / page;
    *base = VirtualAlloc(nullptr, (pages + 1) * page, MEM_RESERVE, PAGE_NOACCESS);
    if (!*base)
        return nullptr;
    if (!VirtualAlloc(*base, pages * page, MEM_COMMIT, PAGE_READWRITE)) {
        VirtualFree(*base, 0, MEM_RELEASE);
        *base = nullptr;
        return nullptr;
    }
    char* text = static_cast<char*>(*base) + pages * page - length;
    if (length)
        std::memcpy(text, bytes, length);
    return text;
}

// A freshly allocated page holding the text and its NUL.
char* copyToOwnPage(const char* bytes, size_t length, void** base)
{
    *base = VirtualAlloc(nullptr, length + 1, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!*base)
        return nullptr;
    char* text = static_cast<char*>(*base);
    std::memcpy(text, bytes, length);
    text[length] = 0;
    return text;
}

void keep(void* base)
{
    KeptPages& kept = keptPages();
    EnterCriticalSection(&kept.lock);
    void* old = kept.bases[kept.next];
    kept.bases[kept.next] = base;
    kept.next = (kept.next + 1) % KEPT_PAGES;
    LeaveCriticalSection(&kept.lock);
    if (old)
        VirtualFree(old, 0, MEM_RELEASE);
}

}  // namespace

void callReceive(TavrixReceiveCallback callback, int32_t user, const char* bytes, size_t length, bool raw,
                 const simtext::Hostile& hostile)
{
    if (!callback)
        return;
    std::string padded;
    if (hostile.noNul) {
        // The code over and over, cut at 24 bytes, and no NUL after it.
        std::string source = length ? std::string(bytes, length) : std::string("?");
        while (padded.size() < NO_NUL_LENGTH)
            padded += source;
        padded.resize(NO_NUL_LENGTH);
        bytes = padded.data();
        length = padded.size();
        raw = true;
    }
    if (length > sim::TEXT_CAPACITY)
        length = sim::TEXT_CAPACITY;

    void* base = nullptr;
    char* text = nullptr;
    if (raw)
        text = copyToPageEnd(bytes, length, &base);
    else if (hostile.staleText)
        text = copyToOwnPage(bytes, length, &base);
    if (!base) {
        unsigned long slot = static_cast<unsigned long>(InterlockedIncrement(&ringNext)) % RING_SLOTS;
        text = ring[slot];
        std::memcpy(text, bytes, length);
        text[length] = 0;
    }
    callback(text, user);
    if (base) {
        if (hostile.staleText)
            VirtualFree(base, 0, MEM_RELEASE);
        else
            keep(base);
    }
}

}  // namespace drv
