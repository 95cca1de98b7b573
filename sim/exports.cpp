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

extern "C" {

int32_t TAVRIX_API TavrixGetDrvInfo(uint32_t* driverVersion)
{
    return drv::Driver::get().getDrvInfo(driverVersion);
}

#if !defined(TAVRIXSIM_WITHOUT_DRVVERSION)
int32_t TAVRIX_API TavrixGetDrvVersion(uint32_t* libraryVersion)
{
    return drv::Driver::get().getDrvVersion(libraryVersion);
}
#endif

TavrixHandle TAVRIX_API TavrixOpen(void)
{
    return drv::Driver::get().open();
}

int32_t TAVRIX_API TavrixClose(TavrixHandle h)
{
    return drv::Driver::get().close(h);
}

int32_t TAVRIX_API TavrixSetReceiveCallback(TavrixHandle h, TavrixReceiveCallback callback, int32_t userData)
{
    return drv::Driver::get().setReceiveCallback(h, callback, userData);
}

int32_t TAVRIX_API TavrixGetTavrixInfo(TavrixHandle h, TavrixDeviceInfo* info)
{
    return drv::Driver::get().getInfo(h, info);
}

int32_t TAVRIX_API TavrixLearnIR(TavrixHandle h, int32_t format, char* buffer, TavrixProgressCallback callback,
                                 int32_t userData, volatile int32_t* flag, int32_t reserved1, int32_t reserved2,
                                 int32_t reserved3)
{
    return drv::Driver::get().learnIR(h, format, buffer, callback, userData, flag, reserved1, reserved2, reserved3);
}

int32_t TAVRIX_API TavrixTransmitIR(TavrixHandle h, const char* code, int32_t format, int32_t repeat,
                                    int32_t reserved1, int32_t reserved2, int32_t reserved3, int32_t reserved4)
{
    return drv::Driver::get().transmitIR(h, code, format, repeat, reserved1, reserved2, reserved3, reserved4);
}

int32_t TAVRIX_API TavrixConvertProntoCode(const char* code, char* output, int32_t* outputValue, int32_t reserved1,
                                           int32_t reserved2)
{
    return drv::Driver::get().convertPronto(code, output, outputValue, reserved1, reserved2);
}

}  // extern "C"
