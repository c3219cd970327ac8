#include "line_reader.h"

#include <algorithm>
#include <cstring>

namespace conversion {

namespace {
constexpr char kCtrlZ = 26;

bool Plain(const char *p, size_t n) {
    return std::memchr(p, '\r', n) == nullptr && std::memchr(p, kCtrlZ, n) == nullptr;
}
} // namespace

LineReader::LineReader(ByteSource &source, size_t blockSize)
    : source_(source), block_(new char[blockSize]), capacity_(blockSize) {}

bool LineReader::Refill() {
    if (ended_) return false;
    const long n = source_.Read(block_.get(), capacity_);
    if (n <= 0) {
        failed_ = n < 0;
        ended_ = true;
        return false;
    }
    pos_ = 0;
    end_ = static_cast<size_t>(n);
    return true;
}

void LineReader::Emit(std::string_view piece, std::string_view &out) {
    if (lastEndedLine_) ++line_;
    lastEndedLine_ = piece.back() == '\n';
    out = piece;
}

bool LineReader::Next(std::string_view &out) {
    size_t length = 0;
    for (;;) {
        if (pos_ == end_ && !Refill()) break;
        const char *p = block_.get() + pos_;
        const size_t available = end_ - pos_;
        if (length == 0) {
            // Most logs end their lines in CR LF: the CR becomes the piece's LF
            // in place, so the line needs no copy.
            const size_t window = std::min(available, kMaxPiece + 1);
            const auto *end = static_cast<const char *>(std::memchr(p, '\n', window));
            if (end && end > p && end[-1] == '\r') {
                const auto n = static_cast<size_t>(end - p); // the piece: n - 1 bytes and LF
                if (n <= kMaxPiece && Plain(p, n - 1)) {
                    block_[pos_ + n - 1] = '\n';
                    pos_ += n + 1;
                    Emit(std::string_view(p, n), out);
                    return true;
                }
            }
            // Most lines lie whole in the block and hold nothing to drop.
            const size_t limit = std::min(available, kMaxPiece);
            const auto *lf = static_cast<const char *>(std::memchr(p, '\n', limit));
            const size_t n = lf ? static_cast<size_t>(lf - p) + 1 : limit;
            if ((lf || limit == kMaxPiece) && Plain(p, n)) {
                pos_ += n;
                Emit(std::string_view(p, n), out);
                return true;
            }
        }
        const char c = *p;
        ++pos_;
        if (c == '\r') continue;
        if (c == kCtrlZ) {
            ended_ = true;
            pos_ = end_ = 0;
            break;
        }
        piece_[length++] = c;
        if (c == '\n' || length == kMaxPiece) {
            Emit(std::string_view(piece_, length), out);
            return true;
        }
    }
    if (length == 0) return false;
    Emit(std::string_view(piece_, length), out);
    return true;
}

} // namespace conversion
