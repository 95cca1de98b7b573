#include "ui/savefile.h"

#include <windows.h>

namespace savefile {

namespace {

std::string systemMessage(DWORD code)
{
    char text[512] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                             sizeof text, nullptr);
    std::string s(text, n);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ' || s.back() == '.'))
        s.pop_back();
    return s.empty() ? "error " + std::to_string(code) : s;
}

bool fail(std::string* error, DWORD code)
{
    *error = systemMessage(code);
    return false;
}

}  // namespace

bool writeAtomically(const std::string& path, const std::string& bytes, std::string* error)
{
    size_t slash = path.find_last_of("\\/");
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    char temporary[MAX_PATH + 16] = {};
    if (!GetTempFileNameA(folder.c_str(), "pwk", 0, temporary))
        return fail(error, GetLastError());
    HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD code = GetLastError();
        DeleteFileA(temporary);
        return fail(error, code);
    }
    DWORD written = 0;
    bool ok = bytes.size() <= MAXDWORD &&
              WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size() && FlushFileBuffers(file);
    DWORD code = GetLastError();
    ok = CloseHandle(file) && ok;
    if (ok && MoveFileExA(temporary, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    code = ok ? GetLastError() : code;
    DeleteFileA(temporary);
    return fail(error, code);
}

}  // namespace savefile
