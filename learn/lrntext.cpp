#include "lrntext.h"

#include <cstring>

namespace lrntext {

std::string cutAtNul(const std::string& text)
{
    size_t nul = text.find('\0');
    return nul == std::string::npos ? text : text.substr(0, nul);
}

std::string bufferToText(const char* buffer, size_t size)
{
    return cutAtNul(std::string(buffer, size));
}

void writeCommandWord(char* buffer, size_t size, const char* word)
{
    size_t n = std::strlen(word);
    if (n + 1 > size)
        return;
    std::memcpy(buffer, word, n);
    buffer[n] = '\0';
}

size_t maxInjectLength(size_t bufferSize)
{
    return bufferSize == 0 ? 0 : bufferSize - 1;
}

bool writeInjection(char* buffer, size_t size, const std::string& text)
{
    if (size == 0 || text.size() > maxInjectLength(size))
        return false;
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    return true;
}

}  // namespace lrntext
