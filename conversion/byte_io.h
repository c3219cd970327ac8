// Where a conversion reads from and writes to: files, standard streams or
// memory. Errors are kept as errno values for the caller to show.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "nmea/short_copy.h"

namespace conversion {

class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // Bytes read (0 at the end), or -1 on an error kept in Error().
    virtual long Read(char *buffer, size_t capacity) = 0;
    int Error() const { return error_; }

  protected:
    int error_ = 0;
};

class ByteSink {
  public:
    virtual ~ByteSink() = default;
    // All bytes or false, with the cause kept in Error().
    virtual bool Write(const char *data, size_t size) = 0;
    int Error() const { return error_; }

  protected:
    int error_ = 0;
};

class FdSource : public ByteSource {
  public:
    // `bytesRead`, when given, grows by each block read, for a progress display.
    explicit FdSource(int fd, std::atomic<uint64_t> *bytesRead = nullptr) : fd_(fd), bytesRead_(bytesRead) {}
    long Read(char *buffer, size_t capacity) override;

  private:
    int fd_;
    std::atomic<uint64_t> *bytesRead_;
};

class FdSink : public ByteSink {
  public:
    explicit FdSink(int fd) : fd_(fd) {}
    bool Write(const char *data, size_t size) override;

  private:
    int fd_;
};

class MemorySource : public ByteSource {
  public:
    explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
    long Read(char *buffer, size_t capacity) override;

  private:
    std::string_view bytes_;
};

class MemorySink : public ByteSink {
  public:
    bool Write(const char *data, size_t size) override {
        bytes.append(data, size);
        return true;
    }
    std::string bytes;
};

// Collects the output and hands it on in large blocks. In the background
// mode a second thread writes each full block while the next one fills, so
// that the conversion does not wait for the system's copy of its output; the
// thread starts with the first full block.
class OutputBuffer {
  public:
    // A block that stays in the filling core's cache: the system copies a
    // 128 KiB write into its page cache several times faster per byte than a
    // 1 MiB one, so the writer thread keeps up with the conversion.
    static constexpr size_t kBlockSize = 128 << 10;

    enum class Writes { InLine, InBackground };

    explicit OutputBuffer(ByteSink &sink, size_t blockSize = kBlockSize, Writes writes = Writes::InLine);
    ~OutputBuffer();
    OutputBuffer(const OutputBuffer &) = delete;
    OutputBuffer &operator=(const OutputBuffer &) = delete;

    void Append(std::string_view text) {
        if (text.size() <= capacity_ - used_) {
            std::char_traits<char>::copy(block_.get() + used_, text.data(), text.size());
            used_ += text.size();
        } else {
            AppendSlow(text);
        }
    }
    // A text of a few characters (most display texts), copied in fixed-size
    // moves instead of a library call.
    void AppendShort(std::string_view text) {
        const size_t n = text.size();
        if (n > 16 || capacity_ - used_ < n) {
            Append(text);
            return;
        }
        nmea::CopyShort(block_.get() + used_, text.data(), n);
        used_ += n;
    }
    void Append(char c) {
        if (used_ == capacity_) Spill();
        block_[used_++] = c;
    }
    // From here on each full block is written by the thread that filled it:
    // for a caller that fills it on a thread of its own already.
    void WriteInLine() {
        if (!writer_) writes_ = Writes::InLine;
    }
    // Writes out what is held and waits until it is written; false once any
    // write has failed.
    bool Flush();
    // A failed background write shows here by the time the next block is full.
    bool Failed() const { return failed_.load(std::memory_order_acquire); }
    int Error() const { return sink_.Error(); }

  private:
    struct Writer;

    void AppendSlow(std::string_view text);
    // The block is full: written now, or handed to the writer thread.
    void Spill();
    void StartWriter();
    void WriteBlock(const char *data, size_t size);

    ByteSink &sink_;
    std::unique_ptr<char[]> block_;
    size_t capacity_;
    size_t used_ = 0;
    std::atomic<bool> failed_{false};
    Writes writes_;
    std::unique_ptr<Writer> writer_;
};

} // namespace conversion
