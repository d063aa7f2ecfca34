// Samples to and from host files. Samples are written sparse: only their
// pieces, the rest of the length left as a hole.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "sample_builder.h"

namespace samples {

namespace {

bool Fail(std::string* error, const std::string& what, const std::string& path) {
    *error = what + " " + path + ": " + strerror(errno);
    return false;
}

bool WriteAll(int fd, const uint8_t* data, size_t count, off_t at) {
    while (count > 0) {
        ssize_t n = pwrite(fd, data, count, at);
        if (n <= 0) return false;
        data += n;
        count -= static_cast<size_t>(n);
        at += n;
    }
    return true;
}

}  // namespace

bool WriteSampleFile(const std::string& hostPath, const Sample& sample, std::string* error) {
    // A new file rather than a truncated one: ext4 flushes a file that was
    // truncated and rewritten when it is closed, which makes rewriting one
    // sample hundreds of times slow.
    unlink(hostPath.c_str());
    int fd = open(hostPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return Fail(error, "cannot create", hostPath);
    bool ok = true;
    for (const Piece& piece : sample.pieces) {
        if (piece.offset >= sample.size) continue;
        size_t count = std::min<size_t>(piece.bytes.size(), sample.size - piece.offset);
        ok = ok && WriteAll(fd, piece.bytes.data(), count, piece.offset);
    }
    ok = ok && ftruncate(fd, sample.size) == 0;
    ok = close(fd) == 0 && ok;
    return ok || Fail(error, "cannot write", hostPath);
}

bool WriteBytesFile(const std::string& hostPath, const std::vector<uint8_t>& bytes, std::string* error) {
    Sample sample;
    sample.size = static_cast<uint32_t>(bytes.size());
    sample.pieces.push_back(Piece{0, bytes});
    return WriteSampleFile(hostPath, sample, error);
}

bool ReadBytesFile(const std::string& hostPath, std::vector<uint8_t>* bytes, std::string* error) {
    int fd = open(hostPath.c_str(), O_RDONLY);
    if (fd < 0) return Fail(error, "cannot open", hostPath);
    bytes->clear();
    uint8_t buffer[65536];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) bytes->insert(bytes->end(), buffer, buffer + n);
    close(fd);
    return n == 0 || Fail(error, "cannot read", hostPath);
}

}  // namespace samples
