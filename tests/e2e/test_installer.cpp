// The installer, run as an administrator would: a silent install puts the files, the all-users shortcuts
// and the uninstall entry in place; the installed program runs on a driver in the system folder, the
// simulated shortcut's on the simulated device; an upgrade leaves one entry and only the new version's
// files; a silent uninstall removes everything it made and leaves the system folder's driver alone.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "harness.h"

using namespace e2e;

namespace {

const char* const UNINSTALL_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const std::string ENTRY_KEY = std::string(UNINSTALL_KEY) + "\\Pellwick";
const char* const LINKS[] = {"Pellwick", "Pellwick (simulated Tavrix)", "Tavrix Simulator"};
// Everything that an install with the simulated Tavrix puts in its folder.
const char* const FILES[] = {"pellwick.exe", "pellwick-ir.exe", "README.txt", "uninstall.exe",
                             "Simulator\\pellwick.exe", "Simulator\\tavrixdrv.dll", "Simulator\\tavrixctl.exe",
                             "Simulator\\learnapp.exe", "Simulator\\tavrixsim.exe"};

std::string shellFolder(int csidl)
{
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

// The Program Files folder and the registry view of programs of this test's
// kind: 32-bit for the product, 64-bit for the test build of 64-bit hosts.
std::string installDir() { return shellFolder(CSIDL_PROGRAM_FILES) + "\\Pellwick\\"; }
std::string linkPath(const char* name) { return shellFolder(CSIDL_COMMON_PROGRAMS) + "\\" + name + ".lnk"; }
std::string systemDriver() { return shellFolder(CSIDL_SYSTEM) + "\\tavrixdrv.dll"; }

bool entryExists()
{
    HKEY key;
    return !RegOpenKeyExA(HKEY_LOCAL_MACHINE, ENTRY_KEY.c_str(), 0, KEY_READ, &key) && !RegCloseKey(key);
}
std::string entryString(const char* name, const std::string& key = ENTRY_KEY)
{
    char text[1024] = {};
    DWORD size = sizeof text;
    return RegGetValueA(HKEY_LOCAL_MACHINE, key.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size) ? "(missing)"
                                                                                                    : text;
}
DWORD entryDword(const char* name)
{
    DWORD value = 0xFFFFFFFF, size = sizeof value;
    RegGetValueA(HKEY_LOCAL_MACHINE, ENTRY_KEY.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

// How many uninstall entries are called Pellwick.
int entriesNamedPellwick()
{
    HKEY all;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, 0, KEY_READ, &all))
        return -1;
    int count = 0;
    char sub[256];
    for (DWORD i = 0, length = sizeof sub;
         !RegEnumKeyExA(all, i, sub, &length, nullptr, nullptr, nullptr, nullptr); ++i, length = sizeof sub)
        count += entryString("DisplayName", std::string(UNINSTALL_KEY) + "\\" + sub) == "Pellwick";
    RegCloseKey(all);
    return count;
}

// Where a shortcut leads, in lower case.
std::string linkTarget(const std::string& link)
{
    char target[MAX_PATH] = {};
    IShellLinkA* shellLink = nullptr;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&shellLink)))) {
        if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            if (SUCCEEDED(file->Load(std::wstring(link.begin(), link.end()).c_str(), STGM_READ)))
                shellLink->GetPath(target, MAX_PATH, nullptr, 0);
            file->Release();
        }
        shellLink->Release();
    }
    return CharLowerA(target);
}

std::string lower(std::string text) { return CharLowerA(&text[0]); }

// Runs a program and waits for it; its exit code, or STILL_ACTIVE.
DWORD run(const std::string& exe, const std::string& args)
{
    SecondApp program(args, Env(), exe);
    program.collect(120000);
    return program.exitCode();
}

DWORD install(const std::string& version, const char* options = "")
{
    return run("setup\\pellwick-" + version + "-setup.exe", std::string("/S ") + options);
}

// The entry's quiet uninstall command, as a management tool runs it. The uninstaller goes on from a
// temporary copy of itself and the started process ends at once: the folder's going says it is done.
bool uninstall()
{
    std::string command = entryString("QuietUninstallString");
    size_t quote = command.find('"', 1);
    return quote != std::string::npos && run(command.substr(1, quote - 1), command.substr(quote + 1)) == 0 &&
           waitFor([] { return !exists(installDir()) && !entryExists(); }, 60000);
}

class Installer : public ::testing::Test {
protected:
    void SetUp() override
    {
        CoInitialize(nullptr);
        scrub();
        ASSERT_TRUE(exists(binDir() + "setup\\pellwick-" PELLWICK_VERSION "-setup.exe"));
    }

    // Whatever a test installed goes, even when it failed half-way: the Wine
    // prefix is shared by every test that runs after this one.
    void TearDown() override
    {
        scrub();
        CoUninitialize();
    }

    void scrub()
    {
        if (entryExists())
            uninstall();
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, ENTRY_KEY.c_str());
        for (const char* link : LINKS)
            DeleteFileA(linkPath(link).c_str());
        std::string tree = installDir();
        tree.back() = '\0';
        tree += '\0';  // SHFileOperation takes a list ended by an empty name
        SHFILEOPSTRUCTA removal = {};
        removal.wFunc = FO_DELETE;
        removal.pFrom = tree.c_str();
        removal.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
        SHFileOperationA(&removal);
        // Other tests need the system folder without a driver; the one this
        // test puts there (even a run killed half-way) is the simulated one.
        if (readFile(systemDriver()) == readFile(binDir() + "tavrixdrv.dll"))
            DeleteFileA(systemDriver().c_str());
    }
};

}  // namespace

TEST_F(Installer, InstallsRunsAndUninstallsEverythingItMade)
{
    ASSERT_EQ(install(PELLWICK_VERSION, "/SIMULATOR"), 0u);
    const std::string dir = installDir();
    size_t bytes = 0;
    for (const char* file : FILES) {
        EXPECT_TRUE(exists(dir + file)) << file;
        bytes += readFile(dir + file).size();
    }
    EXPECT_FALSE(exists(dir + "tavrixdrv.dll")) << "a driver beside pellwick.exe hides the maker's";

    const std::string targets[] = {"pellwick.exe", "Simulator\\pellwick.exe", "Simulator\\tavrixsim.exe"};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(linkTarget(linkPath(LINKS[i])), lower(dir + targets[i])) << LINKS[i];

    const std::string values[][2] = {
        {"DisplayName", "Pellwick"},
        {"DisplayVersion", PELLWICK_VERSION},
        {"Publisher", "Pellwick developers"},
        {"DisplayIcon", dir + "pellwick.exe,0"},
        {"InstallLocation", dir.substr(0, dir.size() - 1)},
        {"UninstallString", "\"" + dir + "uninstall.exe\""},
        {"QuietUninstallString", "\"" + dir + "uninstall.exe\" /S"},
    };
    for (const auto& value : values)
        EXPECT_EQ(entryString(value[0].c_str()), value[1]) << value[0];
    EXPECT_TRUE(entryDword("NoModify") == 1 && entryDword("NoRepair") == 1);
    EXPECT_NEAR(entryDword("EstimatedSize"), bytes / 1024.0, 10) << "EstimatedSize (KB)";

    // The simulated shortcut's program runs on the driver beside it (there
    // is none in the system folder yet); the installed one on the driver
    // that the maker's installer puts in the system folder.
    for (bool simulated : {true, false}) {
        ASSERT_TRUE(simulated || copyFile(binDir() + "tavrixdrv.dll", systemDriver())) << systemDriver();
        App app({}, simulated ? linkTarget(linkPath(LINKS[1])) : dir + "pellwick.exe");
        ASSERT_NE(app.mainWindow(), nullptr) << (simulated ? "the simulated shortcut's program" : "pellwick.exe");
        EXPECT_EQ(app.text(IDC_LBLINFO).rfind("FirmwareVer=", 0), 0u) << app.text(IDC_LBLINFO);
    }

    ASSERT_TRUE(uninstall()) << "the silent uninstall did not remove the folder and the entry";
    EXPECT_FALSE(exists(linkPath(LINKS[0])) || exists(linkPath(LINKS[1])) || exists(linkPath(LINKS[2])));
    EXPECT_EQ(readFile(systemDriver()), readFile(binDir() + "tavrixdrv.dll"))
        << "the uninstaller touched the system folder's driver";
}

TEST_F(Installer, WithoutTheSwitchLeavesTheSimulatorOut)
{
    ASSERT_EQ(install(PELLWICK_VERSION), 0u);
    EXPECT_TRUE(exists(installDir() + "pellwick.exe") && exists(linkPath(LINKS[0])));
    EXPECT_FALSE(exists(installDir() + "Simulator") || exists(linkPath(LINKS[1])) || exists(linkPath(LINKS[2])));
}

TEST_F(Installer, UpgradeLeavesOneEntryAndOnlyTheNewFiles)
{
    // The older package has one more file, CHANGES.txt, and its own README.
    ASSERT_EQ(install(PELLWICK_PREVIOUS_VERSION, "/SIMULATOR"), 0u);
    ASSERT_EQ(entryString("DisplayVersion"), PELLWICK_PREVIOUS_VERSION);
    ASSERT_TRUE(exists(installDir() + "CHANGES.txt"));

    ASSERT_EQ(install(PELLWICK_VERSION), 0u);
    EXPECT_EQ(entriesNamedPellwick(), 1);
    EXPECT_EQ(entryString("DisplayVersion"), PELLWICK_VERSION);
    EXPECT_FALSE(exists(installDir() + "CHANGES.txt")) << "the older version's own file stayed";
    EXPECT_NE(readFile(installDir() + "README.txt").find("Pellwick " PELLWICK_VERSION), std::string::npos)
        << "README.txt is not the new version's";
    EXPECT_TRUE(exists(installDir() + "uninstall.exe"));
    EXPECT_TRUE(exists(installDir() + "Simulator\\tavrixsim.exe") && exists(linkPath(LINKS[2])))
        << "the upgrade dropped the simulated Tavrix that the older installation had";
}
