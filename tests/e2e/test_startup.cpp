// Start-up: every failure ends with its exact message before the main window
// shows; a normal start shows the full idle window and talks to the driver
// in the right order.
#include <gtest/gtest.h>

#include "harness.h"

using namespace e2e;

namespace {

const char* const LIBRARY_MESSAGE =
    "This application requires Tavrix API driver DLL (TAVRIXDRV.DLL) version 2.6.8 or later. "
    "Please verify you are running the latest API DLL and that you're using the latest version "
    "of Tavrix firmware!  If problem persists, contact Technical Support!";
const char* const NO_LIBRARY_MESSAGE =
    "Unable to load the Tavrix driver library tavrixdrv.dll (error 126)!  Please make sure the "
    "Tavrix driver is installed!";

// Where pellwick.exe runs from and what lies beside it.
enum Setup {
    BUILD_FOLDER,     // the simulated library beside it
    NO_VERSION_CALL,  // a library without TavrixGetDrvVersion beside it
    NO_LIBRARY,       // no library anywhere
    PLANTED,          // no library beside it, one in the current directory
};

struct FailureCase { const char *variable, *value; Setup setup; const char* message; };

const FailureCase FAILURES[] = {
    {"TAVRIXSIM_DRVINFO", "fail", BUILD_FOLDER, "Unable to retrieve tavrixdrv version!"},
    {"TAVRIXSIM_DRVINFO", "0xFF", BUILD_FOLDER, "Invalid tavrixdrv version!"},
    {"TAVRIXSIM_DRVINFO", "0x101", BUILD_FOLDER, "Invalid tavrixdrv version!"},
    {"TAVRIXSIM_LIBVERSION", "2679", BUILD_FOLDER, LIBRARY_MESSAGE},
    {"TAVRIXSIM_LIBVERSION", "fail", BUILD_FOLDER, LIBRARY_MESSAGE},
    {"", "", NO_VERSION_CALL, LIBRARY_MESSAGE},
    {"TAVRIXSIM_OPEN_ERROR", "0x20000003", BUILD_FOLDER,
     "Unable to find Tavrix Driver. Please make sure driver is Installed!"},
    {"TAVRIXSIM_OPEN_ERROR", "0x20000001", BUILD_FOLDER,
     "Unable to connect to Tavrix device!  Please ensure device is connected to the computer!"},
    {"TAVRIXSIM_OPEN_ERROR", "0x20000002", BUILD_FOLDER,
     "Unable to communicate with Tavrix device!  Please check connections and try again.  If you "
     "still have problems, try unplugging and reconnecting your Tavrix.  If problem persists, "
     "contact Technical Support!"},
    {"TAVRIXSIM_OPEN_ERROR", "0x20000004", BUILD_FOLDER,
     "Your Tavrix's firmware is not compatible with this API DLL. Please verify you are running "
     "the latest API DLL and that you're using the latest version of Tavrix firmware!  If "
     "problem persists, contact Technical Support!"},
    {"TAVRIXSIM_OPEN_ERROR", "5", BUILD_FOLDER, "Unable to initialize Tavrix (unknown error)!"},
    {"", "", NO_LIBRARY, NO_LIBRARY_MESSAGE},
    {"", "", PLANTED, NO_LIBRARY_MESSAGE},
};

// pellwick.exe in a folder as the setup wants it, and the folder to start it in.
std::string prepare(Setup setup, std::string* currentDirectory)
{
    if (setup == BUILD_FOLDER)
        return binDir() + "pellwick.exe";
    std::string dir = makeTempDir("start");
    copyFile(binDir() + "pellwick.exe", dir + "pellwick.exe");
    if (setup == NO_VERSION_CALL)
        copyFile(binDir() + "nover\\tavrixdrv.dll", dir + "tavrixdrv.dll");
    if (setup == PLANTED) {
        *currentDirectory = makeTempDir("planted");
        copyFile(binDir() + "tavrixdrv.dll", *currentDirectory + "tavrixdrv.dll");
    }
    return dir + "pellwick.exe";
}

}  // namespace

// The program shows exactly one fatal box and ends when it is dismissed,
// without its main window ever appearing.
TEST(Startup, EachFailureEndsWithItsMessage)
{
    for (const FailureCase& c : FAILURES) {
        SCOPED_TRACE(std::string(c.variable) + "=" + c.value + " setup " + std::to_string(c.setup));
        std::string currentDirectory;
        std::string exe = prepare(c.setup, &currentDirectory);
        App app(*c.variable ? Env{{c.variable, c.value}} : Env(), exe, currentDirectory);
        EXPECT_EQ(app.waitBoxes(15000), std::string("ERROR: ") + c.message);
        EXPECT_EQ(app.findTopWindow("Tavrix Pellwick Utility", 0), nullptr) << "main window shown before the checks";
        app.dismissBoxes();
        EXPECT_NE(app.waitExit(10000), static_cast<DWORD>(STILL_ACTIVE)) << "program kept running";
    }
}

// A normal start (library version 2680 is enough): the full idle window with
// the device's information line, and the driver called in order.
TEST(Startup, NormalStartShowsIdleWindowAndCallsDriverInOrder)
{
    simctl::reset();
    struct { const char *info, *line; } cases[] = {
        {"256,0,21,6,4", "FirmwareVer=1.0 ProtVer=0.0 FirmwareDate=6/21/2004"},
        {"fail", "*** ERROR Retrieving Tavrix Information! ***"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("device information ") + c.info);
        App app(Env{{"TAVRIXSIM_LIBVERSION", "2680"}, {"TAVRIXSIM_INFO", c.info}});
        ASSERT_NE(app.mainWindow(), nullptr) << "no visible main window";
        EXPECT_EQ(app.text(IDC_LBLINFO), c.line);  // the other texts: test_dpi.cpp
        EXPECT_EQ(app.codeText(), "");
        EXPECT_FALSE(app.enabled(IDC_CBTRANSMITIRCODE)) << "empty box must not offer transmit";
        EXPECT_TRUE(app.enabled(IDC_CBLEARNIRCODE) && app.messageBoxes().empty());

        // The idle face: only the status label of the learn display.
        for (int hidden : {IDC_LBLINSTRUCT1, IDC_LBLINSTRUCT2, IDC_LBLSIGQUALITY, IDC_PBSIGQUALITY, IDC_LBLLRNPROGRESS,
                           IDC_LBLCARRIER, IDC_LBLCARRIERFREQ, IDC_PBLEARNPROGRESS3, IDC_CBINJECTIR,
                           IDC_CBLEARNASBURST, IDC_CBLEARNCANCEL})
            EXPECT_FALSE(app.visible(hidden)) << "control " << hidden << " shown at start";
        EXPECT_TRUE(app.visible(IDC_LBLLRNSTATUS));

        // The empty box is not sent to the driver for a check.
        EXPECT_EQ(app.calls(), "TavrixGetDrvInfo TavrixGetDrvVersion TavrixOpen "
                               "TavrixSetReceiveCallback HOOKLEARN TavrixGetTavrixInfo");

        // One relay window, hidden and minimised.
        std::string relays;
        for (HWND w : app.topWindows("Static", false))
            if (windowText(w) == "CallbackHiddenWindow")
                relays += std::string(IsWindowVisible(w) ? "visible" : "hidden") +
                          (GetWindowLongA(w, GWL_STYLE) & WS_MINIMIZE ? " minimised;" : ";");
        EXPECT_EQ(relays, "hidden minimised;");
    }
}
