#include "sim/simctl.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "ir/ir.h"
#include "sim/pronto.h"
#include "sim/shared.h"
#include "sim/simtext.h"

namespace simctl {

namespace {

// A plain buffer: thread_local with a destructor is best avoided in code that
// also runs on the driver library's threads.
thread_local char lastErrorText[512];

bool fail(const std::string& why)
{
    std::snprintf(lastErrorText, sizeof lastErrorText, "%s", why.c_str());
    return false;
}

void clearError()
{
    lastErrorText[0] = 0;
}

// The device, or null with lastError() set.
sim::Device* device()
{
    sim::Device& d = sim::Device::instance();
    if (!d.ok()) {
        fail("the simulated device cannot be opened: " + d.error());
        return nullptr;
    }
    return &d;
}

// Pids of live slots that pass the test, taken under the lock.
template <typename Test>
std::vector<uint32_t> slotsWhere(sim::Device& d, Test test)
{
    std::vector<uint32_t> pids;
    sim::Device::Lock lock(d);
    for (const sim::ProcessSlot& slot : d.state()->slots)
        if (slot.pid != 0 && test(slot))
            pids.push_back(slot.pid);
    return pids;
}

int postToAll(sim::Device& d, const std::vector<uint32_t>& pids, const sim::Message& m)
{
    int reached = 0;
    for (uint32_t pid : pids)
        if (d.post(pid, m))
            ++reached;
    return reached;
}

// Sends a request to the driver threads of pids and collects their answers
// in the reply area.  The request lock keeps two askers from sharing it.
bool request(sim::Device& d, const std::vector<uint32_t>& pids, sim::Message m, int timeoutMs,
             std::string* answers, uint32_t* answerCount)
{
    HANDLE requestLock = CreateMutexA(nullptr, FALSE, sim::REQUEST_LOCK_NAME);
    if (!requestLock)
        return fail("cannot make the request lock, error " + std::to_string(GetLastError()));
    DWORD got = WaitForSingleObject(requestLock, static_cast<DWORD>(timeoutMs));
    if (got != WAIT_OBJECT_0 && got != WAIT_ABANDONED) {
        CloseHandle(requestLock);
        return fail("another request to the device is still waiting for its answers");
    }
    uint32_t me = GetCurrentProcessId();
    HANDLE replied = CreateEventA(nullptr, FALSE, FALSE, sim::replyEventName(me).c_str());
    uint32_t id = 0;
    {
        sim::Device::Lock lock(d);
        sim::SharedState* s = d.state();
        id = s->nextRequest++;
        if (id == 0)
            id = s->nextRequest++;
        s->reply.requestId = id;
        s->reply.expected = static_cast<uint32_t>(pids.size());
        s->reply.received = 0;
        s->reply.length = 0;
        s->reply.text[0] = 0;
    }
    m.a = static_cast<int32_t>(id);
    m.d = static_cast<int32_t>(me);
    uint32_t posted = static_cast<uint32_t>(postToAll(d, pids, m));
    {
        sim::Device::Lock lock(d);
        d.state()->reply.expected = posted;
    }
    DWORD start = GetTickCount();
    bool complete = false;
    for (;;) {
        {
            sim::Device::Lock lock(d);
            const sim::Reply& r = d.state()->reply;
            if (r.received >= r.expected) {
                complete = true;
                *answers = std::string(r.text, r.length);
                *answerCount = r.received;
            }
        }
        DWORD elapsed = GetTickCount() - start;
        if (complete || elapsed >= static_cast<DWORD>(timeoutMs))
            break;
        WaitForSingleObject(replied, static_cast<DWORD>(timeoutMs) - elapsed);
    }
    {
        sim::Device::Lock lock(d);
        if (!complete) {
            *answers = std::string(d.state()->reply.text, d.state()->reply.length);
            *answerCount = d.state()->reply.received;
        }
        d.state()->reply.requestId = 0;
    }
    if (replied)
        CloseHandle(replied);
    ReleaseMutex(requestLock);
    CloseHandle(requestLock);
    if (posted == 0)
        return fail("no process could be asked");
    if (!complete)
        return fail("no answer within " + std::to_string(timeoutMs) + " ms");
    return true;
}

const char* learnKindName(uint32_t kind)
{
    switch (kind) {
    case sim::LEARN_OWN: return "own";
    case sim::LEARN_HOOKED: return "hooked";
    case sim::LEARN_REQUESTER: return "waiting-for-hook";
    default: return "none";
    }
}

bool parseInt(const std::string& word, int64_t low, int64_t high, int64_t* value, const char* what)
{
    if (!simtext::parseNumber(word, value) || *value < low || *value > high)
        return fail(std::string(what) + " must be a number from " + std::to_string(low) + " to " +
                    std::to_string(high) + ", not \"" + simtext::escape(word) + "\"");
    return true;
}

std::string programs(int count)
{
    return std::to_string(count) + (count == 1 ? " program" : " programs");
}

}  // namespace

std::string lastError()
{
    return lastErrorText;
}

bool reset()
{
    clearError();
    sim::Device* d = device();
    if (!d)
        return false;
    sim::Device::Lock lock(*d);
    d->resetSettings();
    return true;
}

int pressRaw(const void* bytes, size_t length)
{
    clearError();
    if (length > sim::TEXT_CAPACITY) {
        fail("a received code holds at most " + std::to_string(sim::TEXT_CAPACITY) + " bytes");
        return -1;
    }
    sim::Device* d = device();
    if (!d)
        return -1;
    std::vector<uint32_t> pids = slotsWhere(*d, [](const sim::ProcessSlot& s) { return s.receiving != 0; });
    sim::Message m = sim::makeMessage(sim::MSG_RECEIVE, 1, 0, 0, 0, static_cast<const char*>(bytes), length);
    int reached = postToAll(*d, pids, m);
    d->recordEvent("Press of " + std::to_string(length) + " raw bytes, received by " + programs(reached));
    sim::Device::Lock lock(*d);
    ++d->state()->codesPressed;
    return reached;
}

int press(const std::string& code)
{
    clearError();
    if (code.size() >= sim::TEXT_CAPACITY) {
        fail("a received code holds at most " + std::to_string(sim::TEXT_CAPACITY - 1) + " characters");
        return -1;
    }
    sim::Device* d = device();
    if (!d)
        return -1;
    std::vector<uint32_t> pids = slotsWhere(*d, [](const sim::ProcessSlot& s) { return s.receiving != 0; });
    sim::Message m = sim::makeMessage(sim::MSG_RECEIVE, 0, 0, 0, 0, code.data(), code.size());
    int reached = postToAll(*d, pids, m);
    d->recordEvent("Press of " + simtext::quoted(code, 40) + ", received by " + programs(reached));
    sim::Device::Lock lock(*d);
    ++d->state()->codesPressed;
    return reached;
}

namespace {

// What point() and aim() take: "remote", a named code, a protocol with its
// parameters or Pronto text; *name as status shows it and *code the text.
bool resolveCode(const std::string& nameOrPronto, std::string* name, std::string* code)
{
    std::vector<std::string> words = simtext::splitWords(nameOrPronto);
    if (words.size() == 1 && (words[0] == "remote" || words[0] == "REMOTE")) {
        *name = "remote";
    } else if (words.size() == 1 && simtext::namedCode(words[0])) {
        *name = words[0];
        for (char& c : *name)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        *code = simtext::namedCode(words[0]);
    } else if (!words.empty() && ir::findProtocol(words[0])) {
        // A protocol with its parameters, "NEC1 D=4 F=8": the code the IR
        // core renders for it.
        std::string error;
        if (!ir::renderWords(words, code, &error))
            return fail("cannot make the code " + simtext::quoted(nameOrPronto, 80) + ": " + error);
        *name = "protocol";
    } else {
        pronto::Code parsed;
        if (!pronto::parse(nameOrPronto.data(), nameOrPronto.size(), &parsed))
            return fail("not nec1, rc5, rc6, remote, a protocol with parameters or a valid Pronto code: " +
                        simtext::quoted(nameOrPronto, 80));
        *name = "pronto";
        *code = pronto::format(parsed);
        if (code->size() > 2048)
            return fail("the code is " + std::to_string(code->size()) +
                        " characters long; a learn buffer holds 2048");
    }
    return true;
}

}  // namespace

bool point(const std::string& nameOrPronto)
{
    clearError();
    std::string name;
    std::string code;
    if (!resolveCode(nameOrPronto, &name, &code))
        return false;
    sim::Device* d = device();
    if (!d)
        return false;
    sim::Device::Lock lock(*d);
    sim::SharedState* s = d->state();
    if (name == "remote") {
        s->pointed = 0;
        s->pointedName[0] = 0;
        s->pointedCode[0] = 0;
    } else {
        s->pointed = 1;
        std::snprintf(s->pointedName, sizeof s->pointedName, "%s", name.c_str());
        std::memcpy(s->pointedCode, code.c_str(), code.size() + 1);
    }
    return true;
}

int aim(const std::string& nameOrPronto)
{
    clearError();
    std::string name;
    std::string code;
    if (!resolveCode(nameOrPronto, &name, &code))
        return -1;
    if (name == "remote") {
        fail("aim takes a code; the built-in remote has no one code");
        return -1;
    }
    sim::Device* d = device();
    if (!d)
        return -1;
    std::vector<uint32_t> pids = slotsWhere(*d, [](const sim::ProcessSlot& s) { return s.learn != sim::LEARN_NONE; });
    if (pids.empty()) {
        fail("no learn is running");
        return 0;
    }
    // A requester's learn may not have reached the hook holder yet: the
    // holder's inbox serves the request before this message, so telling it
    // too aims the learn it is about to begin.
    uint32_t holder = 0;
    {
        sim::Device::Lock lock(*d);
        holder = d->liveHookHolder();
    }
    if (holder && std::find(pids.begin(), pids.end(), holder) == pids.end())
        pids.push_back(holder);
    int told = postToAll(*d, pids, sim::makeMessage(sim::MSG_AIM, 0, 0, 0, 0, code.data(), code.size()));
    d->recordEvent("Learn aimed at " + simtext::codeName(code) + " (" + std::to_string(told) +
                   (told == 1 ? " process told)" : " processes told)"));
    return told;
}

bool setLearnDuration(int ms)
{
    clearError();
    if (ms < 1 || ms > 3600 * 1000)
        return fail("a learn takes from 1 ms to 1 hour");
    sim::Device* d = device();
    if (!d)
        return false;
    sim::Device::Lock lock(*d);
    d->state()->learnDurationMs = ms;
    return true;
}

bool setLearnMode(bool manual)
{
    clearError();
    sim::Device* d = device();
    if (!d)
        return false;
    sim::Device::Lock lock(*d);
    d->state()->manualLearn = manual ? 1 : 0;
    return true;
}

int finish()
{
    clearError();
    sim::Device* d = device();
    if (!d)
        return -1;
    std::vector<uint32_t> pids = slotsWhere(*d, [](const sim::ProcessSlot& s) {
        return s.learn == sim::LEARN_OWN || s.learn == sim::LEARN_HOOKED;
    });
    if (pids.empty())
        fail("no learn is running");
    return postToAll(*d, pids, sim::makeMessage(sim::MSG_FINISH));
}

bool progress(int32_t progressValue, int32_t quality, int32_t carrierHz, uint32_t pid)
{
    clearError();
    sim::Device* d = device();
    if (!d)
        return false;
    if (pid == 0) {
        sim::Device::Lock lock(*d);
        pid = d->liveHookHolder();
        for (const sim::ProcessSlot& slot : d->state()->slots)
            if (pid == 0 && slot.pid != 0 && (slot.learn == sim::LEARN_OWN || slot.learn == sim::LEARN_HOOKED))
                pid = slot.pid;
    }
    if (pid == 0)
        return fail("no process holds the hook or runs a learn");
    if (!d->post(pid, sim::makeMessage(sim::MSG_PROGRESS, progressValue, quality, carrierHz)))
        return fail("process " + std::to_string(pid) + " has no driver thread or its inbox is full");
    return true;
}

bool setLearnError(uint32_t error)
{
    clearError();
    sim::Device* d = device();
    if (!d)
        return false;
    sim::Device::Lock lock(*d);
    d->state()->learnError = error;
    return true;
}

bool setTransmitFail(bool failTransmissions)
{
    clearError();
    sim::Device* d = device();
    if (!d)
        return false;
    sim::Device::Lock lock(*d);
    d->state()->transmitFails = failTransmissions ? 1 : 0;
    return true;
}

namespace {

// Asks process pid's driver thread for a text dump of its windows.
std::string dump(uint32_t pid, sim::MessageType what, int timeoutMs)
{
    clearError();
    sim::Device* d = device();
    if (!d)
        return std::string();
    std::string answer;
    uint32_t answers = 0;
    if (!request(*d, std::vector<uint32_t>(1, pid), sim::makeMessage(what), timeoutMs, &answer,
                 &answers)) {
        if (answers == 0)
            fail("process " + std::to_string(pid) + " did not answer: " + lastError());
        return std::string();
    }
    return answer;
}

}  // namespace

std::string menus(uint32_t pid, int timeoutMs)
{
    return dump(pid, sim::MSG_MENUS, timeoutMs);
}

std::string layout(uint32_t pid, int timeoutMs)
{
    return dump(pid, sim::MSG_LAYOUT, timeoutMs);
}

std::string pointer(uint32_t pid, int timeoutMs)
{
    return dump(pid, sim::MSG_POINTER, timeoutMs);
}

Capture capture(uint32_t pid, int controlId, int timeoutMs)
{
    clearError();
    Capture shot;
    sim::Device* d = device();
    if (!d)
        return shot;
    std::string answer;
    uint32_t answers = 0;
    if (!request(*d, std::vector<uint32_t>(1, pid), sim::makeMessage(sim::MSG_CAPTURE, 0, controlId), timeoutMs,
                 &answer, &answers))
        return shot;
    uint32_t width = 0, height = 0;
    if (answer.size() < 12 || answer.compare(0, 4, "CAPT") != 0) {
        fail("process " + std::to_string(pid) + " has no window with control id " + std::to_string(controlId));
        return shot;
    }
    std::memcpy(&width, answer.data() + 4, 4);
    std::memcpy(&height, answer.data() + 8, 4);
    size_t count = static_cast<size_t>(width) * height;
    if (answer.size() != 12 + 4 * count) {
        fail("a capture of the wrong size came back");
        return shot;
    }
    shot.width = static_cast<int>(width);
    shot.height = static_cast<int>(height);
    shot.pixels.resize(count);
    if (count)
        std::memcpy(shot.pixels.data(), answer.data() + 12, 4 * count);
    return shot;
}

Snapshot snapshot()
{
    clearError();
    Snapshot snap;
    sim::Device* d = device();
    if (!d)
        return snap;
    std::vector<sim::ProcessSlot> slots;
    {
        sim::Device::Lock lock(*d);
        const sim::SharedState* s = d->state();
        snap.reachable = true;
        snap.hookPid = d->liveHookHolder();
        snap.learnDurationMs = s->learnDurationMs;
        snap.manualLearn = s->manualLearn != 0;
        snap.transmitFails = s->transmitFails != 0;
        snap.learnError = s->learnError;
        snap.pointed = s->pointed ? s->pointedName : "remote";
        snap.pointedCode = s->pointed ? s->pointedCode : "";
        snap.learnsStarted = s->learnsStarted;
        snap.hookedLearns = s->hookedLearns;
        snap.codesPressed = s->codesPressed;
        snap.transmissions = s->transmissions;
        snap.event.serial = s->eventSerial;
        snap.event.pid = s->eventPid;
        snap.event.secondOfDay = s->eventSecond;
        snap.event.text.assign(s->eventText, simtext::boundedLength(s->eventText, sim::EVENT_CAPACITY));
        for (const sim::ProcessSlot& slot : s->slots) {
            if (slot.pid == 0)
                continue;
            ProcessInfo info = {slot.pid, slot.receiving != 0, slot.learn, slot.count, slot.dropped};
            snap.processes.push_back(info);
        }
    }
    // Liveness is checked outside the lock: it opens process handles.
    std::vector<ProcessInfo> live;
    for (const ProcessInfo& p : snap.processes)
        if (sim::processAlive(p.pid))
            live.push_back(p);
    snap.processes = live;
    return snap;
}

std::string status()
{
    Snapshot s = snapshot();
    if (!s.reachable)
        return std::string();
    std::string out;
    out += "learn-duration " + std::to_string(s.learnDurationMs) + "\n";
    out += std::string("learn-mode ") + (s.manualLearn ? "manual" : "auto") + "\n";
    out += std::string("txfail ") + (s.transmitFails ? "on" : "off") + "\n";
    out += "learn-error " + (s.learnError ? std::to_string(s.learnError) : std::string("off")) + "\n";
    out += "point " + s.pointed + (s.pointedCode.empty() ? "" : " " + simtext::quoted(s.pointedCode)) + "\n";
    out += "hook " + (s.hookPid ? "pid=" + std::to_string(s.hookPid) : std::string("none")) + "\n";
    for (const ProcessInfo& p : s.processes)
        out += "process pid=" + std::to_string(p.pid) + " receiving=" + (p.receiving ? "yes" : "no") +
               " learn=" + learnKindName(p.learn) + " waiting=" + std::to_string(p.waiting) +
               " dropped=" + std::to_string(p.dropped) + "\n";
    out += "counters learns=" + std::to_string(s.learnsStarted) + " hooked=" + std::to_string(s.hookedLearns) +
           " pressed=" + std::to_string(s.codesPressed) + " transmissions=" + std::to_string(s.transmissions) +
           "\n";
    if (s.event.serial)
        out += "last-event pid=" + std::to_string(s.event.pid) + " " + simtext::quoted(s.event.text) + "\n";
    return out;
}

std::string flood(int codesPerSecond, int seconds)
{
    clearError();
    if (codesPerSecond < 1 || codesPerSecond > 100000 || seconds < 1 || seconds > 600) {
        fail("a flood sends 1 to 100000 codes a second for 1 to 600 seconds");
        return std::string();
    }
    sim::Device* d = device();
    if (!d)
        return std::string();
    std::vector<uint32_t> pids = slotsWhere(*d, [](const sim::ProcessSlot& s) { return s.receiving != 0; });
    if (pids.empty()) {
        fail("no process has a receive callback");
        return std::string();
    }
    std::string answers;
    uint32_t count = 0;
    sim::Message m = sim::makeMessage(sim::MSG_FLOOD, 0, codesPerSecond, seconds);
    if (!request(*d, pids, m, seconds * 1000 + 10000, &answers, &count))
        return std::string();
    // Every process sends the same numbered codes; each answers with its last.
    std::vector<std::string> lines = simtext::splitWords(answers);
    if (lines.empty()) {
        fail("the flood sent nothing");
        return std::string();
    }
    return lines.back();
}

uint32_t waitForHook(uint32_t pid, int timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        Snapshot s = snapshot();
        if (s.hookPid != 0 && (pid == 0 || s.hookPid == pid))
            return s.hookPid;
        if (GetTickCount() - start >= static_cast<DWORD>(timeoutMs))
            return 0;
        Sleep(10);
    }
}

bool runCommand(const std::vector<std::string>& words, std::string* output)
{
    clearError();
    if (words.empty())
        return fail("no command");
    const std::string& command = words[0];
    size_t args = words.size() - 1;
    auto rest = [&]() {
        std::string text;
        for (size_t i = 1; i < words.size(); ++i)
            text += (i > 1 ? " " : "") + words[i];
        return text;
    };
    auto pidWord = [&](const std::string& word, uint32_t* pid) {
        if (word == "self") {
            *pid = GetCurrentProcessId();
            return true;
        }
        int64_t v = 0;
        if (!parseInt(word, 1, 0xFFFFFFFFll, &v, "a process id"))
            return false;
        *pid = static_cast<uint32_t>(v);
        return true;
    };
    int64_t a = 0, b = 0, c = 0;
    if (command == "press" && args >= 1)
        return press(rest()) >= 0;
    if (command == "press-raw" && args >= 1) {
        std::string bytes;
        if (!simtext::unescape(rest(), &bytes))
            return fail("press-raw takes C-escaped bytes, as the call log shows them");
        return pressRaw(bytes.data(), bytes.size()) >= 0;
    }
    if (command == "point" && args >= 1)
        return point(rest());
    if (command == "learn-duration" && args == 1)
        return parseInt(words[1], 1, 3600 * 1000, &a, "the learn duration in ms") &&
               setLearnDuration(static_cast<int>(a));
    if (command == "learn-mode" && args == 1 && (words[1] == "auto" || words[1] == "manual"))
        return setLearnMode(words[1] == "manual");
    if (command == "finish" && args == 0)
        return finish() > 0;
    if (command == "progress" && (args == 3 || args == 4)) {
        uint32_t pid = 0;
        if (!parseInt(words[1], INT32_MIN, INT32_MAX, &a, "progress") ||
            !parseInt(words[2], INT32_MIN, INT32_MAX, &b, "quality") ||
            !parseInt(words[3], INT32_MIN, INT32_MAX, &c, "carrier Hz") || (args == 4 && !pidWord(words[4], &pid)))
            return false;
        return progress(static_cast<int32_t>(a), static_cast<int32_t>(b), static_cast<int32_t>(c), pid);
    }
    if (command == "txfail" && args == 1 && (words[1] == "on" || words[1] == "off"))
        return setTransmitFail(words[1] == "on");
    if (command == "aim" && args >= 1)
        return aim(rest()) > 0;
    if (command == "learn-error" && args == 1) {
        if (words[1] == "off")
            return setLearnError(0);
        return parseInt(words[1], 1, 0xFFFFFFFFll, &a, "a last error") && setLearnError(static_cast<uint32_t>(a));
    }
    if ((command == "menus" || command == "layout" || command == "pointer") && args == 1) {
        uint32_t pid = 0;
        if (!pidWord(words[1], &pid))
            return false;
        std::string dump = command == "menus" ? menus(pid) : command == "layout" ? layout(pid) : pointer(pid);
        if (dump.empty() && !lastError().empty())
            return false;
        if (output)
            *output += command == "pointer" ? dump + "\n" : dump;
        return true;
    }
    if (command == "status" && args == 0) {
        std::string text = status();
        if (text.empty())
            return false;
        if (output)
            *output += text;
        return true;
    }
    if (command == "reset" && args == 0)
        return reset();
    if (command == "flood" && args == 2) {
        if (!parseInt(words[1], 1, 100000, &a, "codes per second") || !parseInt(words[2], 1, 600, &b, "seconds"))
            return false;
        std::string last = flood(static_cast<int>(a), static_cast<int>(b));
        if (last.empty())
            return false;
        if (output)
            *output += last + "\n";
        return true;
    }
    return fail("unknown command or wrong arguments: " + simtext::quoted(rest().empty() ? command : command + " " + rest(), 80));
}

}  // namespace simctl
