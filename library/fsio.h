// The few file operations the code library needs, behind one seam: the
// Windows half (fsio_win.cpp, wide-character calls) and the POSIX half
// (fsio_posix.cpp, what the host tests and fuzzers run). Paths are UTF-8.
// Every call returns false with a reason a user can read in *error.
#pragma once

#include <string>
#include <vector>

namespace library {
namespace fsio {

// folder + separator + name.
std::string join(const std::string& folder, const std::string& name);

// Makes the folder and any missing parents; true when it exists afterwards.
bool makeFolder(const std::string& path, std::string* error);
// The names of the folder's files (not folders) that end in ".json", in no
// particular order.
bool listJson(const std::string& folder, std::vector<std::string>* names, std::string* error);
// Reads a whole file; *missing (when given) tells a file that is not there
// from one that cannot be read.
bool readFile(const std::string& path, std::string* bytes, std::string* error, bool* missing = nullptr);
bool exists(const std::string& path);
// The size of a file in bytes; false when it cannot be found.
bool fileSize(const std::string& path, unsigned long long* size);
// The files of a folder and of the folders in it, as paths inside it
// ("TVs\Samsung.ir" on Windows, "TVs/Samsung.ir" elsewhere), in no
// particular order. Names that start with a dot (hidden files, a version
// control's folder) and links to elsewhere are left out; so is everything
// past the first 100,000 files and below 32 levels of folders.
bool listTree(const std::string& folder, std::vector<std::string>* files, std::string* error);

// Replaces (or creates) folder/name with bytes so that, whatever happens
// meanwhile (a crash, a kill, a power cut), the file holds either its old
// or its new bytes: the bytes go to a temporary file in the same folder,
// which is flushed to the disk and then put in the file's place in one step.
bool writeAtomic(const std::string& folder, const std::string& name, const std::string& bytes, std::string* error);
// Renames folder/from to folder/to, never over an existing file.
bool renameNew(const std::string& folder, const std::string& from, const std::string& to, std::string* error);
bool removeFile(const std::string& path, std::string* error);

#ifdef _WIN32
// UTF-8 to UTF-16 and back, as the Windows half and the windows use them.
std::wstring toWide(const std::string& utf8);
std::string fromWide(const std::wstring& wide);
#endif

// The name of the temporary file that writeAtomic uses for name.
std::string temporaryName(const std::string& name);

// An exclusive lock on a folder's library, held by at most one process at a
// time (through the lock file LOCK_NAME in it). The system lets go of it when
// its process ends, however it ends.
extern const char LOCK_NAME[];
class FolderLock {
public:
    FolderLock() = default;
    ~FolderLock() { release(); }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Waits up to timeoutMs for the lock; false with the reason when it
    // cannot be had (the folder cannot be written, another process holds it).
    bool acquire(const std::string& folder, int timeoutMs, std::string* error);
    void release();
    bool held() const { return handle_ != INVALID; }

private:
    static const long long INVALID = -1;
    long long handle_ = INVALID;
};

}  // namespace fsio
}  // namespace library
