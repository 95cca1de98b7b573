#include "driver.h"

#include <string>

#include "app/fatal.h"
#include "app/startmarks.h"

namespace driver {

static const char LIBRARY_NAME[] = "tavrixdrv.dll";

// Full path of name in the folder that holds dir's file, or in dir itself.
static std::string folderOf(const char* path)
{
    std::string p(path);
    size_t slash = p.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : p.substr(0, slash + 1);
}

static HMODULE loadFrom(const std::string& folder)
{
    if (folder.empty())
        return nullptr;
    std::string path = folder + LIBRARY_NAME;
    // With a full path, LOAD_WITH_ALTERED_SEARCH_PATH makes the library's own
    // folder, not ours or the current one, the start of its dependencies'
    // search.
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

static HMODULE loadLibrary(DWORD* error)
{
    char path[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    HMODULE module = nullptr;
    *error = ERROR_MOD_NOT_FOUND;
    if (n > 0 && n < MAX_PATH) {
        module = loadFrom(folderOf(path));
        if (!module)
            *error = GetLastError();
    }
    if (!module) {
        char system[MAX_PATH + 1] = {};
        UINT len = GetSystemDirectoryA(system, MAX_PATH);
        if (len > 0 && len < MAX_PATH) {
            module = loadFrom(std::string(system) + "\\");
            if (!module && *error == ERROR_MOD_NOT_FOUND)
                *error = GetLastError();
        }
    }
    return module;
}

const Table& table()
{
    static Table bound;
    static bool loaded = false;
    if (loaded)
        return bound;

    DWORD error = 0;
    START_MARK("before the driver library");
    HMODULE module = loadLibrary(&error);
    START_MARK("driver library loaded");
    if (!module) {
        fatalMessage("Unable to load the Tavrix driver library " + std::string(LIBRARY_NAME) +
                     " (error " + std::to_string(error) +
                     ")!  Please make sure the Tavrix driver is installed!");
    }
#define TAVRIX_BIND(result, name, params) \
    bound.name = reinterpret_cast<result(TAVRIX_API*) params>(    \
        reinterpret_cast<void*>(GetProcAddress(module, #name)));
    TAVRIX_FUNCTIONS(TAVRIX_BIND)
#undef TAVRIX_BIND
    loaded = true;
    START_MARK("driver functions bound");
    return bound;
}

}  // namespace driver
