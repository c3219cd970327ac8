#include "byte_io.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace conversion {

long FdSource::Read(char *buffer, size_t capacity) {
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, capacity);
        if (n >= 0) return static_cast<long>(n);
        if (errno == EINTR) continue;
        error_ = errno;
        return -1;
    }
}

bool FdSink::Write(const char *data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd_, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            error_ = errno;
            return false;
        }
        if (n == 0) {
            error_ = EIO;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

long MemorySource::Read(char *buffer, size_t capacity) {
    const size_t n = std::min(capacity, bytes_.size());
    std::memcpy(buffer, bytes_.data(), n);
    bytes_.remove_prefix(n);
    return static_cast<long>(n);
}

OutputBuffer::OutputBuffer(ByteSink &sink, size_t blockSize)
    : sink_(sink), block_(new char[blockSize]), capacity_(blockSize) {}

bool OutputBuffer::Flush() {
    if (!failed_ && used_ > 0 && !sink_.Write(block_.get(), used_)) failed_ = true;
    used_ = 0;
    return !failed_;
}

void OutputBuffer::AppendSlow(std::string_view text) {
    while (!text.empty()) {
        if (used_ == capacity_) Flush();
        const size_t n = std::min(text.size(), capacity_ - used_);
        std::memcpy(block_.get() + used_, text.data(), n);
        used_ += n;
        text.remove_prefix(n);
    }
}

} // namespace conversion
