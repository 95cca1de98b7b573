// The process's driver thread: it serves the process's inbox in the shared
// device (received codes, progress reports, hooked-learn traffic, menu
// probes, floods) and starts the helper threads that scripts, floods and the
// hostile settings need.  All callbacks into the program come from these
// threads, never from inside the program's own call into the driver.
#include <memory>

#include "sim/driver.h"
#include "sim/simctl.h"

namespace drv {

namespace {

enum : DWORD {
    JOIN_TIMEOUT_MS = 8000,
    LATE_CALLBACKS_MS = 300,
    LATE_CALLBACK_EVERY_MS = 20,
    LATE_FIRST_ROUND_WAIT_MS = 2000,
};

const char EARLY_CODE_TEXT[] = "EARLY0000001";
const char EARLY_HOOK_CODE_TEXT[] = "EARLY0000002";

struct FloodOrder {
    uint32_t requestId, asker;
    int perSecond, seconds;
};

struct LateOrder {
    TavrixReceiveCallback receive;
    TavrixProgressCallback progress;
    int32_t receiveUser, progressUser;
    HANDLE firstRound;  // the thread's own handle of it: set after the first round
};

struct EarlyOrder {
    TavrixReceiveCallback receive;
    int32_t receiveUser;
    TavrixProgressCallback progress;
    int32_t progressUser;
    const char* code;
};

}  // namespace

void Driver::startDriverThread()
{
    stopEvent_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    inboxEvent_ = CreateEventA(nullptr, FALSE, FALSE, sim::inboxEventName(pid).c_str());
    sim::Device& device = sim::Device::instance();
    if (device.ok()) {
        sim::Device::Lock lock(device);
        // A slot left by an earlier process with the same id starts afresh.
        device.releaseSlot(pid);
        if (!device.registerSlot(pid))
            log.write("event no-inbox every process slot of the device is taken");
    }
    inboxThread_ = startThread([](void*) { Driver::get().serveInbox(); }, nullptr);
}

void Driver::stopDriverThread()
{
    sim::Device& device = sim::Device::instance();
    if (device.ok()) {
        sim::Device::Lock lock(device);
        device.releaseSlot(pid);
    }
    if (stopEvent_)
        SetEvent(stopEvent_);
    bool allEnded = joinThread(&inboxThread_, JOIN_TIMEOUT_MS);
    EnterCriticalSection(&lock_);
    std::vector<HANDLE> helpers;
    helpers.swap(helpers_);
    LeaveCriticalSection(&lock_);
    for (HANDLE& helper : helpers)
        allEnded = joinThread(&helper, JOIN_TIMEOUT_MS) && allEnded;
    // A thread that did not end still looks at the events: keep them then.
    if (allEnded) {
        if (stopEvent_)
            CloseHandle(stopEvent_);
        if (inboxEvent_)
            CloseHandle(inboxEvent_);
    }
    stopEvent_ = nullptr;
    inboxEvent_ = nullptr;
}

void Driver::serveInbox()
{
    sim::Device& device = sim::Device::instance();
    std::unique_ptr<sim::Message> message(new sim::Message);
    HANDLE events[2] = {stopEvent_, inboxEvent_};
    for (;;) {
        DWORD woken = WaitForMultipleObjects(2, events, FALSE, INFINITE);
        if (woken != WAIT_OBJECT_0 + 1)
            break;
        while (WaitForSingleObject(events[0], 0) != WAIT_OBJECT_0 && device.take(pid, message.get()))
            handleMessage(*message);
    }
}

void Driver::deliverReceived(const char* bytes, size_t length, bool raw)
{
    EnterCriticalSection(&lock_);
    TavrixReceiveCallback receive = receive_;
    int32_t user = receiveUser_;
    LeaveCriticalSection(&lock_);
    if (receive)
        callReceive(receive, user, bytes, length, raw, settings.hostile);
}

void Driver::handleMessage(const sim::Message& m)
{
    sim::Device& device = sim::Device::instance();
    switch (m.type) {
    case sim::MSG_RECEIVE:
        if (log.enabled())
            log.write(std::string("event received code=") + simtext::quoted(m.text, m.length) +
                      (m.a ? " raw" : ""));
        deliverReceived(m.text, m.length, m.a != 0);
        break;

    case sim::MSG_PROGRESS:
    case sim::MSG_FINISH: {
        Learn::Event e = {m.type, m.a, m.b, m.c, std::string()};
        EnterCriticalSection(&lock_);
        Learn* learn = own_ && !own_->done() ? own_ : hooked_ && !hooked_->done() ? hooked_ : nullptr;
        if (learn)
            learn->push(e);
        LearnTarget target = hookHeld_ ? hook_ : lastLearn_;
        LeaveCriticalSection(&lock_);
        // With no learn running a report still reaches the program, through
        // the callback it gave last.
        if (!learn && m.type == sim::MSG_PROGRESS && target.callback)
            target.callback(m.a, m.b, m.c, target.user);
        break;
    }

    case sim::MSG_HOOK_REQUEST: {
        uint32_t session = static_cast<uint32_t>(m.a);
        uint32_t requester = static_cast<uint32_t>(m.b);
        EnterCriticalSection(&lock_);
        Learn* finished = hooked_ && hooked_->done() ? hooked_ : nullptr;
        if (finished)
            hooked_ = nullptr;
        LeaveCriticalSection(&lock_);
        if (finished && finished->join(JOIN_TIMEOUT_MS))
            delete finished;

        EnterCriticalSection(&lock_);
        bool free = hookHeld_ && !(own_ && !own_->done()) && !hooked_;
        Learn* learn = nullptr;
        if (free) {
            learn = new Learn(Learn::HOOKED, hook_, std::string(m.text, m.length), session, requester);
            hooked_ = learn;
        }
        LeaveCriticalSection(&lock_);
        if (learn && !learn->start()) {
            EnterCriticalSection(&lock_);
            hooked_ = nullptr;
            LeaveCriticalSection(&lock_);
            delete learn;
            learn = nullptr;
        }
        if (learn) {
            updateSlotLearn();
        } else {
            log.write("event hook-declined session=" + std::to_string(session) +
                      " requester=" + std::to_string(requester));
            device.post(requester, sim::makeMessage(sim::MSG_HOOK_DECLINED, m.a));
        }
        break;
    }

    case sim::MSG_HOOK_DECLINED:
    case sim::MSG_HOOK_PROGRESS:
    case sim::MSG_HOOK_RESULT: {
        // Hooked-learn reports carry their session in a; the report itself
        // moves down one field.
        Learn::Event e = {m.type, m.b, m.c, m.d, std::string(m.text, m.length)};
        EnterCriticalSection(&lock_);
        if (own_ && !own_->done() && own_->kind() == Learn::REQUESTER && own_->session() == static_cast<uint32_t>(m.a))
            own_->push(e);
        LeaveCriticalSection(&lock_);
        break;
    }

    case sim::MSG_AIM: {
        // Every learn running here: an own learn (or a requester's) and a
        // hooked one may run side by side.
        Learn::Event e = {m.type, 0, 0, 0, std::string(m.text, m.length)};
        EnterCriticalSection(&lock_);
        if (own_ && !own_->done())
            own_->push(e);
        if (hooked_ && !hooked_->done())
            hooked_->push(e);
        LeaveCriticalSection(&lock_);
        break;
    }

    case sim::MSG_HOOK_ACCEPT_BURST:
    case sim::MSG_HOOK_CANCEL: {
        Learn::Event e = {m.type, 0, 0, 0, std::string()};
        EnterCriticalSection(&lock_);
        if (hooked_ && !hooked_->done() && hooked_->session() == static_cast<uint32_t>(m.a))
            hooked_->push(e);
        LeaveCriticalSection(&lock_);
        break;
    }

    case sim::MSG_MENUS:
        device.reply(static_cast<uint32_t>(m.a), static_cast<uint32_t>(m.d), menuDump());
        break;

    case sim::MSG_CAPTURE:
        device.reply(static_cast<uint32_t>(m.a), static_cast<uint32_t>(m.d), captureControl(m.b));
        break;

    case sim::MSG_LAYOUT:
        device.reply(static_cast<uint32_t>(m.a), static_cast<uint32_t>(m.d), layoutDump());
        break;

    case sim::MSG_POINTER:
        device.reply(static_cast<uint32_t>(m.a), static_cast<uint32_t>(m.d), screenPointer());
        break;

    case sim::MSG_FLOOD: {
        FloodOrder* order = new FloodOrder{static_cast<uint32_t>(m.a), static_cast<uint32_t>(m.d), m.b, m.c};
        HANDLE thread = startThread(
            [](void* p) {
                std::unique_ptr<FloodOrder> o(static_cast<FloodOrder*>(p));
                Driver::get().runFlood(o->requestId, o->asker, o->perSecond, o->seconds);
            },
            order);
        if (!thread) {
            delete order;
            break;
        }
        EnterCriticalSection(&lock_);
        helpers_.push_back(thread);
        LeaveCriticalSection(&lock_);
        break;
    }

    default:
        break;
    }
}

void Driver::runFlood(uint32_t requestId, uint32_t asker, int perSecond, int seconds)
{
    uint64_t total = static_cast<uint64_t>(perSecond) * static_cast<uint64_t>(seconds);
    uint64_t sent = 0;
    std::string last;
    DWORD start = GetTickCount();
    while (sent < total && !stopping()) {
        uint64_t due = static_cast<uint64_t>(GetTickCount() - start) * static_cast<uint64_t>(perSecond) / 1000 + 1;
        if (due > total)
            due = total;
        while (sent < due && !stopping()) {
            last = simtext::floodCode(static_cast<uint32_t>(++sent));
            deliverReceived(last.data(), last.size(), false);
        }
        Sleep(1);
    }
    log.write("event flood sent=" + std::to_string(sent) + " last=" + simtext::quoted(last));
    sim::Device::instance().reply(requestId, asker, last + "\n");
}

namespace {

// The whole file; false when it cannot be read. (Read with the system's own
// calls: a C++ stream would bring the library's stream and locale code into
// the driver, most of its size and of the time a program takes to load it.)
bool readWholeFile(const std::string& path, std::string* text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    char buffer[4096];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(file, buffer, sizeof buffer, &got, nullptr) != FALSE) && got > 0)
        text->append(buffer, got);
    CloseHandle(file);
    return ok;
}

}  // namespace

void Driver::runScript()
{
    std::string script;
    if (!readWholeFile(settings.scriptPath, &script)) {
        log.write("event script-error cannot read " + simtext::quoted(settings.scriptPath));
        return;
    }
    int number = 0;
    // Lines end with LF; a CR before it stays in the line, whose parser
    // trims it.
    for (size_t next = 0; next < script.size() && !stopping();) {
        size_t end = script.find('\n', next);
        if (end == std::string::npos)
            end = script.size();
        std::string text = script.substr(next, end - next);
        next = end + 1;
        ++number;
        simtext::ScriptLine line;
        std::string problem;
        if (!simtext::parseScriptLine(text, &line, &problem)) {
            log.write("event script-error line=" + std::to_string(number) + " " + simtext::quoted(problem));
            continue;
        }
        if (line.words.empty())
            continue;
        if (stopEvent_ && sleepUnlessSignalled(stopEvent_, static_cast<DWORD>(line.delayMs)))
            break;
        std::string output;
        bool ok = simctl::runCommand(line.words, &output);
        log.write("event script line=" + std::to_string(number) + " " + simtext::quoted(text) + " -> " +
                  (ok ? std::string("ok") : "error " + simtext::quoted(simctl::lastError())));
        size_t from = 0;
        while (from < output.size()) {
            size_t to = output.find('\n', from);
            if (to == std::string::npos)
                to = output.size();
            log.write("event script-output " + simtext::quoted(output.substr(from, to - from)));
            from = to + 1;
        }
    }
}

void Driver::lateCallbacks(TavrixReceiveCallback receive, TavrixProgressCallback progress, int32_t receiveUser,
                           int32_t progressUser)
{
    // The first round comes before TavrixClose returns, so that a program
    // that ends right after closing still gets at least one late callback.
    HANDLE firstRound = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE threadsCopy = nullptr;
    if (firstRound)
        DuplicateHandle(GetCurrentProcess(), firstRound, GetCurrentProcess(), &threadsCopy, 0, FALSE,
                        DUPLICATE_SAME_ACCESS);
    LateOrder* order = new LateOrder{receive, progress, receiveUser, progressUser, threadsCopy};
    HANDLE thread = startThread(
        [](void* p) {
            std::unique_ptr<LateOrder> o(static_cast<LateOrder*>(p));
            Driver& d = Driver::get();
            d.log.write("event late-callbacks begin");
            DWORD start = GetTickCount();
            uint32_t n = 0;
            while (GetTickCount() - start < LATE_CALLBACKS_MS) {
                char code[16];
                wsprintfA(code, "LATE%08lu", static_cast<unsigned long>(++n));
                callReceive(o->receive, o->receiveUser, code, lstrlenA(code), false, d.settings.hostile);
                if (o->progress)
                    o->progress(50, 50, 38029, o->progressUser);
                if (n == 1 && o->firstRound) {
                    SetEvent(o->firstRound);
                    CloseHandle(o->firstRound);
                    o->firstRound = nullptr;
                }
                Sleep(LATE_CALLBACK_EVERY_MS);
            }
            if (o->firstRound)
                CloseHandle(o->firstRound);
            d.log.write("event late-callbacks end");
        },
        order);
    if (thread) {
        CloseHandle(thread);
        // Bounded: a program whose callback waits for the closing thread
        // gets its TavrixClose back all the same.
        if (firstRound)
            WaitForSingleObject(firstRound, LATE_FIRST_ROUND_WAIT_MS);
    } else {
        if (threadsCopy)
            CloseHandle(threadsCopy);
        delete order;
    }
    if (firstRound)
        CloseHandle(firstRound);
}

void Driver::earlyCallbacks(bool receivedCode, bool progressReport)
{
    EnterCriticalSection(&lock_);
    EarlyOrder* order = new EarlyOrder{receive_, receiveUser_, hook_.callback, hook_.user,
                                       progressReport ? EARLY_HOOK_CODE_TEXT : EARLY_CODE_TEXT};
    LeaveCriticalSection(&lock_);
    if (!receivedCode)
        order->receive = nullptr;
    if (!progressReport)
        order->progress = nullptr;
    // Delivered on a driver thread, but before the call that asked for them
    // returns: the program cannot have made its relay window by then.
    HANDLE thread = startThread(
        [](void* p) {
            std::unique_ptr<EarlyOrder> o(static_cast<EarlyOrder*>(p));
            Driver& d = Driver::get();
            d.log.write(std::string("event early-callbacks") + (o->receive ? " code=" + simtext::quoted(o->code) : "") +
                        (o->progress ? " progress=5" : ""));
            callReceive(o->receive, o->receiveUser, o->code, lstrlenA(o->code), false, d.settings.hostile);
            if (o->progress)
                o->progress(5, 20, 38029, o->progressUser);
        },
        order);
    if (!thread)
        delete order;
    joinThread(&thread, JOIN_TIMEOUT_MS);
}

}  // namespace drv
