#include "line_reader.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace conversion {

namespace {
constexpr char kCtrlZ = 26;
constexpr size_t kNone = static_cast<size_t>(-1);

// First positions in p[0, window) of a line feed, of a CR or Ctrl-Z, of a NUL
// and of a "*" (kNone when absent); the scan stops at the line feed's chunk.
struct Marks {
    size_t lf = kNone;
    size_t special = kNone;
    size_t nul = kNone;
    size_t star = kNone;
};

#if defined(__SSE2__)
// p may be read 16-byte chunk-wise beyond the window (the block's padding).
Marks FindMarks(const char *p, size_t window) {
    Marks m;
    const __m128i lf = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r'), eof = _mm_set1_epi8(kCtrlZ);
    const __m128i nul = _mm_setzero_si128(), star = _mm_set1_epi8('*');
    for (size_t at = 0; at < window; at += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + at));
        const __m128i feeds = _mm_cmpeq_epi8(v, lf),
                      special = _mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, eof));
        const __m128i zero = _mm_cmpeq_epi8(v, nul), stars = _mm_cmpeq_epi8(v, star);
        const unsigned valid = at + 16 <= window ? 0xFFFFu : (1u << (window - at)) - 1;
        const auto bits = [&](__m128i eq) { return static_cast<unsigned>(_mm_movemask_epi8(eq)) & valid; };
        // Most chunks of a line hold none of the five.
        if (bits(_mm_or_si128(_mm_or_si128(feeds, special), _mm_or_si128(zero, stars))) == 0) continue;
        const auto first = [&](size_t &mark, unsigned hits) {
            if (hits != 0 && mark == kNone) mark = at + static_cast<size_t>(std::countr_zero(hits));
        };
        first(m.special, bits(special));
        first(m.nul, bits(zero));
        first(m.star, bits(stars));
        if (const unsigned hits = bits(feeds)) {
            m.lf = at + static_cast<size_t>(std::countr_zero(hits));
            break;
        }
    }
    return m;
}
#else
Marks FindMarks(const char *p, size_t window) {
    const auto find = [&](char c, size_t n) {
        const void *hit = std::memchr(p, c, n);
        return hit ? static_cast<size_t>(static_cast<const char *>(hit) - p) : kNone;
    };
    Marks m;
    m.lf = find('\n', window);
    const size_t n = m.lf == kNone ? window : m.lf;
    m.special = std::min(find('\r', n), find(kCtrlZ, n));
    m.nul = find('\0', n);
    m.star = find('*', n);
    return m;
}
#endif
} // namespace

LineReader::LineReader(ByteSource &source, size_t blockSize)
    : source_(source), block_(new char[blockSize + kPadding]), capacity_(blockSize) {}

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
    // A line's scan may load up to 15 bytes past the data; they are masked
    // off, but should not be left unset.
    std::memset(block_.get() + end_, 0, kPadding);
    return true;
}

void LineReader::Emit(std::string_view piece, std::string_view &out) {
    if (lastEndedLine_) ++line_;
    lastEndedLine_ = piece.back() == '\n';
    out = piece;
}

void LineReader::EmitText(std::string_view piece, std::string_view &out, size_t nul, size_t star) {
    textLength_ = std::min(nul, piece.size());
    hasStar_ = star < textLength_;
    Emit(piece, out);
}

// The common case: the line lies whole in the block and holds no CR or Ctrl-Z
// other than the CR before its line feed.
bool LineReader::NextWhole(std::string_view &out) {
    char *const p = block_.get() + pos_;
    const size_t available = end_ - pos_;
    const Marks m = FindMarks(p, std::min(available, kMaxPiece + 1));
    if (m.lf != kNone && m.lf > 0 && p[m.lf - 1] == '\r' && m.special == m.lf - 1) {
        // CR LF: the CR becomes the piece's LF in place, so the line needs no copy.
        const size_t n = m.lf;
        p[n - 1] = '\n';
        pos_ += n + 1;
        EmitText(std::string_view(p, n), out, m.nul < n - 1 ? m.nul : kNone, m.star);
        return true;
    }
    // A line feed, or else 99 characters, ends the piece; a CR or Ctrl-Z in it
    // needs the character loop.
    if (m.lf < kMaxPiece) {
        if (m.special < m.lf) return false;
        const size_t n = m.lf + 1;
        pos_ += n;
        EmitText(std::string_view(p, n), out, m.nul, m.star);
        return true;
    }
    if (available >= kMaxPiece && m.special >= kMaxPiece) {
        pos_ += kMaxPiece;
        EmitText(std::string_view(p, kMaxPiece), out, m.nul, m.star);
        return true;
    }
    return false;
}

bool LineReader::Next(std::string_view &out) {
    size_t length = 0;
    for (;;) {
        if (pos_ == end_ && !Refill()) break;
        if (length == 0 && NextWhole(out)) return true;
        const char c = block_[pos_++];
        if (c == '\r') continue;
        if (c == kCtrlZ) {
            ended_ = true;
            pos_ = end_ = 0;
            break;
        }
        piece_[length++] = c;
        if (c == '\n' || length == kMaxPiece) break;
    }
    if (length == 0) return false;
    const std::string_view piece(piece_, length);
    const size_t nul = piece.find('\0'), star = piece.find('*');
    EmitText(piece, out, nul == piece.npos ? kNone : nul, star == piece.npos ? kNone : star);
    return true;
}

} // namespace conversion
