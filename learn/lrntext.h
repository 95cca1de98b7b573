// Text in the learn buffer shared with the driver.
#pragma once

#include <cstddef>
#include <string>

namespace lrntext {

// The text before the first NUL character, or the whole text without one.
std::string cutAtNul(const std::string& text);

// All bytes of the learn buffer as text (one character per byte), cut at its
// first NUL: a buffer without a NUL gives every byte.
std::string bufferToText(const char* buffer, size_t size);

// Writes a hook command word ("HOOKLEARN", "UNHKLEARN") and its NUL into
// bytes 0 to 9 of the buffer.
void writeCommandWord(char* buffer, size_t size, const char* word);

// Longest text an injection can hand the driver: the buffer less its NUL.
size_t maxInjectLength(size_t bufferSize);

// Writes text and its NUL into the buffer for an injection. Refuses (false,
// buffer untouched) a text that does not fit with its NUL.
bool writeInjection(char* buffer, size_t size, const std::string& text);

}  // namespace lrntext
