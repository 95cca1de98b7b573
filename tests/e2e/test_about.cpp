// The About box and its system-information launcher.
#include <gtest/gtest.h>

#include <vector>

#include "harness.h"

using namespace e2e;

namespace {

const char* const MSINFO_KEY = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const char* const LOCATION_KEY = "SOFTWARE\\Microsoft\\Shared Tools Location";

void clearValues()
{
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, MSINFO_KEY, "PATH");
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, LOCATION_KEY, "MSINFO");
}

}  // namespace

class About : public ::testing::Test {
protected:
    void SetUp() override
    {
        clearValues();
        ASSERT_NE(app.mainWindow(), nullptr);
    }
    void TearDown() override { clearValues(); }
    HWND open() { app.menu(IDM_HELPABOUT); return app.findTopWindow("About Pellwick", 5000); }

    App app;
};

// Its texts are checked with its layout, in test_dpi.cpp.
TEST_F(About, ModalAndClosedByEscapeEnterAndOk)
{
    for (int key : {VK_ESCAPE, VK_RETURN, 0}) {
        SCOPED_TRACE("closed with key " + std::to_string(key));
        HWND about = open();
        ASSERT_NE(about, nullptr);
        EXPECT_EQ(GetWindow(about, GW_OWNER), app.mainWindow());
        EXPECT_FALSE(IsWindowEnabled(app.mainWindow())) << "the About box must be modal";
        EXPECT_EQ(GetWindowLongA(about, GWL_STYLE) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME | WS_SYSMENU),
                  WS_SYSMENU);
        if (key)
            app.keys({static_cast<WORD>(key)});
        else
            PostMessageA(GetDlgItem(about, IDC_CMDOK), BM_CLICK, 0, 0);
        EXPECT_TRUE(waitFor([&] { return !IsWindow(about); }, 3000)) << "About box still open";
        EXPECT_TRUE(waitFor([&] { return IsWindowEnabled(app.mainWindow()) != FALSE; }, 2000));
    }
}

// "System Info..." starts the viewer that the registry names, or says in one
// box that it cannot; the About box stays open either way.
TEST_F(About, SystemInfoStartsTheViewerTheRegistryNames)
{
    const std::string folder = makeTempDir("msinfo folder"), inFolder = folder + "MSINFO32.EXE",
                      withBlanks = folder + "sys info.exe";
    // The program that the path with blanks, unquoted, would start instead.
    const std::string decoy = folder.substr(0, folder.rfind(' ')) + ".exe";
    // The PATH value's bytes (empty: no value) and type, whether the folder value names `folder` and
    // MSINFO32.EXE is in it, and the viewer expected to start (empty: the message).
    struct { const char* what; std::string path; DWORD pathType; bool folderValue, inFolder; std::string started; }
        const cases[] = {
        {"no values", "", REG_SZ, false, false, ""},
        {"folder only, no MSINFO32.EXE in it", "", REG_SZ, true, false, ""},
        {"folder only, MSINFO32.EXE in it", "", REG_SZ, true, true, inFolder},
        {"a path with blanks", withBlanks + '\0', REG_SZ, false, false, withBlanks},
        // Wine reads a text value without its NUL as too long: raw bytes instead.
        {"a value filling the buffer without NUL", std::string(1024, 'x'), REG_BINARY, true, true, ""},
        {"a path as a number", std::string("\x2A\x01\0\0", 4), REG_DWORD, true, true, ""},
    };
    ASSERT_TRUE(copyFile(binDir() + "sysinfo_stub.exe", withBlanks));
    ASSERT_TRUE(copyFile(binDir() + "sysinfo_stub.exe", decoy));
    HWND about = open();
    ASSERT_NE(about, nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        clearValues();
        DeleteFileA(inFolder.c_str());
        if (!c.path.empty())
            RegSetKeyValueA(HKEY_LOCAL_MACHINE, MSINFO_KEY, "PATH", c.pathType, c.path.data(),
                            static_cast<DWORD>(c.path.size()));
        if (c.folderValue)  // the folder without its last backslash
            RegSetKeyValueA(HKEY_LOCAL_MACHINE, LOCATION_KEY, "MSINFO", REG_SZ,
                            folder.substr(0, folder.size() - 1).c_str(), static_cast<DWORD>(folder.size()));
        ASSERT_TRUE(!c.inFolder || copyFile(binDir() + "sysinfo_stub.exe", inFolder));

        PostMessageA(GetDlgItem(about, IDC_CMDSYSINFO), BM_CLICK, 0, 0);
        if (!c.started.empty()) {
            // The viewer holds its mark open for a moment: deleting it is the
            // proof that it was started, and no mark is left for the next case.
            EXPECT_TRUE(waitFor([&] { return DeleteFileA((c.started + ".started").c_str()) != 0; }, 10000));
            settle(300);
            EXPECT_TRUE(app.messageBoxes().empty());
        } else {
            EXPECT_EQ(app.waitBoxes(), "Pellwick: System Information Is Unavailable At This Time");
            EXPECT_TRUE(app.dismissBoxes());
        }
        EXPECT_FALSE(exists(inFolder + ".started") || exists(decoy + ".started"))
            << "another program was started";
        EXPECT_TRUE(IsWindow(about)) << "the About box stays open";
    }
    DeleteFileA(decoy.c_str());
    PostMessageA(about, WM_CLOSE, 0, 0);
}

// One version, written once in the CMake project (PELLWICK_VERSION), in the
// version resource and the manifest (and the About box, in test_dpi.cpp);
// and the program's own icon, 32 by 32 pixels in 16 colours.
TEST(Resources, OneVersionAndTheProgramsIcon)
{
    const std::string version = PELLWICK_VERSION, exe = binDir() + "pellwick.exe";
    std::vector<char> info(GetFileVersionInfoSizeA(exe.c_str(), nullptr) + 1);
    ASSERT_TRUE(GetFileVersionInfoA(exe.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionMS)) +
                  "." + std::to_string(HIWORD(fixed->dwFileVersionLS)), version);
    for (std::string name : {"FileVersion", "ProductVersion"}) {
        char* text = nullptr;
        ASSERT_TRUE(VerQueryValueA(info.data(), ("\\StringFileInfo\\040904B0\\" + name).c_str(),
                                   reinterpret_cast<void**>(&text), &length)) << name;
        EXPECT_EQ(text, version) << name;
    }

    HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    auto resource = [&](LPCSTR name, LPCSTR type) {
        HRSRC found = FindResourceA(module, name, type);
        return std::string(found ? static_cast<const char*>(LockResource(LoadResource(module, found))) : "",
                           found ? SizeofResource(module, found) : 0);
    };
    std::string manifest = resource(MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    EXPECT_NE(manifest.find("name=\"Pellwick\" version=\"" + version + ".0\""), std::string::npos) << manifest;
    std::string icons = resource(MAKEINTRESOURCEA(IDI_PELLWICK), RT_GROUP_ICON);
    ASSERT_GE(icons.size(), 9u) << "no icon resource";
    EXPECT_EQ(icons.substr(6, 3), "\x20\x20\x10") << "the first icon's width, height and colours";
    FreeLibrary(module);
}
