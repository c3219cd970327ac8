// The lines of a log as they are, for the documents of fix epochs: unlike
// the text-mode reader of the plain document, a Ctrl-Z in a receiver's binary
// messages does not end the log. Inline: it is on the way of every line.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "byte_io.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace conversion {

// The lines of a log, split at line feeds, read in large blocks. A line
// longer than kMaxLine is no sentence of ours: only its start is kept.
class RawLineReader {
  public:
    static constexpr size_t kBlock = 1 << 20;
    static constexpr size_t kMaxLine = 1024;

    explicit RawLineReader(ByteSource &source) : source_(source), block_(new char[kBlock]) {}

    // The next line; `star` is where its first "*" is, npos without one.
    bool Next(std::string_view &line, size_t &star) {
        carry_.clear();
        for (;;) {
            if (pos_ == end_ && !Refill()) {
                if (carry_.empty() && !partial_) return false;
                partial_ = false;
                ++line_;
                line = carry_;
                star = line.find('*');
                return true;
            }
            const char *from = block_.get() + pos_;
            const char *firstStar = nullptr;
            const char *feed = LineEnd(from, block_.get() + end_, firstStar);
            const size_t n = feed ? static_cast<size_t>(feed - from) : end_ - pos_;
            pos_ += feed ? n + 1 : n;
            ++line_;
            if (feed && carry_.empty() && !partial_) {
                line = std::string_view(from, n);
                star = firstStar ? static_cast<size_t>(firstStar - from) : std::string_view::npos;
                return true;
            }
            carry_.append(from, std::min(n, kMaxLine - std::min(kMaxLine, carry_.size())));
            if (feed) {
                partial_ = false;
                line = carry_;
                star = line.find('*');
                return true;
            }
            --line_; // the line goes on in the next block
            partial_ = true;
        }
    }
    uint64_t LineNumber() const { return line_; }
    bool Failed() const { return failed_; }
    int Error() const { return source_.Error(); }

  private:
    // The first line feed in [from, end), or nullptr; `star` the first "*"
    // before it, or nullptr. One pass for both: every line is searched for
    // its end and for its checksum's star, sixteen characters at a time.
    static const char *LineEnd(const char *from, const char *end, const char *&star) {
#if defined(__SSE2__)
        const __m128i feeds = _mm_set1_epi8('\n'), stars = _mm_set1_epi8('*');
        for (; end - from >= 16; from += 16) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from));
            const auto feedBits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, feeds)));
            auto starBits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, stars)));
            if (feedBits != 0) starBits &= (feedBits & -feedBits) - 1; // the stars before the feed
            if (star == nullptr && starBits != 0) star = from + std::countr_zero(starBits);
            if (feedBits != 0) return from + std::countr_zero(feedBits);
        }
#endif
        for (; from < end; ++from) {
            if (*from == '\n') return from;
            if (*from == '*' && star == nullptr) star = from;
        }
        return nullptr;
    }

    bool Refill() {
        if (ended_) return false;
        const long n = source_.Read(block_.get(), kBlock);
        if (n <= 0) {
            failed_ = n < 0;
            ended_ = true;
            return false;
        }
        pos_ = 0;
        end_ = static_cast<size_t>(n);
        return true;
    }

    ByteSource &source_;
    std::unique_ptr<char[]> block_;
    size_t pos_ = 0, end_ = 0;
    std::string carry_;
    bool partial_ = false; // carry_ holds the start of a line, maybe empty of text
    bool ended_ = false, failed_ = false;
    uint64_t line_ = 0;
};

} // namespace conversion
