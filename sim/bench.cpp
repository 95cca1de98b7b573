// simbench.exe: speed of the simulated driver where the program leans on it.
//   - TavrixConvertProntoCode runs on every keystroke in the code box, over
//     the whole text: it must stay far below 1 ms per kilobyte;
//   - a pressed code should reach the receive callback within milliseconds.
// Prints one line per measurement and exits 1 when a target is missed.
// Run it by hand beside tavrixdrv.dll (not from ctest: timings vary).
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/tavrix_abi.h"
#include "sim/client.h"
#include "sim/simctl.h"

namespace {

#define TAVRIXSIM_POINTER_TYPE(result, name, parameters) typedef result(TAVRIX_API* name##Function) parameters;
TAVRIX_FUNCTIONS(TAVRIXSIM_POINTER_TYPE)
#undef TAVRIXSIM_POINTER_TYPE

double nowMs()
{
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return 1000.0 * static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

// A valid code of about `chars` characters.
std::string longCode(size_t chars)
{
    size_t pairs = (chars / 5 - 4) / 2;
    char header[32];
    std::snprintf(header, sizeof header, "0000 006D %04X 0000", static_cast<unsigned>(pairs));
    std::string code = header;
    for (size_t i = 0; i < 2 * pairs; ++i)
        code += i % 2 ? " 0020" : " 0010";
    return code;
}

HANDLE received;
volatile double receivedAt;

void TAVRIX_API onReceive(const char*, int32_t)
{
    receivedAt = nowMs();
    SetEvent(received);
}

}  // namespace

int main()
{
    // The call log would measure the disk, not the driver.
    SetEnvironmentVariableA("TAVRIXSIM_LOG", nullptr);
    HMODULE module = LoadLibraryA((simclient::programFolder() + "tavrixdrv.dll").c_str());
    if (!module) {
        std::printf("cannot load tavrixdrv.dll\n");
        return 1;
    }
    auto convert = reinterpret_cast<TavrixConvertProntoCodeFunction>(
        reinterpret_cast<void*>(GetProcAddress(module, "TavrixConvertProntoCode")));
    auto open = reinterpret_cast<TavrixOpenFunction>(reinterpret_cast<void*>(GetProcAddress(module, "TavrixOpen")));
    auto setReceive = reinterpret_cast<TavrixSetReceiveCallbackFunction>(
        reinterpret_cast<void*>(GetProcAddress(module, "TavrixSetReceiveCallback")));
    auto close = reinterpret_cast<TavrixCloseFunction>(reinterpret_cast<void*>(GetProcAddress(module, "TavrixClose")));
    if (!convert || !open || !setReceive || !close) {
        std::printf("tavrixdrv.dll lacks a function\n");
        return 1;
    }
    bool missed = false;

    std::string code = longCode(100000);
    static char output[TAVRIX_BUFFER_SIZE];
    int32_t value = 0;
    const int rounds = 50;
    double start = nowMs();
    int valid = 0;
    for (int i = 0; i < rounds; ++i)
        valid += convert(code.c_str(), output, &value, 0, 0) != 0;
    double perKb = (nowMs() - start) / rounds / (code.size() / 1024.0);
    std::printf("convert %zu chars: %.4f ms per KB (target < 0.1), %d of %d valid\n", code.size(), perKb, valid,
                rounds);
    missed = missed || perKb >= 0.1 || valid != rounds;

    received = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    TavrixHandle h = open();
    setReceive(h, onReceive, 0);
    double worst = 0, total = 0;
    const int presses = 100;
    for (int i = 0; i < presses; ++i) {
        double sent = nowMs();
        simctl::press("BENCH0000001");
        if (WaitForSingleObject(received, 2000) != WAIT_OBJECT_0) {
            std::printf("a pressed code never arrived\n");
            return 1;
        }
        double latency = receivedAt - sent;
        total += latency;
        if (latency > worst)
            worst = latency;
    }
    close(h);
    std::printf("press to receive callback: mean %.3f ms, worst %.3f ms (target mean < 5)\n", total / presses, worst);
    missed = missed || total / presses >= 5;
    return missed ? 1 : 0;
}
