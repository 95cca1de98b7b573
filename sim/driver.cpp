// The driver functions as one process sees them: handles, versions, the
// device information, learns and the hook, transmission and Pronto checks.
// Every call is logged; the last error is set as the very last step, after
// the log line is written.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "sim/driver.h"
#include "sim/pronto.h"

namespace drv {

namespace {

enum : DWORD {
    JOIN_TIMEOUT_MS = 5000,
    TRANSMIT_CAP_MS = 3000,
};

bool lookupEnvironment(const char* name, std::string* value)
{
    char small[512];
    DWORD n = GetEnvironmentVariableA(name, small, sizeof small);
    if (n == 0)
        return false;
    if (n < sizeof small) {
        value->assign(small, n);
        return true;
    }
    std::vector<char> big(n + 1);
    n = GetEnvironmentVariableA(name, big.data(), static_cast<DWORD>(big.size()));
    value->assign(big.data(), n < big.size() ? n : 0);
    return true;
}

}  // namespace

Driver& Driver::get()
{
    // Never destroyed: driver threads may outlive static destruction.
    static Driver* driver = new Driver();
    return *driver;
}

Driver::Driver() : pid(GetCurrentProcessId())
{
    InitializeCriticalSection(&lock_);
    char path[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    programName = path;
    programName.erase(0, programName.find_last_of("\\/") + 1);
    std::vector<std::string> problems;
    settings = simtext::readSettings(lookupEnvironment, &problems);
    log.open(settings.logPath);
    for (const std::string& p : problems)
        log.write("event setting-problem " + simtext::quoted(p));
}

void Driver::recordEvent(const std::string& what)
{
    sim::Device& device = sim::Device::instance();
    if (device.ok())
        device.recordEvent(programName + what);
}

bool Driver::validHandle(TavrixHandle h)
{
    EnterCriticalSection(&lock_);
    bool found = std::find(handles_.begin(), handles_.end(), h) != handles_.end();
    LeaveCriticalSection(&lock_);
    return found;
}

bool Driver::stopping() const
{
    return !stopEvent_ || WaitForSingleObject(stopEvent_, 0) == WAIT_OBJECT_0;
}

int32_t Driver::getDrvInfo(uint32_t* version)
{
    LogLine line("TavrixGetDrvInfo");
    line.addr("driverVersion", version);
    if (settings.drvInfoFail || !version) {
        log.write(line.result(0).str());
        SetLastError(version ? ERROR_GEN_FAILURE : ERROR_INVALID_PARAMETER);
        return 0;
    }
    *version = settings.drvInfo;
    log.write(line.result(1).num("*driverVersion", settings.drvInfo).str());
    SetLastError(0);
    return 1;
}

int32_t Driver::getDrvVersion(uint32_t* version)
{
    LogLine line("TavrixGetDrvVersion");
    line.addr("libraryVersion", version);
    if (settings.libVersionFail || !version) {
        log.write(line.result(0).str());
        SetLastError(version ? ERROR_GEN_FAILURE : ERROR_INVALID_PARAMETER);
        return 0;
    }
    *version = settings.libVersion;
    log.write(line.result(1).num("*libraryVersion", settings.libVersion).str());
    SetLastError(0);
    return 1;
}

TavrixHandle Driver::open()
{
    LogLine line("TavrixOpen");
    uint32_t error = 0;
    if (settings.openFails)
        error = settings.openError;
    else if (!sim::Device::instance().ok())
        error = TAVRIX_ERR_NO_COMMUNICATION;
    if (error != 0 || settings.openFails) {
        log.write(line.result(-1).lastError(error).str());
        SetLastError(error);
        return -1;
    }
    EnterCriticalSection(&lock_);
    TavrixHandle h = nextHandle_++;
    handles_.push_back(h);
    bool first = handles_.size() == 1;
    LeaveCriticalSection(&lock_);
    if (first)
        startDriverThread();
    log.write(line.result(h).str());
    // The program opens the device on its user-interface thread before it
    // makes its relay window: the hook goes on that thread.
    if (first && settings.hostile.noRelayWindow)
        refuseRelayWindow();
    SetLastError(0);
    return h;
}

int32_t Driver::close(TavrixHandle h)
{
    LogLine line("TavrixClose");
    line.num("h", h);
    EnterCriticalSection(&lock_);
    auto it = std::find(handles_.begin(), handles_.end(), h);
    bool found = it != handles_.end();
    if (found)
        handles_.erase(it);
    bool last = found && handles_.empty();
    TavrixReceiveCallback receive = receive_;
    int32_t receiveUser = receiveUser_;
    LearnTarget progressTarget = hookHeld_ ? hook_ : lastLearn_;
    if (last)
        receive_ = nullptr;
    LeaveCriticalSection(&lock_);
    if (!found) {
        log.write(line.result(0).str());
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (last) {
        dropRelayRefusal();
        stopOwnLearn();
        dropHook();
        stopDriverThread();
        if (settings.hostile.lateCallbacks)
            lateCallbacks(receive, progressTarget.callback, receiveUser, progressTarget.user);
    }
    log.write(line.result(1).str());
    if (last && !settings.timesPath.empty())
        callTimes().write(settings.timesPath);
    SetLastError(0);
    return 1;
}

int32_t Driver::setReceiveCallback(TavrixHandle h, TavrixReceiveCallback callback, int32_t user)
{
    LogLine line("TavrixSetReceiveCallback");
    line.num("h", h).addr("callback", reinterpret_cast<const void*>(callback)).num("userData", user);
    if (!validHandle(h)) {
        log.write(line.result(0).str());
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    EnterCriticalSection(&lock_);
    receive_ = callback;
    receiveUser_ = user;
    bool startScript = callback && !scriptStarted_ && !settings.scriptPath.empty();
    if (startScript)
        scriptStarted_ = true;
    LeaveCriticalSection(&lock_);
    sim::Device& device = sim::Device::instance();
    if (device.ok()) {
        sim::Device::Lock lock(device);
        if (sim::ProcessSlot* slot = device.findSlot(pid))
            slot->receiving = callback ? 1 : 0;
    }
    if (startScript) {
        HANDLE script = startThread([](void*) { Driver::get().runScript(); }, nullptr);
        EnterCriticalSection(&lock_);
        if (script)
            helpers_.push_back(script);
        LeaveCriticalSection(&lock_);
    }
    log.write(line.result(1).str());
    if (callback && settings.hostile.earlyCallbacks)
        earlyCallbacks(true, false);
    SetLastError(0);
    return 1;
}

int32_t Driver::getInfo(TavrixHandle h, TavrixDeviceInfo* info)
{
    LogLine line("TavrixGetTavrixInfo");
    line.num("h", h).addr("info", info);
    uint32_t error = 0;
    if (!validHandle(h))
        error = ERROR_INVALID_HANDLE;
    else if (!info)
        error = ERROR_INVALID_PARAMETER;
    else if (settings.infoFail)
        error = TAVRIX_ERR_NO_COMMUNICATION;
    if (error) {
        log.write(line.result(0).lastError(error).str());
        SetLastError(error);
        return 0;
    }
    info->firmwareVersion = settings.infoFirmware;
    info->protocolVersion = settings.infoProtocol;
    std::memcpy(info->date, settings.infoDate, 3);
    info->unused = 0;
    std::string record = std::to_string(settings.infoFirmware) + "," + std::to_string(settings.infoProtocol) + "," +
                         std::to_string(settings.infoDate[0]) + "," + std::to_string(settings.infoDate[1]) + "," +
                         std::to_string(settings.infoDate[2]);
    log.write(line.result(1).str() + " *info=" + record);
    SetLastError(0);
    return 1;
}

void Driver::stopOwnLearn()
{
    EnterCriticalSection(&lock_);
    Learn* learn = own_;
    own_ = nullptr;
    LeaveCriticalSection(&lock_);
    if (!learn)
        return;
    if (!learn->done() && learn->kind() == Learn::REQUESTER)
        sim::Device::instance().post(learn->peer(),
                                     sim::makeMessage(sim::MSG_HOOK_CANCEL, static_cast<int32_t>(learn->session())));
    learn->stop();
    // A learn thread stuck in the program's callback is left alone rather
    // than freed under it.
    if (learn->join(JOIN_TIMEOUT_MS))
        delete learn;
    updateSlotLearn();
}

void Driver::stopHookedLearn(bool tellRequester)
{
    EnterCriticalSection(&lock_);
    Learn* learn = hooked_;
    hooked_ = nullptr;
    LeaveCriticalSection(&lock_);
    if (!learn)
        return;
    if (!learn->done() && tellRequester)
        sim::Device::instance().post(learn->peer(), sim::makeMessage(sim::MSG_HOOK_DECLINED,
                                                                     static_cast<int32_t>(learn->session())));
    learn->stop();
    if (learn->join(JOIN_TIMEOUT_MS))
        delete learn;
    updateSlotLearn();
}

void Driver::dropHook()
{
    EnterCriticalSection(&lock_);
    bool held = hookHeld_;
    hookHeld_ = false;
    volatile int32_t* word = hook_.flag;
    LeaveCriticalSection(&lock_);
    if (!held)
        return;
    // What the program leaves in the control word it takes back.
    if (word)
        log.write("event hook-released flag=" + std::to_string(*word));
    sim::Device& device = sim::Device::instance();
    if (device.ok()) {
        sim::Device::Lock lock(device);
        if (device.state()->hookPid == pid)
            device.state()->hookPid = 0;
    }
    // The requester of a learn in progress goes on learning by itself.
    stopHookedLearn(true);
}

void Driver::updateSlotLearn()
{
    EnterCriticalSection(&lock_);
    uint32_t kind = sim::LEARN_NONE;
    if (own_ && !own_->done())
        kind = own_->kind() == Learn::REQUESTER ? sim::LEARN_REQUESTER : sim::LEARN_OWN;
    if (hooked_ && !hooked_->done())
        kind = sim::LEARN_HOOKED;
    LeaveCriticalSection(&lock_);
    sim::Device& device = sim::Device::instance();
    if (!device.ok())
        return;
    sim::Device::Lock lock(device);
    if (sim::ProcessSlot* slot = device.findSlot(pid))
        slot->learn = kind;
}

void Driver::learnEnded(Learn*)
{
    updateSlotLearn();
}

int32_t Driver::learnIR(TavrixHandle h, int32_t format, char* buffer, TavrixProgressCallback callback, int32_t user,
                        volatile int32_t* flag, int32_t r1, int32_t r2, int32_t r3)
{
    LogLine line("TavrixLearnIR");
    line.num("h", h).num("format", format);
    size_t length = simtext::boundedLength(buffer, TAVRIX_BUFFER_SIZE);
    if (buffer)
        line.text("buf", buffer, length);
    else
        line.addr("buf", nullptr);
    line.addr("callback", reinterpret_cast<const void*>(callback)).num("userData", user).addr("flag", flag);
    if (flag)
        line.num("*flag", *flag);
    line.num("reserved1", r1).num("reserved2", r2).num("reserved3", r3);

    uint32_t error = 0;
    if (!validHandle(h))
        error = ERROR_INVALID_HANDLE;
    else if (!buffer)
        error = ERROR_INVALID_PARAMETER;
    if (error) {
        log.write(line.result(0).lastError(error).str());
        SetLastError(error);
        return 0;
    }

    // Whatever this call asks, a learn of this process's that is still
    // running ends first, so its end can never write into the buffer after
    // the caller has put something new there.
    stopOwnLearn();

    std::string word(buffer, length);
    LearnTarget target;
    target.buffer = buffer;
    target.callback = callback;
    target.user = user;
    target.flag = flag;
    sim::Device& device = sim::Device::instance();

    if (word.compare(0, 9, "HOOKLEARN") == 0) {
        uint32_t previous = 0;
        bool newHolder = false;
        if (device.ok()) {
            sim::Device::Lock lock(device);
            previous = device.liveHookHolder();
            sim::SharedState* s = device.state();
            // A program that gives the hook up for a learn of its own and
            // takes it back afterwards is no news.
            newHolder = previous != pid && s->lastHookPid != pid;
            s->lastHookPid = pid;
            s->hookPid = pid;
            s->hookBuffer = reinterpret_cast<uintptr_t>(buffer);
            s->hookCallback = reinterpret_cast<uintptr_t>(callback);
            s->hookFlag = reinterpret_cast<uintptr_t>(flag);
        }
        EnterCriticalSection(&lock_);
        hookHeld_ = true;
        hook_ = target;
        bool receiving = receive_ != nullptr;
        LeaveCriticalSection(&lock_);
        log.write(line.result(1).str());
        if (previous && previous != pid)
            log.write("event hook-taken-from pid=" + std::to_string(previous));
        if (newHolder)
            recordEvent(" took the learn hook" +
                        (previous ? " from process " + std::to_string(previous) : std::string()));
        if (settings.hostile.earlyCallbacks)
            earlyCallbacks(receiving, true);
        SetLastError(0);
        return 1;
    }
    if (word.compare(0, 9, "UNHKLEARN") == 0) {
        dropHook();
        log.write(line.result(1).str());
        SetLastError(0);
        return 1;
    }

    // A learn: the device learns whatever is pointed at it, or the next
    // button of its built-in remote.
    std::string code;
    uint32_t holder = 0;
    uint32_t session = 0;
    uint32_t learnError = settings.learnError;
    if (device.ok()) {
        sim::Device::Lock lock(device);
        sim::SharedState* s = device.state();
        if (s->learnError)
            learnError = s->learnError;
        code = s->pointed ? s->pointedCode : simtext::remoteCode(s->remotePresses++);
        ++s->learnsStarted;
        holder = device.liveHookHolder();
        if (holder == pid)
            holder = 0;
        if (holder) {
            session = s->nextSession++;
            ++s->hookedLearns;
        }
    } else {
        code = simtext::remoteCode(0);
    }
    // Before the learn's thread starts, so that its end is recorded after.
    recordEvent(" began a learn" +
                (holder ? " through the hook of process " + std::to_string(holder) : std::string()) + ": " +
                simtext::codeName(code) +
                (learnError != ERROR_IO_PENDING ? "; the call left last error " + std::to_string(learnError)
                                                : std::string()));
    Learn* learn = new Learn(holder ? Learn::REQUESTER : Learn::OWN, target, code, session, holder);
    EnterCriticalSection(&lock_);
    own_ = learn;
    lastLearn_ = target;
    LeaveCriticalSection(&lock_);
    updateSlotLearn();
    if (!learn->start()) {
        EnterCriticalSection(&lock_);
        own_ = nullptr;
        LeaveCriticalSection(&lock_);
        delete learn;
        updateSlotLearn();
        log.write(line.result(0).lastError(ERROR_NOT_ENOUGH_MEMORY).str());
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    if (holder) {
        sim::Message request =
            sim::makeMessage(sim::MSG_HOOK_REQUEST, static_cast<int32_t>(session), static_cast<int32_t>(pid), 0, 0,
                             code.data(), code.size());
        if (!device.post(holder, request)) {
            Learn::Event declined = {sim::MSG_HOOK_DECLINED, static_cast<int32_t>(session), 0, 0, std::string()};
            learn->push(declined);
        }
    }
    log.write(line.result(0).lastError(learnError).str());
    SetLastError(learnError);
    return 0;
}

int32_t Driver::transmitIR(TavrixHandle h, const char* code, int32_t format, int32_t repeat, int32_t r1, int32_t r2,
                           int32_t r3, int32_t r4)
{
    LogLine line("TavrixTransmitIR");
    line.num("h", h);
    size_t length = code ? std::strlen(code) : 0;
    if (code)
        line.text("code", code, length);
    else
        line.addr("code", nullptr);
    line.num("format", format).num("repeat", repeat).num("reserved1", r1).num("reserved2", r2).num("reserved3", r3)
        .num("reserved4", r4);

    pronto::Code parsed;
    uint32_t error = 0;
    if (!validHandle(h))
        error = ERROR_INVALID_HANDLE;
    else if (!code || format != 16 || !pronto::parse(code, length, &parsed))
        error = ERROR_INVALID_DATA;
    sim::Device& device = sim::Device::instance();
    if (!error && device.ok()) {
        sim::Device::Lock lock(device);
        if (device.state()->transmitFails)
            error = ERROR_GEN_FAILURE;
        else
            ++device.state()->transmissions;
    }
    // The pointer and the windows that the caller shows while the driver has
    // its code, a call that fails included.
    if (error != ERROR_INVALID_HANDLE && log.enabled())
        log.write(std::string("event transmitting cursor=") + cursorShape() +
                  " windows=" + simtext::quoted(visibleWindowTitles()));
    if (error) {
        if (error != ERROR_INVALID_HANDLE)
            recordEvent(std::string("'s transmission failed: ") +
                        (error == ERROR_GEN_FAILURE ? "transmissions fail" : "not a Pronto code of format 16"));
        log.write(line.result(0).lastError(error).str());
        SetLastError(error);
        return 0;
    }
    recordEvent(" transmits " + simtext::codeName(std::string(code, length)));

    // The call lasts as long as the code takes in the air, as a real
    // transmission does; the program's windows wait meanwhile.
    double durationMs = std::min(static_cast<double>(TRANSMIT_CAP_MS), pronto::durationMicros(parsed) / 1000.0);
    double start = nowMs();
    for (;;) {
        double left = durationMs - (nowMs() - start);
        if (left <= 0)
            break;
        Sleep(static_cast<DWORD>(std::ceil(left)));
    }
    log.write(line.result(1).str());
    SetLastError(0);
    return 1;
}

int32_t Driver::convertPronto(const char* code, char* output, int32_t* outputValue, int32_t r1, int32_t r2)
{
    LogLine line("TavrixConvertProntoCode");
    size_t length = code ? std::strlen(code) : 0;
    if (code)
        line.text("code", code, length);
    else
        line.addr("code", nullptr);
    line.addr("output", output).addr("outputValue", outputValue).num("reserved1", r1).num("reserved2", r2);

    pronto::Code parsed;
    if (!code || !pronto::parse(code, length, &parsed)) {
        log.write(line.result(0).str());
        SetLastError(ERROR_INVALID_DATA);
        return 0;
    }
    // The converted form: the canonical text (cut to what the 2049-byte
    // buffer holds) and the carrier frequency in Hz.
    if (output) {
        std::string canonical = pronto::format(parsed);
        size_t n = std::min(canonical.size(), static_cast<size_t>(TAVRIX_BUFFER_SIZE - 1));
        std::memcpy(output, canonical.data(), n);
        output[n] = 0;
    }
    int32_t hz = static_cast<int32_t>(std::lround(pronto::carrierHz(parsed)));
    if (outputValue)
        *outputValue = hz;
    log.write(line.result(1).num("*outputValue", hz).str());
    SetLastError(0);
    return 1;
}

}  // namespace drv
