// The simulated device's state, shared by every process that uses it: named
// shared memory guarded by a named mutex.
//
// Besides the device's settings it holds one inbox per process that has the
// driver open: a short queue of messages (received codes, progress reports,
// hooked-learn traffic, menu probes) that the process's own driver thread
// serves when the process's inbox event is signalled.  Replies that an asker
// waits for (menu dumps, flood results) come back through one reply area.
//
// Every field has a fixed width so that all builds of the library agree on
// the layout; the magic number changes with the layout.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace sim {

const char DEVICE_NAME[] = "Local\\TavrixSimDevice";
const char DEVICE_LOCK_NAME[] = "Local\\TavrixSimDeviceLock";
// Held by an asker for the whole of a request that waits for replies.
const char REQUEST_LOCK_NAME[] = "Local\\TavrixSimRequestLock";

std::string inboxEventName(uint32_t pid);
std::string replyEventName(uint32_t pid);

enum : uint32_t {
    TEXT_CAPACITY = 2064,  // a 2049-byte learn buffer and its NUL fit
    QUEUE_LENGTH = 32,
    MAX_PROCESSES = 24,
    REPLY_CAPACITY = 1 << 20,  // a control's pixels fit
    EVENT_CAPACITY = 256,      // the last event's text and its NUL
    DEFAULT_LEARN_MS = 2000,
};

enum MessageType : uint32_t {
    MSG_RECEIVE = 1,          // text: the code; a: 1 = raw bytes, no NUL after them
    MSG_PROGRESS,             // a, b, c: progress, quality, carrier Hz
    MSG_FINISH,               // end the running learn with its code
    MSG_HOOK_REQUEST,         // to the hook holder: a session, b requester pid, text code
    MSG_HOOK_DECLINED,        // to the requester: a session; it learns by itself
    MSG_HOOK_PROGRESS,        // to the requester: a session, b, c, d progress report
    MSG_HOOK_RESULT,          // to the requester: a session, text the result
    MSG_HOOK_ACCEPT_BURST,    // to the holder: a session; the requester's flag went -1
    MSG_HOOK_CANCEL,          // to the holder: a session; the requester stopped waiting
    MSG_MENUS,                // a request id; reply with the menu dump
    MSG_FLOOD,                // a request id, b codes per second, c seconds
    MSG_CAPTURE,              // a request id, b control id; reply with its pixels
    MSG_AIM,                  // text: the code the running learn learns from now on
    MSG_LAYOUT,               // a request id; reply with the layout dump
    MSG_POINTER,              // a request id; reply with the pointer on screen
};

struct Message {
    uint32_t type;
    int32_t a, b, c, d;
    uint32_t length;  // bytes used in text
    char text[TEXT_CAPACITY];
};

enum LearnKind : uint32_t {
    LEARN_NONE = 0,
    LEARN_OWN,        // learning in this process for this process
    LEARN_HOOKED,     // as hook holder, for another process
    LEARN_REQUESTER,  // waiting for the hook holder's answer
};

struct ProcessSlot {
    uint32_t pid;        // 0 = free
    uint32_t receiving;  // a receive callback is registered
    uint32_t learn;      // LearnKind
    uint32_t head;       // index of the oldest message
    uint32_t count;      // messages waiting
    uint32_t dropped;    // messages lost to a full queue
    Message queue[QUEUE_LENGTH];
};

struct Reply {
    uint32_t requestId;  // 0 = none pending
    uint32_t expected;
    uint32_t received;
    uint32_t length;
    char text[REPLY_CAPACITY];
};

struct SharedState {
    uint32_t magic;
    // Settings that `reset` restores.
    int32_t learnDurationMs;
    int32_t manualLearn;
    int32_t transmitFails;
    int32_t pointed;          // 0 = the built-in remote, 1 = pointedCode
    char pointedName[16];     // nec1, rc5, rc6, "protocol" or "pronto"
    char pointedCode[TEXT_CAPACITY];
    uint32_t remotePresses;   // the built-in remote's next code
    uint32_t learnError;      // 0, or the last error every learn call leaves
    // The learn hook.
    uint32_t hookPid;
    uint64_t hookBuffer, hookCallback, hookFlag;  // addresses in the holder, for status
    // Counters.
    uint32_t nextSession;
    uint32_t nextRequest;
    uint32_t learnsStarted;
    uint32_t hookedLearns;
    uint32_t codesPressed;
    uint32_t transmissions;
    // The device's last event, for the virtual remote's event line.
    uint32_t eventSerial;     // 0: none yet
    uint32_t eventPid;
    uint32_t eventSecond;     // local time of day, in seconds
    char eventText[EVENT_CAPACITY];
    uint32_t lastHookPid;     // the process that took the hook last
    Reply reply;
    ProcessSlot slots[MAX_PROCESSES];
};

bool processAlive(uint32_t pid);

// This process's view of the shared device.  Opened once and kept for the
// life of the process (the state lives only while some process has it open).
class Device {
public:
    static Device& instance();

    bool ok() const { return state_ != nullptr; }
    // True when this process made the shared memory, so no other process had
    // the device open before it.
    bool createdHere() const { return createdHere_; }
    const std::string& error() const { return error_; }

    class Lock {
    public:
        explicit Lock(Device& device);
        ~Lock();
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        HANDLE mutex_;
    };

    // Only under a Lock.
    SharedState* state() { return state_; }

    // Restores the default settings (the hook and the inboxes stay).  Under a Lock.
    void resetSettings();

    // The slot of pid, or null.  Under a Lock.
    ProcessSlot* findSlot(uint32_t pid);
    // The slot of pid, made if need be (a dead process's slot is reused).  Under a Lock.
    ProcessSlot* registerSlot(uint32_t pid);
    void releaseSlot(uint32_t pid);

    // The hook holder's pid if it is alive and still has the device open,
    // else 0 (a stale hook is cleared).  Under a Lock.
    uint32_t liveHookHolder();

    // Appends a message to pid's inbox and signals it.  False when pid has no
    // inbox (or has died) or its queue is full.  Takes the lock itself.
    bool post(uint32_t pid, const Message& message);
    // Takes the oldest message of pid's inbox.  Takes the lock itself.
    bool take(uint32_t pid, Message* message);

    // Adds one answer to request `requestId` and wakes the asker; an answer
    // to a request that is no longer pending is dropped.  Takes the lock.
    void reply(uint32_t requestId, uint32_t askerPid, const std::string& text);

    // Makes text (cut to EVENT_CAPACITY - 1 bytes) the device's last event,
    // from this process, now.  Takes the lock itself.
    void recordEvent(const std::string& text);

private:
    Device();
    void initialize();

    HANDLE mapping_ = nullptr;
    HANDLE lock_ = nullptr;
    SharedState* state_ = nullptr;
    bool createdHere_ = false;
    std::string error_;
};

// Fills a message; text is cut to TEXT_CAPACITY.
Message makeMessage(MessageType type, int32_t a = 0, int32_t b = 0, int32_t c = 0, int32_t d = 0,
                    const char* text = nullptr, size_t length = 0);

}  // namespace sim
