// Program-wide state, the two driver callbacks and the relay window that
// carries their reports from the driver's thread to the user-interface thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "tavrix_abi.h"

class FrmMain;

// Relay messages posted by the driver callbacks to the relay window.
enum : UINT {
    MSG_TAVRO_CODE = 0x1401,
    MSG_LEARN_PROGRESS = 0x1402,
    MSG_HOOK_LEARN_BEGIN = 0x1403,
    MSG_HOOK_LEARN_END = 0x1404,
};

extern FrmMain* mainForm;
extern TavrixHandle hTavrix;        // 0 until the device is open
extern HWND hRelayWnd;              // 0 when no relay window exists
extern WNDPROC prevWndProc;         // the relay window's own procedure
extern std::string curCode;         // current IR code text
extern int32_t curCodeFormat;       // its code format (16 = Pronto)

// Shared with the driver for as long as a learn or the hook is in force: the
// driver keeps their addresses, so they never move. The program writes the
// flags with single aligned 32-bit stores and finishes the buffer first.
extern char lrnBuffer[TAVRIX_BUFFER_SIZE];
extern volatile int32_t lrnAbort;    // 0 go on, -1 stop
extern volatile int32_t lrnHookCtl;  // 0 none, -1 accept burst, -2 answer from lrnBuffer
extern int32_t lrnFormat;            // 16 own learn, -1 hooked learn
extern bool lrnActive;

// One aligned 32-bit store that becomes visible only after every earlier
// write (the buffer before the flag that tells the driver to read it).
void storeFlag(volatile int32_t* flag, int32_t value);

void TAVRIX_API ReceiveCallback(const char* text, int32_t userData);
void TAVRIX_API LearnProgressCallback(int32_t progress, int32_t quality, int32_t carrierHz,
                                      int32_t userData);

LRESULT CALLBACK RelayWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void InstallRelay(HWND hwnd);  // throws ProgramError 51 when it cannot
void RemoveRelay(HWND hwnd);
void CloseRelayWindow(HWND hwnd);

// The newest received event code, as copied by the receive callback.
std::string latestReceivedCode();
