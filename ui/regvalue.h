// Turning a registry value, as read into the About box's fixed buffer, into
// the text the system-information launcher works with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace regvalue {

enum { BUFFER_SIZE = 1024 };
enum : uint32_t { TYPE_TEXT = 1, TYPE_NUMBER = 4 };

enum class Result {
    Ok,
    NoTerminator,  // the value fills the whole buffer with no NUL: it cannot be cut
};

// buffer: bufferSize bytes as the registry left them (zero-filled beforehand);
// valueSize: the size the registry reported. Text values become the buffer's
// text up to its first NUL; 32-bit numbers become "&h" and two upper-case
// hexadecimal digits per byte, last byte first ("&h0000002A"). Other types
// leave keyValue as it came in.
Result format(uint32_t type, const unsigned char* buffer, size_t bufferSize, size_t valueSize,
              std::string& keyValue);

}  // namespace regvalue
