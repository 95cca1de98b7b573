#include <cinttypes>
#include <cstdio>

#include "sim/driver.h"

namespace drv {

namespace {
const char LOG_LOCK_NAME[] = "Local\\TavrixSimLogLock";
}

void CallLog::open(const std::string& path)
{
    if (path.empty())
        return;
    // Shared for reading and writing: the tests read the log while programs
    // are still appending to it.
    file_ = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ != INVALID_HANDLE_VALUE)
        lock_ = CreateMutexA(nullptr, FALSE, LOG_LOCK_NAME);
}

void CallLog::write(const std::string& body)
{
    if (file_ == INVALID_HANDLE_VALUE)
        return;
    std::string line = "pid=" + std::to_string(GetCurrentProcessId()) + " " + body + "\n";
    if (lock_)
        WaitForSingleObject(lock_, INFINITE);
    // Every process appends: find the end again under the lock.
    SetFilePointer(file_, 0, nullptr, FILE_END);
    DWORD written = 0;
    WriteFile(file_, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    if (lock_)
        ReleaseMutex(lock_);
}

std::string hexAddress(const volatile void* address)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%08" PRIXPTR, reinterpret_cast<uintptr_t>(address));
    return text;
}

LogLine& LogLine::num(const char* name, int64_t value)
{
    text_ += std::string(" ") + name + "=" + std::to_string(value);
    return *this;
}

LogLine& LogLine::addr(const char* name, const volatile void* address)
{
    text_ += std::string(" ") + name + "=" + hexAddress(address);
    return *this;
}

LogLine& LogLine::text(const char* name, const char* bytes, size_t length)
{
    text_ += std::string(" ") + name + "=" + simtext::quoted(bytes, length);
    return *this;
}

LogLine& LogLine::result(int64_t value)
{
    text_ += " -> " + std::to_string(value);
    return *this;
}

LogLine& LogLine::lastError(uint32_t error)
{
    text_ += " lastError=" + std::to_string(error);
    return *this;
}

}  // namespace drv
