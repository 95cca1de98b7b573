// The About box and its system-information launcher.
#include <gtest/gtest.h>

#include <vector>

#include "harness.h"
#include "ui/ids.h"

using namespace e2e;

namespace {

const char* const MSINFO_KEY = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const char* const LOCATION_KEY = "SOFTWARE\\Microsoft\\Shared Tools Location";

void setValue(const char* key, const char* name, const std::string& value)
{
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(k);
}

void clearValues()
{
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, MSINFO_KEY, 0, KEY_ALL_ACCESS, &k) == ERROR_SUCCESS) {
        RegDeleteValueA(k, "PATH");
        RegCloseKey(k);
    }
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, LOCATION_KEY, 0, KEY_ALL_ACCESS, &k) == ERROR_SUCCESS) {
        RegDeleteValueA(k, "MSINFO");
        RegCloseKey(k);
    }
}

bool exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
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

    HWND open()
    {
        app.menu(IDM_HELPABOUT);
        return app.findTopWindow("About Pellwick", 5000);
    }
    void pressSysInfo(HWND about) { PostMessageA(GetDlgItem(about, IDC_CMDSYSINFO), BM_CLICK, 0, 0); }

    App app;
};

TEST_F(About, TextsModalityAndClosingKeys)
{
    for (int key : {VK_ESCAPE, VK_RETURN, 0}) {
        SCOPED_TRACE("closed with key " + std::to_string(key));
        HWND about = open();
        ASSERT_NE(about, nullptr);
        EXPECT_EQ(windowText(GetDlgItem(about, IDC_LBLTITLE)), "Pellwick");
        EXPECT_EQ(windowText(GetDlgItem(about, IDC_LBLVERSION)),
                  std::string("Version ") + PELLWICK_VERSION);
        EXPECT_EQ(windowText(GetDlgItem(about, IDC_LBLDESCRIPTION)),
                  "This simple applet can be used to aid in the learn process and allows you to "
                  "interject pre-learned codes for any third-party application which is asking "
                  "the Tavrix to learn an IR code. It may also be used as a simple "
                  "receive/transmit test application.");
        EXPECT_EQ(windowText(GetDlgItem(about, IDC_CMDOK)), "OK");
        EXPECT_EQ(windowText(GetDlgItem(about, IDC_CMDSYSINFO)), "&System Info...");
        EXPECT_EQ(GetWindow(about, GW_OWNER), app.mainWindow());
        EXPECT_FALSE(IsWindowEnabled(app.mainWindow())) << "the About box must be modal";
        LONG style = GetWindowLongA(about, GWL_STYLE);
        EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
        EXPECT_TRUE(style & WS_SYSMENU);

        if (key)
            app.keys({static_cast<WORD>(key)});
        else
            PostMessageA(GetDlgItem(about, IDC_CMDOK), BM_CLICK, 0, 0);
        EXPECT_TRUE(waitFor([&] { return !IsWindow(about); }, 3000)) << "About box still open";
        EXPECT_TRUE(waitFor([&] { return IsWindowEnabled(app.mainWindow()) != FALSE; }, 2000));
    }
}

TEST_F(About, NoViewerRegisteredShowsOneMessage)
{
    HWND about = open();
    ASSERT_NE(about, nullptr);
    pressSysInfo(about);
    MessageBoxInfo box = app.waitMessageBox();
    ASSERT_NE(box.window, nullptr);
    EXPECT_EQ(box.caption, "Pellwick");
    EXPECT_EQ(box.text, "System Information Is Unavailable At This Time");
    EXPECT_FALSE(box.hasIcon);
    EXPECT_EQ(app.messageBoxes().size(), 1u);
    App::pressOk(box.window);
    settle(300);
    EXPECT_TRUE(IsWindow(about)) << "the About box stays open";
    PostMessageA(about, WM_CLOSE, 0, 0);
}

TEST_F(About, FolderValueStartsTheViewerOnlyIfItIsThere)
{
    std::string folder = makeTempDir("msinfo folder");
    setValue(LOCATION_KEY, "MSINFO", folder.substr(0, folder.size() - 1));
    HWND about = open();
    ASSERT_NE(about, nullptr);
    pressSysInfo(about);
    MessageBoxInfo box = app.waitMessageBox();
    ASSERT_NE(box.window, nullptr) << "no MSINFO32.EXE in the folder: the message is due";
    App::pressOk(box.window);
    ASSERT_TRUE(waitFor([&] { return app.messageBoxes().empty(); }));

    ASSERT_TRUE(copyFile(binDir() + "sysinfo_stub.exe", folder + "MSINFO32.EXE"));
    pressSysInfo(about);
    EXPECT_TRUE(waitFor([&] { return exists(folder + "MSINFO32.EXE.started"); }, 10000));
    EXPECT_TRUE(app.messageBoxes().empty());
    EXPECT_TRUE(IsWindow(about));
    PostMessageA(about, WM_CLOSE, 0, 0);
}

TEST_F(About, PathValueIsStartedUnchangedEvenWithBlanks)
{
    std::string folder = makeTempDir("viewer with blanks");
    std::string viewer = folder + "sys info.exe";
    ASSERT_TRUE(copyFile(binDir() + "sysinfo_stub.exe", viewer));
    // A program the unquoted path would start instead.
    std::string decoy = folder.substr(0, folder.size() - 1);
    decoy = decoy.substr(0, decoy.rfind(' ')) + ".exe";
    ASSERT_TRUE(copyFile(binDir() + "sysinfo_stub.exe", decoy));
    setValue(MSINFO_KEY, "PATH", viewer);
    setValue(LOCATION_KEY, "MSINFO", "C:\\nowhere");

    HWND about = open();
    ASSERT_NE(about, nullptr);
    pressSysInfo(about);
    EXPECT_TRUE(waitFor([&] { return exists(viewer + ".started"); }, 10000));
    settle(300);
    EXPECT_FALSE(exists(decoy + ".started")) << "an unquoted path started another program";
    EXPECT_TRUE(app.messageBoxes().empty());
    DeleteFileA(decoy.c_str());
    PostMessageA(about, WM_CLOSE, 0, 0);
}

TEST(Version, OneVersionInTheResourcesTheManifestAndTheAboutBox)
{
    // PELLWICK_VERSION comes from the CMake project, where it is written once.
    const std::string version = PELLWICK_VERSION;
    const std::string exe = binDir() + "pellwick.exe";
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(exe.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(exe.c_str(), 0, size, info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    std::string numbers = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                          std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                          std::to_string(HIWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(numbers, version);
    for (const char* name : {"FileVersion", "ProductVersion"}) {
        char* text = nullptr;
        std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
        ASSERT_TRUE(VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void**>(&text),
                                   &length)) << name;
        EXPECT_EQ(std::string(text), version) << name;
    }

    HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    HRSRC manifest = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(manifest, nullptr);
    std::string xml(static_cast<const char*>(LockResource(LoadResource(module, manifest))),
                    SizeofResource(module, manifest));
    FreeLibrary(module);
    EXPECT_NE(xml.find("name=\"Pellwick\" version=\"" + version + ".0\""), std::string::npos)
        << xml;

    App app;
    ASSERT_NE(app.mainWindow(), nullptr);
    app.menu(IDM_HELPABOUT);
    HWND about = app.findTopWindow("About Pellwick", 5000);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(windowText(GetDlgItem(about, IDC_LBLVERSION)), "Version " + version);
    PostMessageA(about, WM_CLOSE, 0, 0);
}
