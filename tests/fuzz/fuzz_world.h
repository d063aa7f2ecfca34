// What every fuzzer shares: one simulated machine, reset before each
// input, with drive C: over a scratch host folder that starts empty, and a
// stand-in main window that checks every report line and status text it
// receives for a terminator inside its buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// Fresh winsim machine and program state; C: mapped to an empty folder.
void ResetWorld();
// Writes raw bytes as the file at a Windows path on C:.
bool WriteWindowsFile(const std::string& windowsPath, const uint8_t* data, size_t size);
bool ReadWindowsFile(const std::string& windowsPath, std::string* contents);
size_t ReportLinesSeen();
// From now until the next reset, a status text longer than this is a failure.
void SetStatusLimit(size_t characters);

// A failed expectation is a crash for libFuzzer: the message says which.
void Check(bool condition, const char* what);

// Splits one fuzzer input into fields, front to back; reading past the end
// yields zeros and empty texts.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t Byte();
    uint16_t Word();
    uint32_t Dword();
    // Up to `limit` bytes, ended early by a zero byte (which is consumed).
    std::string Text(size_t limit);
    // Exactly `count` bytes, zeros included (fewer at the end of the input).
    std::string Bytes(size_t count);
    // Everything not read yet.
    std::string Rest();
    size_t Left() const { return size_ - used_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t used_ = 0;
};

}  // namespace fuzz
