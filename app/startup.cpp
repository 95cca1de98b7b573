// Start-up: the driver and library checks, opening the device, and putting
// the main window into its idle state before it is first shown.
#include <windows.h>

#include <exception>

#include "app/Module1.h"
#include "app/appinfo.h"
#include "app/deviceinfo_text.h"
#include "app/driver.h"
#include "app/fatal.h"
#include "app/startmarks.h"
#include "ui/frmMain.h"
#include "ui/ids.h"

namespace {

const uint32_t REQUIRED_DRIVER_VERSION = 0x100;
const uint32_t MINIMUM_LIBRARY_VERSION = 2680;  // 2.6.8

const char LIBRARY_VERSION_MESSAGE[] =
    "This application requires Tavrix API driver DLL (TAVRIXDRV.DLL) version 2.6.8 or later. "
    "Please verify you are running the latest API DLL and that you're using the latest version "
    "of Tavrix firmware!  If problem persists, contact Technical Support!";

const char* openFailureMessage(DWORD lastError)
{
    switch (lastError) {
    case TAVRIX_ERR_NO_DRIVER:
        return "Unable to find Tavrix Driver. Please make sure driver is Installed!";
    case TAVRIX_ERR_NOT_CONNECTED:
        return "Unable to connect to Tavrix device!  Please ensure device is connected to the "
               "computer!";
    case TAVRIX_ERR_NO_COMMUNICATION:
        return "Unable to communicate with Tavrix device!  Please check connections and try "
               "again.  If you still have problems, try unplugging and reconnecting your "
               "Tavrix.  If problem persists, contact Technical Support!";
    case TAVRIX_ERR_FIRMWARE:
        return "Your Tavrix's firmware is not compatible with this API DLL. Please verify you "
               "are running the latest API DLL and that you're using the latest version of "
               "Tavrix firmware!  If problem persists, contact Technical Support!";
    default:
        return "Unable to initialize Tavrix (unknown error)!";
    }
}

// From the library-version check on, an error raised inside a step is passed
// over and the next step runs.
template <typename Step>
void tolerant(Step step)
{
    try {
        step();
    } catch (const ProgramError&) {
    } catch (const std::exception&) {
    }
}

}  // namespace

[[noreturn]] void fatalMessage(const std::string& text)
{
    MessageBoxA(nullptr, text.c_str(), "ERROR", MB_OK | MB_TASKMODAL);
    ExitProcess(1);
}

void FrmMain::Form_Load()
{
    // 1, 2: the driver version.
    uint32_t driverVersion = 0;
    if (driver::call(driver::table().TavrixGetDrvInfo, 0, &driverVersion) == 0)
        fatalMessage("Unable to retrieve tavrixdrv version!");
    if (driverVersion != REQUIRED_DRIVER_VERSION)
        fatalMessage("Invalid tavrixdrv version!");
    START_MARK("TavrixGetDrvInfo");

    // 4: the library version; a library without the function fails too.
    tolerant([] {
        uint32_t libraryVersion = 0;
        bool ok = driver::call(driver::table().TavrixGetDrvVersion, 0, &libraryVersion) != 0;
        if (!ok || libraryVersion < MINIMUM_LIBRARY_VERSION)
            fatalMessage(LIBRARY_VERSION_MESSAGE);
    });
    START_MARK("TavrixGetDrvVersion");

    // 5: open the device, register the receive callback, arm the hook.
    tolerant([this] {
        hTavrix = driver::call(driver::table().TavrixOpen, TavrixHandle(-1));
        if (hTavrix == -1) {
            DWORD error = GetLastError();
            fatalMessage(openFailureMessage(error));
        }
        START_MARK("TavrixOpen");
        driver::call(driver::table().TavrixSetReceiveCallback, 0, hTavrix, ReceiveCallback,
                     static_cast<int32_t>(reinterpret_cast<intptr_t>(hwnd_)));
        START_MARK("TavrixSetReceiveCallback");
        hookLearn();
        START_MARK("hook armed");
    });

    // 6 to 9: the idle display.
    tolerant([] {
        curCode.clear();
        curCodeFormat = 16;
    });
    tolerant([this] { setCaption(IDC_LBLLRNSTATUS, "Idle"); });
    START_MARK("idle state");
    tolerant([this] { showDeviceInfo(); });
    START_MARK("device information");
    tolerant([this] { tbCurCode_Change(); });
    START_MARK("code box check");

    // 10, 11: the hidden relay window that carries the driver's callbacks.
    tolerant([] {
        static const int16_t creationData = 0;
        HWND relay = CreateWindowExA(0, "STATIC", "CallbackHiddenWindow", 0x20000000, 0, 0, 100,
                                     100, nullptr, nullptr, nullptr,
                                     const_cast<int16_t*>(&creationData));
        if (relay) {
            hRelayWnd = relay;
            InstallRelay(relay);
        } else {
            DWORD error = GetLastError();
            std::string text = "Unable to create window, LastError = " + std::to_string(error);
            MessageBoxA(nullptr, text.c_str(), APP_TITLE, MB_OK);
        }
    });
    START_MARK("relay window");
}

void FrmMain::showDeviceInfo()
{
    setCaption(IDC_LBLINFO, deviceinfo::NO_DEVICE_TEXT);
    if (hTavrix != 0) {
        TavrixDeviceInfo info = {};
        if (driver::call(driver::table().TavrixGetTavrixInfo, 0, hTavrix, &info) == 0)
            setCaption(IDC_LBLINFO, deviceinfo::READ_ERROR_TEXT);
        else
            setCaption(IDC_LBLINFO, deviceinfo::formatLine(info));
    }
    setCodeBoxText(curCode);
}
