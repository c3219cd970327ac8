// Reads a log the way a text-mode stream does: carriage returns vanish, a
// Ctrl-Z ends the input, and every read hands on at most 99 characters up to
// and including the next line feed, so that longer lines arrive in pieces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "byte_io.h"

namespace conversion {

class LineReader {
  public:
    static constexpr size_t kMaxPiece = 99;
    static constexpr size_t kBlockSize = 1 << 20;

    explicit LineReader(ByteSource &source, size_t blockSize = kBlockSize);

    // The next piece, valid until the next call; false at the end of the input
    // or on a read error (see Failed).
    bool Next(std::string_view &piece);

    // The last piece's text: its length up to the first NUL byte, and whether
    // that text holds a "*". Found in the same pass that found the line's end.
    size_t TextLength() const { return textLength_; }
    bool HasStar() const { return hasStar_; }

    // The 1-based line of the log that the last piece came from: at the end,
    // the lines of the log, a last line without line feed included.
    uint64_t LineNumber() const { return line_; }
    bool Failed() const { return failed_; }
    int Error() const { return source_.Error(); }

  private:
    // Bytes readable behind the block's end, so that a line's scan may load
    // whole 16-byte chunks.
    static constexpr size_t kPadding = 128;

    bool Refill();
    bool NextWhole(std::string_view &out);
    void Emit(std::string_view piece, std::string_view &out);
    void EmitText(std::string_view piece, std::string_view &out, size_t nul, size_t star);

    ByteSource &source_;
    std::unique_ptr<char[]> block_;
    size_t capacity_;
    size_t pos_ = 0;
    size_t end_ = 0;
    char piece_[kMaxPiece];
    size_t textLength_ = 0;
    bool hasStar_ = false;
    uint64_t line_ = 0;
    bool lastEndedLine_ = true;
    bool ended_ = false;
    bool failed_ = false;
};

} // namespace conversion
