// The Windows half of the file seam (fsio.h): wide-character calls, so that
// names in any script work, with paths given in UTF-8.
#include "library/fsio.h"

#include <windows.h>

namespace library {
namespace fsio {

namespace {

std::wstring wide(const std::string& utf8) { return toWide(utf8); }

std::string narrow(const wchar_t* w) { return fromWide(w); }

// The system's words for the last error, without the line end.
bool failed(std::string* error, const std::string& what, DWORD code = GetLastError())
{
    if (!error)
        return false;
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string reason = text ? narrow(text) : "error " + std::to_string(code);
    if (text)
        LocalFree(text);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == '.'))
        reason.pop_back();
    *error = what + ": " + reason;
    return false;
}

bool isFolder(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

const char LOCK_NAME[] = ".pellwick.lock";
const size_t MOST_FILES = 100000;
const int MOST_DEPTH = 32;

std::wstring toWide(const std::string& utf8)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring w(n > 0 ? static_cast<size_t>(n) : 0, L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &w[0], n);
    return w;
}

std::string fromWide(const std::wstring& w)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
    return s;
}

std::string join(const std::string& folder, const std::string& name)
{
    return folder.empty() || folder.back() == '\\' || folder.back() == '/' ? folder + name : folder + "\\" + name;
}

std::string temporaryName(const std::string& name)
{
    return "." + name + ".pellwick-tmp";
}

bool makeFolder(const std::string& path, std::string* error)
{
    std::wstring w = wide(path);
    if (isFolder(w))
        return true;
    size_t slash = path.find_last_of("\\/");
    if (slash != std::string::npos && slash > 2 && !makeFolder(path.substr(0, slash), error))
        return false;
    if (!CreateDirectoryW(w.c_str(), nullptr) && !isFolder(w))
        return failed(error, "cannot make the folder " + path);
    return true;
}

bool listJson(const std::string& folder, std::vector<std::string>* names, std::string* error)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(wide(join(folder, "*.json")).c_str(), &found);
    names->clear();
    if (search == INVALID_HANDLE_VALUE) {
        DWORD code = GetLastError();
        return code == ERROR_FILE_NOT_FOUND || failed(error, "cannot read the folder " + folder, code);
    }
    do {
        std::string name = narrow(found.cFileName);
        // The pattern also finds "x.jsonx" through short names: the name must end so.
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name.size() >= 5 &&
            lstrcmpiA(name.c_str() + name.size() - 5, ".json") == 0)
            names->push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return true;
}

bool readFile(const std::string& path, std::string* bytes, std::string* error, bool* missing)
{
    if (missing)
        *missing = false;
    // Others may read, write, rename and replace it meanwhile: a reader
    // never stands in the way of another Pellwick's atomic replace.
    HANDLE file = CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD code = GetLastError();
        if (missing)
            *missing = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
        return failed(error, "cannot read " + path, code);
    }
    bytes->clear();
    char buffer[65536];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(file, buffer, sizeof buffer, &got, nullptr) != FALSE) && got > 0)
        bytes->append(buffer, got);
    DWORD code = GetLastError();
    CloseHandle(file);
    return ok || failed(error, "cannot read " + path, code);
}

bool exists(const std::string& path)
{
    return GetFileAttributesW(wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool fileSize(const std::string& path, unsigned long long* size)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(wide(path).c_str(), GetFileExInfoStandard, &data))
        return false;
    *size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

namespace {

bool listTreeUnder(const std::string& folder, const std::string& inside, int depth, std::vector<std::string>* files,
                   std::string* error)
{
    WIN32_FIND_DATAW found;
    std::string where = inside.empty() ? folder : join(folder, inside);
    HANDLE search = FindFirstFileW(wide(join(where, "*")).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        DWORD code = GetLastError();
        return code == ERROR_FILE_NOT_FOUND || failed(error, "cannot read the folder " + where, code);
    }
    do {
        std::string name = narrow(found.cFileName);
        // A junction or a link may lead back up the tree, or anywhere.
        if (name.empty() || name[0] == '.' || (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
            files->size() >= MOST_FILES)
            continue;
        std::string path = inside.empty() ? name : inside + "\\" + name;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            files->push_back(path);
        else if (depth < MOST_DEPTH)
            listTreeUnder(folder, path, depth + 1, files, nullptr);  // a folder that cannot be read is left out
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return true;
}

}  // namespace

bool listTree(const std::string& folder, std::vector<std::string>* files, std::string* error)
{
    files->clear();
    if (!isFolder(wide(folder)))
        return failed(error, "cannot read the folder " + folder, ERROR_PATH_NOT_FOUND);
    return listTreeUnder(folder, "", 0, files, error);
}

bool writeAtomic(const std::string& folder, const std::string& name, const std::string& bytes, std::string* error)
{
    std::wstring temporary = wide(join(folder, temporaryName(name))), target = wide(join(folder, name));
    // Plain attributes: they go with the file when it takes the old one's place.
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return failed(error, "cannot write in the folder " + folder);
    DWORD written = 0;
    bool ok = true;
    for (size_t done = 0; ok && done < bytes.size(); done += written) {
        DWORD chunk = bytes.size() - done > 1u << 20 ? 1u << 20 : static_cast<DWORD>(bytes.size() - done);
        ok = WriteFile(file, bytes.data() + done, chunk, &written, nullptr) && written > 0;
    }
    ok = ok && FlushFileBuffers(file);
    DWORD code = GetLastError();
    CloseHandle(file);
    if (!ok) {
        DeleteFileW(temporary.c_str());
        return failed(error, "cannot write " + join(folder, name), code);
    }
    // A program that has the file open without sharing its deletion (an
    // editor, a virus scanner) holds the replace up for a moment: try again
    // for a little while before giving up.
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        code = GetLastError();
        if (code != ERROR_SHARING_VIOLATION && code != ERROR_ACCESS_DENIED && code != ERROR_LOCK_VIOLATION)
            break;
        Sleep(10);
    }
    DeleteFileW(temporary.c_str());
    return failed(error, "cannot replace " + join(folder, name), code);
}

bool renameNew(const std::string& folder, const std::string& from, const std::string& to, std::string* error)
{
    return MoveFileExW(wide(join(folder, from)).c_str(), wide(join(folder, to)).c_str(), MOVEFILE_WRITE_THROUGH) ||
           failed(error, "cannot rename " + from + " to " + to);
}

bool removeFile(const std::string& path, std::string* error)
{
    return DeleteFileW(wide(path).c_str()) || failed(error, "cannot delete " + path);
}

bool FolderLock::acquire(const std::string& folder, int timeoutMs, std::string* error)
{
    release();
    std::wstring path = wide(join(folder, LOCK_NAME));
    for (int waited = 0;; waited += 2) {
        // Opened without sharing: a second opener fails until this handle
        // is closed, which the system does when the process ends.
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_HIDDEN, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            handle_ = reinterpret_cast<intptr_t>(file);
            return true;
        }
        DWORD code = GetLastError();
        if (code != ERROR_SHARING_VIOLATION)
            return failed(error, "cannot write in the folder " + folder, code);
        if (waited >= timeoutMs) {
            if (error)
                *error = "another program is changing the library in " + folder;
            return false;
        }
        Sleep(2);
    }
}

void FolderLock::release()
{
    if (handle_ == INVALID)
        return;
    CloseHandle(reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle_)));
    handle_ = INVALID;
}

}  // namespace fsio
}  // namespace library
