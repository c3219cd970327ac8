// The decoders' walk over one sentence: each read passes its cursor to the
// next and fails when the cursor comes back negative or beyond the sentence.
// A read hands its value to a store step at once, so that a decode failing
// part-way leaves the fields read before it stored.
#pragma once

#include <string_view>
#include <type_traits>

#include "context.h"
#include "field_readers.h"

namespace nmea {

class FieldWalker {
  public:
    explicit FieldWalker(const SentenceContext &ctx) : sentence_(ctx.CurrentSentence), limit_(ctx.SentenceLength) {}

    template <typename Store> bool Int(Store store) {
        int32_t v = 0;
        const Cursor next = scan::Int(NumberStart(), sentence_, v);
        return Take(next, store, v);
    }
    template <typename Store> bool Real(Store store) {
        double v = 0;
        const Cursor next = scan::Real(NumberStart(), sentence_, v);
        return Take(next, store, v);
    }
    // A store step for a text may return false to reject the sentence.
    template <typename Store> bool Text(Store store) {
        std::string_view v;
        const Cursor next = scan::TextView(cursor_, sentence_, v);
        return Take(next, store, v);
    }
    bool Hex(uint8_t &checksum) {
        uint8_t v = 0;
        const Cursor next = scan::Hex(cursor_, sentence_, v);
        return Take(
            next, [&](uint8_t x) { checksum = x; }, v);
    }

    Cursor Position() const { return cursor_; }

  private:
    // A number read from the start passes over the address "$GPGGA" to its
    // comma; from that comma the reader takes its fast path to the same value.
    Cursor NumberStart() const {
        if (cursor_ != 0 || sentence_.size() < 8 || sentence_[0] != '$' || sentence_[6] != ',') return cursor_;
        for (size_t i = 1; i < 6; ++i) {
            if (sentence_[i] < 'A' || sentence_[i] > 'Z') return cursor_;
        }
        return 6;
    }

    template <typename Store, typename T> bool Take(Cursor next, Store &&store, T value) {
        if (next < 0 || next > limit_) return false;
        cursor_ = next;
        if constexpr (std::is_same_v<std::invoke_result_t<Store &, T>, bool>) {
            return store(value);
        } else {
            store(value);
            return true;
        }
    }

    std::string_view sentence_;
    Cursor limit_;
    Cursor cursor_ = 0;
};

// The first character of a text field, or 0 for an empty field.
inline char Letter(std::string_view text) { return text.empty() ? '\0' : text.front(); }

// "S" or "W" makes the value negative; any other letter leaves it.
inline auto Hemisphere(double &value, char negative) {
    return [&value, negative](std::string_view letter) {
        if (Letter(letter) == negative) value = -value;
    };
}

// Fields whose value is not kept.
inline auto Ignore() {
    return [](auto) {};
}

} // namespace nmea
