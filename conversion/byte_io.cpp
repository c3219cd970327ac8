#include "byte_io.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

#include <unistd.h>

namespace conversion {

long FdSource::Read(char *buffer, size_t capacity) {
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, capacity);
        if (n >= 0) {
            if (bytesRead_) bytesRead_->fetch_add(static_cast<uint64_t>(n), std::memory_order_relaxed);
            return static_cast<long>(n);
        }
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

struct OutputBuffer::Writer {
    std::mutex mutex;
    std::condition_variable changed;
    std::unique_ptr<char[]> spare; // the block not being filled
    const char *data = nullptr;    // a block handed over and not yet written
    size_t size = 0;
    bool stop = false;
    std::thread thread;
};

OutputBuffer::OutputBuffer(ByteSink &sink, size_t blockSize, Writes writes)
    : sink_(sink), block_(new char[blockSize]), capacity_(blockSize), writes_(writes) {}

OutputBuffer::~OutputBuffer() {
    if (!writer_) return;
    {
        std::lock_guard lock(writer_->mutex);
        writer_->stop = true;
    }
    writer_->changed.notify_all();
    if (writer_->thread.joinable()) writer_->thread.join();
}

void OutputBuffer::WriteBlock(const char *data, size_t size) {
    if (!failed_.load(std::memory_order_relaxed) && size > 0 && !sink_.Write(data, size))
        failed_.store(true, std::memory_order_release);
}

void OutputBuffer::StartWriter() {
    writer_->thread = std::thread([this] {
        Writer &w = *writer_;
        std::unique_lock lock(w.mutex);
        for (;;) {
            w.changed.wait(lock, [&] { return w.data != nullptr || w.stop; });
            if (w.data == nullptr) return;
            lock.unlock();
            WriteBlock(w.data, w.size);
            lock.lock();
            w.data = nullptr;
            w.changed.notify_all();
        }
    });
}

void OutputBuffer::Spill() {
    if (writes_ == Writes::InLine) {
        Flush();
        return;
    }
    if (!writer_) {
        writer_ = std::make_unique<Writer>();
        writer_->spare.reset(new char[capacity_]);
        try {
            StartWriter();
        } catch (const std::exception &) {
            // No thread to be had (a thread or memory limit): the blocks are written in line.
            writer_.reset();
            writes_ = Writes::InLine;
            Flush();
            return;
        }
    }
    Writer &w = *writer_;
    std::unique_lock lock(w.mutex);
    w.changed.wait(lock, [&] { return w.data == nullptr; });
    w.data = block_.get();
    w.size = used_;
    block_.swap(w.spare);
    used_ = 0;
    lock.unlock();
    w.changed.notify_all();
}

bool OutputBuffer::Flush() {
    if (writer_) {
        std::unique_lock lock(writer_->mutex);
        writer_->changed.wait(lock, [&] { return writer_->data == nullptr; });
    }
    WriteBlock(block_.get(), used_);
    used_ = 0;
    return !Failed();
}

void OutputBuffer::AppendSlow(std::string_view text) {
    while (!text.empty()) {
        if (used_ == capacity_) Spill();
        const size_t n = std::min(text.size(), capacity_ - used_);
        std::memcpy(block_.get() + used_, text.data(), n);
        used_ += n;
        text.remove_prefix(n);
    }
}

} // namespace conversion
