// Inside the simulated tavrixdrv.dll: the per-process driver state shared by
// the exported functions (exports.cpp), the driver thread that serves this
// process's inbox (inbox.cpp), the learns (learn.cpp), the delivery of
// received texts (delivery.cpp), the call log (calllog.cpp), what the
// driver reads of the process's own windows (probe.cpp) and the refusal of
// the program's relay window (relayrefusal.cpp).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/tavrix_abi.h"
#include "sim/shared.h"
#include "sim/simtext.h"

namespace drv {

// ---- call log --------------------------------------------------------------

// Appends lines to the TAVRIXSIM_LOG file; every process writes under one
// named mutex and each line goes to the file as soon as it is complete.
class CallLog {
public:
    void open(const std::string& path);
    bool enabled() const { return file_ != INVALID_HANDLE_VALUE; }
    // Writes "pid=<pid> <body>\n".
    void write(const std::string& body);

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
    HANDLE lock_ = nullptr;
};

// Builds the body of one call-log line: "<Function> name=value ... -> result".
class LogLine {
public:
    explicit LogLine(const char* function) : text_(function) {}
    LogLine& num(const char* name, int64_t value);
    LogLine& addr(const char* name, const volatile void* address);
    LogLine& text(const char* name, const char* bytes, size_t length);
    LogLine& result(int64_t value);  // " -> <value>"
    LogLine& lastError(uint32_t error);
    const std::string& str() const { return text_; }

private:
    std::string text_;
};

std::string hexAddress(const volatile void* address);

// ---- call times ------------------------------------------------------------

// Milliseconds on the performance counter, the clock that every process of
// the machine shares (the benchmark compares the driver's times with its own).
double nowMs();

// When the library was loaded and when each call began and ended, kept in
// memory so that noting them costs the program nothing measurable, and
// written to the TAVRIXSIM_TIMES file when the process's last handle is
// closed: "load <ms>", then "<Function> <begin ms> <end ms>" a line.
class CallTimes {
public:
    CallTimes();
    void note(const char* function, double beginMs, double endMs);
    void write(const std::string& path);

private:
    struct Call {
        const char* function;
        double beginMs, endMs;
    };
    CRITICAL_SECTION lock_;
    std::vector<Call> calls_;
};
CallTimes& callTimes();
// When the library's own initialisation ran, as the process loaded it.
double libraryLoadedMs();

// ---- threads ---------------------------------------------------------------

// Starts a thread that keeps this library loaded until it has returned, so
// that a FreeLibrary by the program never pulls code out from under it.
HANDLE startThread(void (*body)(void*), void* argument);
// Waits for a thread and closes its handle.  False (handle kept) when it did
// not end in time or is the calling thread itself.
bool joinThread(HANDLE* thread, DWORD timeoutMs);
// Sleeps up to ms, or less when stop is signalled; true when stopped.
bool sleepUnlessSignalled(HANDLE stop, DWORD ms);

// ---- the learn -------------------------------------------------------------

// Where a learn reports: the buffer, callback and flag that the program gave.
struct LearnTarget {
    char* buffer = nullptr;
    TavrixProgressCallback callback = nullptr;
    int32_t user = 0;
    volatile int32_t* flag = nullptr;
};

// One learn running in this process on a thread of its own:
//  own        the program's own learn, timed by this process;
//  hooked     another process's learn, served by this hook holder;
//  requester  this process's learn while the hook holder serves it.
class Learn {
public:
    enum Kind { OWN, HOOKED, REQUESTER };

    // An event handed over by the driver thread.
    struct Event {
        uint32_t type;  // sim::MessageType
        int32_t a, b, c;
        std::string text;
    };

    Learn(Kind kind, const LearnTarget& target, const std::string& code, uint32_t session, uint32_t peer);
    ~Learn();
    Learn(const Learn&) = delete;
    Learn& operator=(const Learn&) = delete;

    bool start();
    void push(const Event& event);
    // Ends the learn without writing or reporting anything more.
    void stop();
    bool join(DWORD timeoutMs);
    bool done() const { return done_ != 0; }

    Kind kind() const { return kind_; }
    uint32_t session() const { return session_; }
    uint32_t peer() const { return peer_; }

private:
    static void threadBody(void* self);
    void run();
    bool stopped() const { return stop_ != 0; }
    void report(int32_t progress, int32_t quality, int32_t carrierHz);
    void writeResult(const std::string& text);
    void end(const std::string& result, bool writeBuffer, const char* how);
    void becomeOwn();
    // Learns `code` from now on: the code, its burst and its carrier.
    void setCode(const std::string& code);
    bool takeEvent(Event* event);
    // Waits for the burst in the air to complete; false when stopped meanwhile.
    bool settle();

    volatile Kind kind_;
    LearnTarget target_;
    std::string code_;      // canonical Pronto text being learnt
    std::string burst_;     // what has been received when the learn is cut short
    int32_t carrierHz_;
    uint32_t session_;
    uint32_t peer_;         // hooked: the requester; requester: the holder
    HANDLE thread_ = nullptr;
    HANDLE wake_ = nullptr;
    volatile LONG stop_ = 0;
    volatile LONG done_ = 0;
    CRITICAL_SECTION eventsLock_;
    std::vector<Event> events_;
    int32_t lastQuality_ = 0;
    int32_t lastCarrier_ = 0;
};

// ---- the process's driver --------------------------------------------------

class Driver {
public:
    static Driver& get();

    simtext::Settings settings;
    CallLog log;
    uint32_t pid;
    std::string programName;  // "pellwick.exe": how the event line names this process

    // The exported functions.
    int32_t getDrvInfo(uint32_t* version);
    int32_t getDrvVersion(uint32_t* version);
    TavrixHandle open();
    int32_t close(TavrixHandle h);
    int32_t setReceiveCallback(TavrixHandle h, TavrixReceiveCallback callback, int32_t user);
    int32_t getInfo(TavrixHandle h, TavrixDeviceInfo* info);
    int32_t learnIR(TavrixHandle h, int32_t format, char* buffer, TavrixProgressCallback callback, int32_t user,
                    volatile int32_t* flag, int32_t r1, int32_t r2, int32_t r3);
    int32_t transmitIR(TavrixHandle h, const char* code, int32_t format, int32_t repeat, int32_t r1, int32_t r2,
                       int32_t r3, int32_t r4);
    int32_t convertPronto(const char* code, char* output, int32_t* outputValue, int32_t r1, int32_t r2);

    // Makes "<program name><what>" the device's last event.
    void recordEvent(const std::string& what);

    // Used by the driver's threads.
    void serveInbox();
    void handleMessage(const sim::Message& m);
    void deliverReceived(const char* bytes, size_t length, bool raw);
    void learnEnded(Learn* learn);
    void updateSlotLearn();
    bool stopping() const;
    void runFlood(uint32_t requestId, uint32_t asker, int perSecond, int seconds);
    void runScript();
    void lateCallbacks(TavrixReceiveCallback receive, TavrixProgressCallback progress, int32_t receiveUser,
                       int32_t progressUser);

private:
    Driver();
    bool validHandle(TavrixHandle h);
    void startDriverThread();
    void stopDriverThread();
    void stopOwnLearn();
    void stopHookedLearn(bool tellRequester);
    void dropHook();
    void earlyCallbacks(bool receivedCode, bool progressReport);

    CRITICAL_SECTION lock_;  // guards everything below
    std::vector<TavrixHandle> handles_;
    TavrixHandle nextHandle_ = 1;
    TavrixReceiveCallback receive_ = nullptr;
    int32_t receiveUser_ = 0;
    bool hookHeld_ = false;
    LearnTarget hook_;
    LearnTarget lastLearn_;  // for progress reports that find no learn running
    Learn* own_ = nullptr;
    Learn* hooked_ = nullptr;
    HANDLE inboxThread_ = nullptr;
    HANDLE inboxEvent_ = nullptr;
    HANDLE stopEvent_ = nullptr;  // manual reset: the driver thread and its helpers end
    std::vector<HANDLE> helpers_;  // flood and script threads
    bool scriptStarted_ = false;

    friend class Learn;
};

// ---- received texts and the process's windows -------------------------------

// Calls the receive callback with a driver-owned copy of bytes, placed as the
// hostile settings ask (a reused ring slot, a page freed after the call, or
// the end of a readable page with no NUL after it).
void callReceive(TavrixReceiveCallback callback, int32_t user, const char* bytes, size_t length, bool raw,
                 const simtext::Hostile& hostile);

// Titles of this process's visible top-level windows, | separated.
std::string visibleWindowTitles();
// wait, arrow or other: the calling thread's current cursor.
const char* cursorShape();
// The pointer the screen shows (that of the thread whose window is in
// front): "<wait|arrow|other|none> <front|behind>", front when that window
// is this process's; empty when it cannot be read.
std::string screenPointer();
// The menu dump of this process's top-level windows with a menu bar.
std::string menuDump();
// The pixels of the first window below this process's top-level windows
// whose control id is controlId: "CAPT", width and height as 32-bit numbers,
// then width x height COLORREF values row by row; empty when there is none.
std::string captureControl(int controlId);
// Every window of this process, visible or not, and every window below it:
// place, text, font and the text's extent in that font (see sim/README.md).
std::string layoutDump();

// ---- hostile: the program's relay window ------------------------------------

// no-relay-window: hooks the calling thread so that its next creation of the
// window named "CallbackHiddenWindow" (class STATIC) fails; the hook removes
// itself after that one refusal.  Armed once per process.
void refuseRelayWindow();
// Removes that hook if it has refused nothing yet.
void dropRelayRefusal();

}  // namespace drv
