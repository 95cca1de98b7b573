// Start-up: every failure ends with its exact message before the main window
// shows; a normal start shows the full idle window and talks to the driver
// in the right order.
#include <gtest/gtest.h>

#include "harness.h"
#include "sim/simctl.h"
#include "ui/ids.h"

using namespace e2e;

namespace {

const char* const LIBRARY_MESSAGE =
    "This application requires Tavrix API driver DLL (TAVRIXDRV.DLL) version 2.6.8 or later. "
    "Please verify you are running the latest API DLL and that you're using the latest version "
    "of Tavrix firmware!  If problem persists, contact Technical Support!";

struct FailureCase {
    const char* variable;
    const char* value;
    const char* message;
};

const FailureCase FAILURES[] = {
    {"TAVRIXSIM_DRVINFO", "fail", "Unable to retrieve tavrixdrv version!"},
    {"TAVRIXSIM_DRVINFO", "0xFF", "Invalid tavrixdrv version!"},
    {"TAVRIXSIM_DRVINFO", "0x101", "Invalid tavrixdrv version!"},
    {"TAVRIXSIM_LIBVERSION", "2679", LIBRARY_MESSAGE},
    {"TAVRIXSIM_LIBVERSION", "fail", LIBRARY_MESSAGE},
    {"TAVRIXSIM_OPEN_ERROR", "0x20000003",
     "Unable to find Tavrix Driver. Please make sure driver is Installed!"},
    {"TAVRIXSIM_OPEN_ERROR", "0x20000001",
     "Unable to connect to Tavrix device!  Please ensure device is connected to the computer!"},
    {"TAVRIXSIM_OPEN_ERROR", "0x20000002",
     "Unable to communicate with Tavrix device!  Please check connections and try again.  If you "
     "still have problems, try unplugging and reconnecting your Tavrix.  If problem persists, "
     "contact Technical Support!"},
    {"TAVRIXSIM_OPEN_ERROR", "0x20000004",
     "Your Tavrix's firmware is not compatible with this API DLL. Please verify you are running "
     "the latest API DLL and that you're using the latest version of Tavrix firmware!  If "
     "problem persists, contact Technical Support!"},
    {"TAVRIXSIM_OPEN_ERROR", "5", "Unable to initialize Tavrix (unknown error)!"},
};

// The program shows exactly one fatal box and ends when it is dismissed,
// without its main window ever appearing.
void expectFatal(App& app, const std::string& expected, const std::string& context)
{
    SCOPED_TRACE(context);
    MessageBoxInfo box = app.waitMessageBox(15000);
    ASSERT_NE(box.window, nullptr) << "no message box appeared";
    EXPECT_EQ(box.caption, "ERROR");
    EXPECT_EQ(box.text, expected);
    EXPECT_FALSE(box.hasIcon);
    EXPECT_EQ(box.buttons, 1);
    EXPECT_EQ(app.messageBoxes().size(), 1u);
    EXPECT_EQ(app.findTopWindow("Tavrix Pellwick Utility", 0), nullptr)
        << "main window shown before the start-up checks passed";
    App::pressOk(box.window);
    EXPECT_NE(app.waitExit(10000), static_cast<DWORD>(STILL_ACTIVE)) << "program kept running";
    EXPECT_EQ(app.findTopWindow("Tavrix Pellwick Utility", 0), nullptr);
}

}  // namespace

TEST(Startup, EachFailureEndsWithItsMessage)
{
    for (const FailureCase& c : FAILURES) {
        App app(Env{{c.variable, c.value}});
        expectFatal(app, c.message, std::string(c.variable) + "=" + c.value);
    }
}

TEST(Startup, LibraryVersion2680Passes)
{
    App app(Env{{"TAVRIXSIM_LIBVERSION", "2680"}});
    ASSERT_NE(app.mainWindow(), nullptr);
    EXPECT_EQ(app.text(IDC_LBLLRNSTATUS), "Idle");
}

TEST(Startup, LibraryWithoutVersionFunctionIsRefused)
{
    std::string dir = makeTempDir("nover");
    ASSERT_TRUE(copyFile(binDir() + "pellwick.exe", dir + "pellwick.exe"));
    ASSERT_TRUE(copyFile(binDir() + "nover\\tavrixdrv.dll", dir + "tavrixdrv.dll"));
    App app({}, dir + "pellwick.exe");
    expectFatal(app, LIBRARY_MESSAGE, "library without TavrixGetDrvVersion");
}

TEST(Startup, MissingLibraryIsFatalAndNamed)
{
    std::string dir = makeTempDir("nolib");
    ASSERT_TRUE(copyFile(binDir() + "pellwick.exe", dir + "pellwick.exe"));
    App app({}, dir + "pellwick.exe");
    MessageBoxInfo box = app.waitMessageBox(15000);
    ASSERT_NE(box.window, nullptr);
    EXPECT_EQ(box.caption, "ERROR");
    EXPECT_NE(box.text.find("tavrixdrv.dll"), std::string::npos) << box.text;
    EXPECT_NE(box.text.find("load"), std::string::npos) << box.text;
    EXPECT_EQ(app.findTopWindow("Tavrix Pellwick Utility", 0), nullptr);
    App::pressOk(box.window);
    EXPECT_NE(app.waitExit(), static_cast<DWORD>(STILL_ACTIVE));
}

TEST(Startup, LibraryInCurrentDirectoryIsNeverLoaded)
{
    // A tavrixdrv.dll planted in the current directory must not be picked
    // up: the program looks beside itself and in the system folder only.
    std::string exeDir = makeTempDir("plant-exe");
    ASSERT_TRUE(copyFile(binDir() + "pellwick.exe", exeDir + "pellwick.exe"));
    std::string cwd = makeTempDir("plant-cwd");
    ASSERT_TRUE(copyFile(binDir() + "tavrixdrv.dll", cwd + "tavrixdrv.dll"));
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(cwd.c_str());
    App app({}, exeDir + "pellwick.exe");
    SetCurrentDirectoryA(previous);
    MessageBoxInfo box = app.waitMessageBox(15000);
    ASSERT_NE(box.window, nullptr) << "a library from the current directory was loaded";
    EXPECT_NE(box.text.find("tavrixdrv.dll"), std::string::npos);
    App::pressOk(box.window);
    app.waitExit();
}

TEST(Startup, NormalStartShowsIdleWindowAndCallsDriverInOrder)
{
    simctl::reset();
    App app;
    HWND main = app.mainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_EQ(app.text(IDC_LBLLRNSTATUS), "Idle");
    EXPECT_EQ(app.text(IDC_LBLTAVROCODE), "------------");
    EXPECT_EQ(app.codeText(), "");
    EXPECT_FALSE(app.enabled(IDC_CBTRANSMITIRCODE)) << "empty box must not offer transmit";
    EXPECT_TRUE(app.enabled(IDC_CBLEARNIRCODE));
    EXPECT_TRUE(app.messageBoxes().empty());

    // The idle face: only the status label of the learn display.
    for (int hidden : {IDC_LBLINSTRUCT1, IDC_LBLINSTRUCT2, IDC_LBLSIGQUALITY, IDC_PBSIGQUALITY,
                       IDC_LBLLRNPROGRESS, IDC_LBLCARRIER, IDC_LBLCARRIERFREQ,
                       IDC_PBLEARNPROGRESS3, IDC_CBINJECTIR, IDC_CBLEARNASBURST,
                       IDC_CBLEARNCANCEL})
        EXPECT_FALSE(app.visible(hidden)) << "control " << hidden << " shown at start";
    EXPECT_TRUE(app.visible(IDC_LBLLRNSTATUS));

    std::vector<std::string> calls;
    for (const std::string& line : app.log())
        if (line.compare(0, 6, "Tavrix") == 0)
            calls.push_back(line.substr(0, line.find(' ')));
    std::vector<std::string> expected = {"TavrixGetDrvInfo",        "TavrixGetDrvVersion",
                                         "TavrixOpen",              "TavrixSetReceiveCallback",
                                         "TavrixLearnIR",           "TavrixGetTavrixInfo"};
    ASSERT_GE(calls.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + expected.size()), expected);
    std::vector<std::string> hook = app.logOf("TavrixLearnIR");
    ASSERT_EQ(hook.size(), 1u);
    EXPECT_NE(hook[0].find("format=16"), std::string::npos) << hook[0];
    EXPECT_NE(hook[0].find("buf=\"HOOKLEARN\""), std::string::npos) << hook[0];
    EXPECT_TRUE(app.logOf("TavrixConvertProntoCode").empty()) << "empty box sent to the driver";
}

TEST(Startup, RelayWindowExists)
{
    App app;
    ASSERT_NE(app.mainWindow(), nullptr);
    HWND relay = app.findTopWindow("CallbackHiddenWindow", 2000);
    std::vector<HWND> all = app.topWindows("Static", false);
    bool found = false;
    for (HWND w : all)
        if (windowText(w) == "CallbackHiddenWindow") {
            found = true;
            EXPECT_FALSE(IsWindowVisible(w));
            EXPECT_TRUE(GetWindowLongA(w, GWL_STYLE) & WS_MINIMIZE);
        }
    EXPECT_TRUE(found) << "no hidden relay window";
    EXPECT_EQ(relay, nullptr) << "relay window is visible";
}
