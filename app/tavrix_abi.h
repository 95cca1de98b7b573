// The Tavrix driver library's calling interface, as Pellwick uses it.
//
// Every export is __stdcall with an undecorated name and every argument is
// 32 bits wide; both callbacks are __stdcall too.  The program binds these by
// name at the first call (app/driver.h); the simulated device in sim/ exports
// exactly the same list.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#define TAVRIX_API __stdcall
#else
#define TAVRIX_API
#endif

#if defined(_WIN32) && !defined(_WIN64)
// The maker's library is 32-bit: addresses, handles and numbers alike are
// passed as 32-bit values.
static_assert(sizeof(void*) == 4, "the driver interface passes 32-bit addresses");
#endif

typedef int32_t TavrixHandle;  // 0 = not open, -1 = TavrixOpen failed

// Receive callback: address of the event code as NUL-terminated ANSI text
// (the driver may not terminate it within 16 bytes), and the user data given
// to TavrixSetReceiveCallback.
typedef void(TAVRIX_API* TavrixReceiveCallback)(const char* text, int32_t userData);

// Learn progress callback: progress 0..100, a negative progress when the
// learn is over, 0x4000 / 0x4001 when a hooked learn begins / ends.
typedef void(TAVRIX_API* TavrixProgressCallback)(int32_t progress, int32_t quality,
                                                 int32_t carrierHz, int32_t userData);

// Device information record filled by TavrixGetTavrixInfo (12 bytes).
struct TavrixDeviceInfo {
    int32_t firmwareVersion;  // major = value / 256, minor = value % 256
    int32_t protocolVersion;  // same encoding
    uint8_t date[3];          // offset 8, 9: date bytes; offset 10: year - 2000
    uint8_t unused;
};
static_assert(sizeof(TavrixDeviceInfo) == 12, "device information record is 12 bytes");

// Learn buffer shared with the driver: indices 0 to 2048.
enum { TAVRIX_BUFFER_SIZE = 2049 };

// Progress values with a meaning of their own.
enum : int32_t {
    TAVRIX_HOOK_LEARN_BEGIN = 0x4000,
    TAVRIX_HOOK_LEARN_END = 0x4001,
};

// Open failures, left as the thread's last error when TavrixOpen returns -1.
enum : uint32_t {
    TAVRIX_ERR_NOT_CONNECTED = 0x20000001,
    TAVRIX_ERR_NO_COMMUNICATION = 0x20000002,
    TAVRIX_ERR_NO_DRIVER = 0x20000003,
    TAVRIX_ERR_FIRMWARE = 0x20000004,
};

// X(result, name, parameters): the nine driver functions, listed once.
#define TAVRIX_FUNCTIONS(X)                                                              \
    X(int32_t, TavrixGetDrvInfo, (uint32_t * driverVersion))                             \
    X(int32_t, TavrixGetDrvVersion, (uint32_t * libraryVersion))                         \
    X(TavrixHandle, TavrixOpen, (void))                                                  \
    X(int32_t, TavrixClose, (TavrixHandle h))                                            \
    X(int32_t, TavrixSetReceiveCallback,                                                 \
      (TavrixHandle h, TavrixReceiveCallback callback, int32_t userData))                \
    X(int32_t, TavrixGetTavrixInfo, (TavrixHandle h, TavrixDeviceInfo * info))           \
    X(int32_t, TavrixLearnIR,                                                            \
      (TavrixHandle h, int32_t format, char* buffer, TavrixProgressCallback callback,    \
       int32_t userData, volatile int32_t* flag, int32_t reserved1, int32_t reserved2,   \
       int32_t reserved3))                                                               \
    X(int32_t, TavrixTransmitIR,                                                         \
      (TavrixHandle h, const char* code, int32_t format, int32_t repeat,                 \
       int32_t reserved1, int32_t reserved2, int32_t reserved3, int32_t reserved4))      \
    X(int32_t, TavrixConvertProntoCode,                                                  \
      (const char* code, char* output, int32_t* outputValue, int32_t reserved1,          \
       int32_t reserved2))
