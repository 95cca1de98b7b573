// A learn, run on a driver thread of its own.
//
// Own learn: progress reports over the learn duration, then the learnt code
// in the caller's buffer and a negative progress.  Hooked learn (in the hook
// holder's process): begin report 0x4000, the same course mirrored to the
// requesting process, the result in the holder's buffer, end report 0x4001.
// Requester: waits for the holder's reports and result and passes them on.
//
// The flags belong to the program and are read and written with single
// aligned 32-bit accesses, as the program writes them.
#include <cmath>

#include "sim/driver.h"
#include "sim/pronto.h"

namespace drv {

namespace {

enum : DWORD {
    TICK_MS = 10,
    REPORT_EVERY_MS = 100,
    BURST_SETTLE_MS = 50,  // the burst in the air completes before it is handed over
    PEER_CHECK_MS = 250,
    FLOOD_REPORTS_PER_MS = 10,
    AIMED_COMPLETES_MS = 300,  // a button held before the device is learnt this soon
};

const char* kindName(Learn::Kind kind)
{
    return kind == Learn::HOOKED ? "hooked" : "own";
}

// How a learn ends, as the event line says it.
std::string endEvent(Learn::Kind kind, uint32_t peer, const char* how, const std::string& result)
{
    std::string what = kind == Learn::HOOKED ? "'s hooked learn for process " + std::to_string(peer) : "'s learn";
    return what + " ended (" + how + ")" + (result.empty() ? std::string() : ": " + simtext::codeName(result));
}

}  // namespace

Learn::Learn(Kind kind, const LearnTarget& target, const std::string& code, uint32_t session, uint32_t peer)
    : kind_(kind), target_(target), carrierHz_(0), session_(session), peer_(peer)
{
    setCode(code);
    wake_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    InitializeCriticalSection(&eventsLock_);
}

void Learn::setCode(const std::string& code)
{
    pronto::Code parsed;
    if (pronto::parse(code.data(), code.size(), &parsed)) {
        code_ = pronto::format(parsed);
        burst_ = pronto::format(pronto::burst(parsed));
        carrierHz_ = static_cast<int32_t>(std::lround(pronto::carrierHz(parsed)));
    } else {
        code_ = code;
        burst_ = code;
        carrierHz_ = 0;
    }
}

Learn::~Learn()
{
    if (thread_)
        CloseHandle(thread_);
    if (wake_)
        CloseHandle(wake_);
    DeleteCriticalSection(&eventsLock_);
}

bool Learn::start()
{
    thread_ = startThread(threadBody, this);
    return thread_ != nullptr;
}

void Learn::threadBody(void* self)
{
    static_cast<Learn*>(self)->run();
}

void Learn::push(const Event& event)
{
    EnterCriticalSection(&eventsLock_);
    events_.push_back(event);
    LeaveCriticalSection(&eventsLock_);
    SetEvent(wake_);
}

bool Learn::takeEvent(Event* event)
{
    EnterCriticalSection(&eventsLock_);
    bool any = !events_.empty();
    if (any) {
        *event = events_.front();
        events_.erase(events_.begin());
    }
    LeaveCriticalSection(&eventsLock_);
    return any;
}

void Learn::stop()
{
    InterlockedExchange(&stop_, 1);
    SetEvent(wake_);
}

bool Learn::join(DWORD timeoutMs)
{
    return joinThread(&thread_, timeoutMs);
}

bool Learn::settle()
{
    DWORD start = GetTickCount();
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        if (stopped())
            return false;
        if (elapsed >= BURST_SETTLE_MS)
            return true;
        WaitForSingleObject(wake_, BURST_SETTLE_MS - elapsed);
    }
}

void Learn::report(int32_t progress, int32_t quality, int32_t carrierHz)
{
    lastQuality_ = quality;
    lastCarrier_ = carrierHz;
    if (target_.callback)
        target_.callback(progress, quality, carrierHz, target_.user);
    if (kind_ == HOOKED)
        sim::Device::instance().post(
            peer_, sim::makeMessage(sim::MSG_HOOK_PROGRESS, static_cast<int32_t>(session_), progress, quality,
                                    carrierHz));
}

void Learn::writeResult(const std::string& text)
{
    if (!target_.buffer)
        return;
    const size_t size = TAVRIX_BUFFER_SIZE;
    size_t n = text.size() < size ? text.size() : size;
    memcpy(target_.buffer, text.data(), n);
    if (Driver::get().settings.hostile.noNulCode) {
        // Trailing blanks keep a whole code valid Pronto text.
        for (size_t i = n; i < size; ++i)
            target_.buffer[i] = ' ';
    } else if (n < size) {
        target_.buffer[n] = 0;
    }
}

void Learn::becomeOwn()
{
    Driver& d = Driver::get();
    d.log.write("event learn-alone session=" + std::to_string(session_) + " holder=" + std::to_string(peer_));
    kind_ = OWN;
    d.updateSlotLearn();
}

// The last steps of every learn that is not stopped: the result where the
// program looks for it, the flag back to 0 once its request has been acted
// on, the log line, and the end report.
void Learn::end(const std::string& result, bool writeBuffer, const char* how)
{
    Driver& d = Driver::get();
    if (writeBuffer)
        writeResult(result);
    bool keepsWord = kind_ == HOOKED && d.settings.hostile.keepControlWord;
    if (target_.flag && !keepsWord && (*target_.flag == -1 || (kind_ == HOOKED && *target_.flag == -2)))
        *target_.flag = 0;
    d.log.write(std::string("event learn-end kind=") + kindName(kind_) + " result=" + simtext::quoted(result) +
                " end=" + how);
    d.recordEvent(endEvent(kind_, peer_, how, result));
    if (kind_ == HOOKED)
        sim::Device::instance().post(peer_, sim::makeMessage(sim::MSG_HOOK_RESULT, static_cast<int32_t>(session_), 0,
                                                             0, 0, result.data(), result.size()));
    // Marked done before the end report: the program may start its next
    // learn from the report, and must find this one over.
    InterlockedExchange(&done_, 1);
    d.learnEnded(this);
    if (target_.callback) {
        if (kind_ == HOOKED)
            target_.callback(TAVRIX_HOOK_LEARN_END, 0, 0, target_.user);
        else
            target_.callback(-1, lastQuality_, lastCarrier_, target_.user);
    }
}

void Learn::run()
{
    Driver& d = Driver::get();
    const simtext::Hostile& hostile = d.settings.hostile;
    sim::Device& device = sim::Device::instance();
    DWORD durationMs = sim::DEFAULT_LEARN_MS;
    bool manual = false;
    if (device.ok()) {
        sim::Device::Lock lock(device);
        durationMs = static_cast<DWORD>(device.state()->learnDurationMs);
        manual = device.state()->manualLearn != 0;
    }

    // Changes are logged against the flag's resting value, 0: a -1 that the
    // program set before this thread first looked still shows in the log.
    int32_t lastFlag = 0;
    if (kind_ == HOOKED) {
        // The control word as the program left it, read before the begin
        // report lets the program touch it. A request left over from an
        // earlier learn does not apply to this one, unless the program alone
        // is to clear it (keep-control-word): then it is acted on below.
        int32_t leftOver = target_.flag ? *target_.flag : 0;
        if (target_.flag && !hostile.keepControlWord)
            *target_.flag = 0;
        d.log.write("event learn-begin kind=hooked session=" + std::to_string(session_) +
                    " requester=" + std::to_string(peer_) + " flag=" + std::to_string(leftOver) +
                    " code=" + simtext::quoted(code_));
        d.recordEvent(" began a hooked learn for process " + std::to_string(peer_) + ": " +
                      simtext::codeName(code_));
        if (target_.callback)
            target_.callback(TAVRIX_HOOK_LEARN_BEGIN, 0, 0, target_.user);
    } else {
        d.log.write(std::string("event learn-begin kind=own") +
                    (kind_ == REQUESTER ? " holder=" + std::to_string(peer_) : std::string()) +
                    " code=" + simtext::quoted(code_));
    }

    DWORD start = GetTickCount();
    DWORD endsAfter = durationMs;  // counted from start; an aim brings it forward
    bool aimed = false;
    DWORD lastReport = 0;
    bool reported = false;
    DWORD lastPeerCheck = start;
    DWORD floodFrom = start;
    bool burstAsked = false;
    for (;;) {
        WaitForSingleObject(wake_, hostile.progressFlood ? DWORD(1) : DWORD(TICK_MS));
        if (stopped())
            break;
        DWORD now = GetTickCount();

        if (target_.flag) {
            int32_t flag = *target_.flag;
            if (flag != lastFlag) {
                d.log.write("event flag " + hexAddress(target_.flag) + " = " + std::to_string(flag));
                lastFlag = flag;
            }
            if (flag == -1 && kind_ != REQUESTER) {
                if (!settle())
                    break;
                end(burst_, true, "burst");
                return;
            }
            if (flag == -1 && kind_ == REQUESTER && !burstAsked) {
                burstAsked = true;
                device.post(peer_, sim::makeMessage(sim::MSG_HOOK_ACCEPT_BURST, static_cast<int32_t>(session_)));
            }
            if (flag == -2 && kind_ == HOOKED) {
                size_t n = simtext::boundedLength(target_.buffer, TAVRIX_BUFFER_SIZE);
                end(std::string(target_.buffer ? target_.buffer : "", n), false, "injected");
                return;
            }
        }

        Event e;
        while (!stopped() && takeEvent(&e)) {
            switch (e.type) {
            case sim::MSG_PROGRESS:
            case sim::MSG_HOOK_PROGRESS:
                report(e.a, e.b, e.c);
                break;
            case sim::MSG_FINISH:
                if (kind_ != REQUESTER) {
                    end(code_, true, "finish");
                    return;
                }
                break;
            case sim::MSG_HOOK_RESULT:
                if (kind_ == REQUESTER) {
                    end(e.text, true, "answered");
                    return;
                }
                break;
            case sim::MSG_HOOK_DECLINED:
                if (kind_ == REQUESTER) {
                    becomeOwn();
                    start = now;
                    endsAfter = aimed && durationMs > AIMED_COMPLETES_MS ? DWORD(AIMED_COMPLETES_MS) : durationMs;
                    reported = false;
                }
                break;
            case sim::MSG_AIM:
                // A requester keeps the code too, for when it learns alone.
                setCode(e.text);
                aimed = true;
                if (now - start + AIMED_COMPLETES_MS < endsAfter)
                    endsAfter = now - start + AIMED_COMPLETES_MS;
                d.log.write(std::string("event learn-aimed kind=") + kindName(kind_) +
                            " code=" + simtext::quoted(code_));
                break;
            case sim::MSG_HOOK_ACCEPT_BURST:
                if (kind_ == HOOKED) {
                    if (!settle())
                        break;
                    end(burst_, true, "burst");
                    return;
                }
                break;
            case sim::MSG_HOOK_CANCEL:
                if (kind_ == HOOKED) {
                    end(burst_, true, "requester-gone");
                    return;
                }
                break;
            default:
                break;
            }
        }
        if (stopped())
            break;

        if (kind_ != REQUESTER && !manual) {
            DWORD elapsed = now - start;
            if (elapsed >= endsAfter) {
                report(100, 90, carrierHz_);
                end(code_, true, "complete");
                return;
            }
            if (!reported || now - lastReport >= REPORT_EVERY_MS) {
                int32_t progress = static_cast<int32_t>(static_cast<uint64_t>(elapsed) * 100 / endsAfter);
                // No carrier until the remote's signal has been seen once.
                report(progress, 20 + progress * 7 / 10, reported ? carrierHz_ : 0);
                reported = true;
                lastReport = now;
            }
        }

        if (hostile.progressFlood && kind_ != REQUESTER && target_.callback) {
            DWORD n = (now - floodFrom) * FLOOD_REPORTS_PER_MS;
            floodFrom = now;
            for (DWORD i = 0; i < n && !stopped(); ++i)
                target_.callback(static_cast<int32_t>(i % 100), 50, carrierHz_, target_.user);
        }

        if (now - lastPeerCheck >= PEER_CHECK_MS) {
            lastPeerCheck = now;
            if (kind_ == REQUESTER) {
                bool holderThere = false;
                if (device.ok()) {
                    sim::Device::Lock lock(device);
                    holderThere = device.liveHookHolder() == peer_;
                }
                if (!holderThere) {
                    becomeOwn();
                    start = now;
                    endsAfter = aimed && durationMs > AIMED_COMPLETES_MS ? DWORD(AIMED_COMPLETES_MS) : durationMs;
                    reported = false;
                }
            } else if (kind_ == HOOKED && !sim::processAlive(peer_)) {
                end(burst_, true, "requester-gone");
                return;
            }
        }
    }
    d.log.write(std::string("event learn-end kind=") + kindName(kind_) + " result=\"\" end=stopped");
    d.recordEvent(endEvent(kind_, peer_, "stopped", std::string()));
    InterlockedExchange(&done_, 1);
    d.learnEnded(this);
}

}  // namespace drv
