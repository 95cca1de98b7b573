#include "regvalue.h"

#include <cstring>

namespace regvalue {

Result format(uint32_t type, const unsigned char* buffer, size_t bufferSize, size_t valueSize,
              std::string& keyValue)
{
    const void* nul = std::memchr(buffer, 0, bufferSize);
    if (!nul)
        return Result::NoTerminator;
    std::string text(reinterpret_cast<const char*>(buffer),
                     static_cast<const unsigned char*>(nul) - buffer);

    if (type == TYPE_TEXT) {
        keyValue = text;
    } else if (type == TYPE_NUMBER) {
        static const char DIGITS[] = "0123456789ABCDEF";
        size_t size = valueSize < bufferSize ? valueSize : bufferSize;
        keyValue = "&h";
        for (size_t i = size; i-- > 0;) {
            keyValue += DIGITS[buffer[i] >> 4];
            keyValue += DIGITS[buffer[i] & 0x0F];
        }
    }
    return Result::Ok;
}

}  // namespace regvalue
