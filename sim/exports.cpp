// The nine exported functions of tavrixdrv.dll, undecorated __stdcall names
// (tavrixdrv.def).  Compiled once per library variant: with
// TAVRIXSIM_WITHOUT_DRVVERSION the library lacks TavrixGetDrvVersion, like a
// driver too old for the program.
#include "sim/driver.h"

// The same prototypes as app/tavrix_abi.h lists them: a definition below that
// differs from its entry there does not compile.
#define TAVRIXSIM_DECLARE(result, name, parameters) extern "C" result TAVRIX_API name parameters;
TAVRIX_FUNCTIONS(TAVRIXSIM_DECLARE)
#undef TAVRIXSIM_DECLARE

namespace {

// Notes when the call began and ended, where TAVRIXSIM_TIMES asks for it.
class Timed {
public:
    explicit Timed(const char* function) : function_(function), beginMs_(drv::nowMs()) {}
    ~Timed()
    {
        if (!drv::Driver::get().settings.timesPath.empty())
            drv::callTimes().note(function_, beginMs_, drv::nowMs());
    }
    Timed(const Timed&) = delete;
    Timed& operator=(const Timed&) = delete;

private:
    const char* function_;
    double beginMs_;
};

}  // namespace

extern "C" {

int32_t TAVRIX_API TavrixGetDrvInfo(uint32_t* driverVersion)
{
    Timed timed("TavrixGetDrvInfo");
    return drv::Driver::get().getDrvInfo(driverVersion);
}

#if !defined(TAVRIXSIM_WITHOUT_DRVVERSION)
int32_t TAVRIX_API TavrixGetDrvVersion(uint32_t* libraryVersion)
{
    Timed timed("TavrixGetDrvVersion");
    return drv::Driver::get().getDrvVersion(libraryVersion);
}
#endif

TavrixHandle TAVRIX_API TavrixOpen(void)
{
    Timed timed("TavrixOpen");
    return drv::Driver::get().open();
}

int32_t TAVRIX_API TavrixClose(TavrixHandle h)
{
    Timed timed("TavrixClose");
    return drv::Driver::get().close(h);
}

int32_t TAVRIX_API TavrixSetReceiveCallback(TavrixHandle h, TavrixReceiveCallback callback, int32_t userData)
{
    Timed timed("TavrixSetReceiveCallback");
    return drv::Driver::get().setReceiveCallback(h, callback, userData);
}

int32_t TAVRIX_API TavrixGetTavrixInfo(TavrixHandle h, TavrixDeviceInfo* info)
{
    Timed timed("TavrixGetTavrixInfo");
    return drv::Driver::get().getInfo(h, info);
}

int32_t TAVRIX_API TavrixLearnIR(TavrixHandle h, int32_t format, char* buffer, TavrixProgressCallback callback,
                                 int32_t userData, volatile int32_t* flag, int32_t reserved1, int32_t reserved2,
                                 int32_t reserved3)
{
    Timed timed("TavrixLearnIR");
    return drv::Driver::get().learnIR(h, format, buffer, callback, userData, flag, reserved1, reserved2, reserved3);
}

int32_t TAVRIX_API TavrixTransmitIR(TavrixHandle h, const char* code, int32_t format, int32_t repeat,
                                    int32_t reserved1, int32_t reserved2, int32_t reserved3, int32_t reserved4)
{
    Timed timed("TavrixTransmitIR");
    return drv::Driver::get().transmitIR(h, code, format, repeat, reserved1, reserved2, reserved3, reserved4);
}

int32_t TAVRIX_API TavrixConvertProntoCode(const char* code, char* output, int32_t* outputValue, int32_t reserved1,
                                           int32_t reserved2)
{
    Timed timed("TavrixConvertProntoCode");
    return drv::Driver::get().convertPronto(code, output, outputValue, reserved1, reserved2);
}

}  // extern "C"
