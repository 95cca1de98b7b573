#include "sim/shared.h"

#include <cstddef>
#include <cstring>

namespace sim {

namespace {

// Changes whenever SharedState changes, so that two builds with different
// layouts never read each other's memory as their own.
const uint32_t MAGIC = 0x54580000u ^ static_cast<uint32_t>(sizeof(SharedState));

}  // namespace

std::string inboxEventName(uint32_t pid)
{
    return "Local\\TavrixSimInbox-" + std::to_string(pid);
}

std::string replyEventName(uint32_t pid)
{
    return "Local\\TavrixSimReply-" + std::to_string(pid);
}

bool processAlive(uint32_t pid)
{
    if (pid == 0)
        return false;
    if (pid == GetCurrentProcessId())
        return true;
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!process)
        return GetLastError() == ERROR_ACCESS_DENIED;
    bool alive = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return alive;
}

Device& Device::instance()
{
    // Never destroyed: driver threads may still use it while the process ends.
    static Device* device = new Device();
    return *device;
}

Device::Device()
{
    lock_ = CreateMutexA(nullptr, FALSE, DEVICE_LOCK_NAME);
    if (!lock_) {
        error_ = "cannot make the device lock, error " + std::to_string(GetLastError());
        return;
    }
    mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                  static_cast<DWORD>(sizeof(SharedState)), DEVICE_NAME);
    if (!mapping_) {
        error_ = "cannot make the shared device memory, error " + std::to_string(GetLastError());
        return;
    }
    createdHere_ = GetLastError() != ERROR_ALREADY_EXISTS;
    void* view = MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(SharedState));
    if (!view) {
        error_ = "cannot map the shared device memory, error " + std::to_string(GetLastError());
        return;
    }
    state_ = static_cast<SharedState*>(view);
    Lock lock(*this);
    if (state_->magic != MAGIC)
        initialize();
}

void Device::initialize()
{
    std::memset(state_, 0, sizeof(SharedState));
    state_->magic = MAGIC;
    state_->nextSession = 1;
    state_->nextRequest = 1;
    resetSettings();
}

void Device::resetSettings()
{
    state_->learnDurationMs = DEFAULT_LEARN_MS;
    state_->manualLearn = 0;
    state_->transmitFails = 0;
    state_->pointed = 0;
    state_->pointedName[0] = 0;
    state_->pointedCode[0] = 0;
    state_->remotePresses = 0;
    state_->learnError = 0;
}

Device::Lock::Lock(Device& device) : mutex_(device.lock_)
{
    // WAIT_ABANDONED: a process died holding the lock.  The state it left is
    // still usable; every update leaves it consistent field by field.
    if (mutex_)
        WaitForSingleObject(mutex_, INFINITE);
}

Device::Lock::~Lock()
{
    if (mutex_)
        ReleaseMutex(mutex_);
}

ProcessSlot* Device::findSlot(uint32_t pid)
{
    if (!state_ || pid == 0)
        return nullptr;
    for (ProcessSlot& slot : state_->slots)
        if (slot.pid == pid)
            return &slot;
    return nullptr;
}

ProcessSlot* Device::registerSlot(uint32_t pid)
{
    if (!state_)
        return nullptr;
    if (ProcessSlot* slot = findSlot(pid))
        return slot;
    ProcessSlot* free = nullptr;
    for (ProcessSlot& slot : state_->slots) {
        if (slot.pid != 0 && !processAlive(slot.pid))
            slot.pid = 0;
        if (slot.pid == 0 && !free)
            free = &slot;
    }
    if (!free)
        return nullptr;
    std::memset(free, 0, offsetof(ProcessSlot, queue));
    free->pid = pid;
    return free;
}

void Device::releaseSlot(uint32_t pid)
{
    if (ProcessSlot* slot = findSlot(pid))
        std::memset(slot, 0, offsetof(ProcessSlot, queue));
}

uint32_t Device::liveHookHolder()
{
    if (!state_ || state_->hookPid == 0)
        return 0;
    if (!findSlot(state_->hookPid) || !processAlive(state_->hookPid)) {
        state_->hookPid = 0;
        return 0;
    }
    return state_->hookPid;
}

bool Device::post(uint32_t pid, const Message& message)
{
    if (!state_)
        return false;
    {
        Lock lock(*this);
        ProcessSlot* slot = findSlot(pid);
        if (!slot)
            return false;
        if (slot->count >= QUEUE_LENGTH) {
            ++slot->dropped;
            return false;
        }
        slot->queue[(slot->head + slot->count) % QUEUE_LENGTH] = message;
        ++slot->count;
    }
    HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, inboxEventName(pid).c_str());
    if (!event) {
        // Its inbox event went with it: the process has died without closing.
        Lock lock(*this);
        if (!processAlive(pid))
            releaseSlot(pid);
        return false;
    }
    SetEvent(event);
    CloseHandle(event);
    return true;
}

bool Device::take(uint32_t pid, Message* message)
{
    if (!state_)
        return false;
    Lock lock(*this);
    ProcessSlot* slot = findSlot(pid);
    if (!slot || slot->count == 0)
        return false;
    *message = slot->queue[slot->head];
    slot->head = (slot->head + 1) % QUEUE_LENGTH;
    --slot->count;
    return true;
}

void Device::reply(uint32_t requestId, uint32_t askerPid, const std::string& text)
{
    if (!state_ || requestId == 0)
        return;
    {
        Lock lock(*this);
        Reply& r = state_->reply;
        if (r.requestId != requestId)
            return;
        size_t room = REPLY_CAPACITY - 1 - r.length;
        size_t n = text.size() < room ? text.size() : room;
        std::memcpy(r.text + r.length, text.data(), n);
        r.length += static_cast<uint32_t>(n);
        r.text[r.length] = 0;
        ++r.received;
    }
    HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, replyEventName(askerPid).c_str());
    if (event) {
        SetEvent(event);
        CloseHandle(event);
    }
}

void Device::recordEvent(const std::string& text)
{
    if (!state_)
        return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    Lock lock(*this);
    size_t n = text.size() < EVENT_CAPACITY - 1 ? text.size() : EVENT_CAPACITY - 1;
    std::memcpy(state_->eventText, text.data(), n);
    state_->eventText[n] = 0;
    state_->eventPid = GetCurrentProcessId();
    state_->eventSecond = now.wHour * 3600u + now.wMinute * 60u + now.wSecond;
    if (++state_->eventSerial == 0)
        state_->eventSerial = 1;
}

Message makeMessage(MessageType type, int32_t a, int32_t b, int32_t c, int32_t d, const char* text,
                    size_t length)
{
    Message m;
    std::memset(&m, 0, offsetof(Message, text));
    m.type = type;
    m.a = a;
    m.b = b;
    m.c = c;
    m.d = d;
    if (length > TEXT_CAPACITY)
        length = TEXT_CAPACITY;
    if (text && length)
        std::memcpy(m.text, text, length);
    m.length = static_cast<uint32_t>(length);
    if (length < TEXT_CAPACITY)
        m.text[length] = 0;
    return m;
}

}  // namespace sim
