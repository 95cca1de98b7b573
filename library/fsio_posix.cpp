// The POSIX half of the file seam (fsio.h): the host tests' and fuzzers'.
#include "library/fsio.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

namespace library {
namespace fsio {

namespace {

bool failed(std::string* error, const std::string& what)
{
    if (error)
        *error = what + ": " + std::strerror(errno);
    return false;
}

bool writeAll(int fd, const std::string& bytes)
{
    for (size_t done = 0; done < bytes.size();) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

void pause(int ms)
{
    struct timespec t = {0, ms * 1000000L};
    nanosleep(&t, nullptr);
}

}  // namespace

const char LOCK_NAME[] = ".pellwick.lock";
const size_t MOST_FILES = 100000;
const int MOST_DEPTH = 32;

std::string join(const std::string& folder, const std::string& name)
{
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string temporaryName(const std::string& name)
{
    return "." + name + ".pellwick-tmp";
}

bool makeFolder(const std::string& path, std::string* error)
{
    struct stat st;
    if (::stat(path.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode) || (errno = ENOTDIR, failed(error, "cannot make the folder " + path));
    size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !makeFolder(path.substr(0, slash), error))
        return false;
    if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST)
        return failed(error, "cannot make the folder " + path);
    return true;
}

bool listJson(const std::string& folder, std::vector<std::string>* names, std::string* error)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return failed(error, "cannot read the folder " + folder);
    names->clear();
    while (struct dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name.size() < 5 || strcasecmp(name.c_str() + name.size() - 5, ".json") != 0)
            continue;
        struct stat st;
        if (::stat(join(folder, name).c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            continue;
        names->push_back(name);
    }
    ::closedir(dir);
    return true;
}

bool readFile(const std::string& path, std::string* bytes, std::string* error, bool* missing)
{
    if (missing)
        *missing = false;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (missing)
            *missing = errno == ENOENT;
        return failed(error, "cannot read " + path);
    }
    bytes->clear();
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            int saved = errno;
            ::close(fd);
            errno = saved;
            return failed(error, "cannot read " + path);
        }
        if (n == 0)
            break;
        bytes->append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return true;
}

bool exists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

bool fileSize(const std::string& path, unsigned long long* size)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return false;
    *size = static_cast<unsigned long long>(st.st_size);
    return true;
}

namespace {

bool listTreeUnder(const std::string& folder, const std::string& inside, int depth, std::vector<std::string>* files,
                   std::string* error)
{
    DIR* dir = ::opendir(join(folder, inside).c_str());
    if (!dir)
        return failed(error, "cannot read the folder " + join(folder, inside));
    while (struct dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name.empty() || name[0] == '.' || files->size() >= MOST_FILES)
            continue;
        std::string path = inside.empty() ? name : inside + "/" + name;
        struct stat st;
        if (::lstat(join(folder, path).c_str(), &st) != 0)
            continue;
        if (S_ISREG(st.st_mode))
            files->push_back(path);
        else if (S_ISDIR(st.st_mode) && depth < MOST_DEPTH)
            listTreeUnder(folder, path, depth + 1, files, nullptr);  // a folder that cannot be read is left out
    }
    ::closedir(dir);
    return true;
}

}  // namespace

bool listTree(const std::string& folder, std::vector<std::string>* files, std::string* error)
{
    files->clear();
    return listTreeUnder(folder, "", 0, files, error);
}

bool writeAtomic(const std::string& folder, const std::string& name, const std::string& bytes, std::string* error)
{
    std::string temporary = join(folder, temporaryName(name)), target = join(folder, name);
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return failed(error, "cannot write in the folder " + folder);
    if (!writeAll(fd, bytes) || ::fsync(fd) != 0) {
        int saved = errno;
        ::close(fd);
        ::unlink(temporary.c_str());
        errno = saved;
        return failed(error, "cannot write " + target);
    }
    if (::close(fd) != 0 || ::rename(temporary.c_str(), target.c_str()) != 0) {
        int saved = errno;
        ::unlink(temporary.c_str());
        errno = saved;
        return failed(error, "cannot replace " + target);
    }
    // The rename itself reaches the disk with the folder.
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool renameNew(const std::string& folder, const std::string& from, const std::string& to, std::string* error)
{
    std::string target = join(folder, to);
    // link() fails when the target exists, so no file is ever replaced.
    if (::link(join(folder, from).c_str(), target.c_str()) != 0)
        return failed(error, "cannot rename " + from + " to " + to);
    if (::unlink(join(folder, from).c_str()) != 0) {
        int saved = errno;
        ::unlink(target.c_str());
        errno = saved;
        return failed(error, "cannot rename " + from + " to " + to);
    }
    return true;
}

bool removeFile(const std::string& path, std::string* error)
{
    return ::unlink(path.c_str()) == 0 || failed(error, "cannot delete " + path);
}

bool FolderLock::acquire(const std::string& folder, int timeoutMs, std::string* error)
{
    release();
    std::string path = join(folder, LOCK_NAME);
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EACCES)
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);  // another user's lock file locks as well
    if (fd < 0)
        return failed(error, "cannot write in the folder " + folder);
    for (int waited = 0;; waited += 2) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            handle_ = fd;
            return true;
        }
        if (errno != EWOULDBLOCK && errno != EINTR)
            break;
        if (waited >= timeoutMs) {
            ::close(fd);
            if (error)
                *error = "another program is changing the library in " + folder;
            return false;
        }
        pause(2);
    }
    int saved = errno;
    ::close(fd);
    errno = saved;
    return failed(error, "cannot lock the library in " + folder);
}

void FolderLock::release()
{
    if (handle_ == INVALID)
        return;
    ::close(static_cast<int>(handle_));  // closing lets go of the lock
    handle_ = INVALID;
}

}  // namespace fsio
}  // namespace library
