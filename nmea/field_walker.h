// The placemark records' walk over one sentence: each read passes its cursor
// to the next. Where a field ends is where its reader stopped, as the
// records' texts require; the records store the fields read before a
// failure and none after it.
#pragma once

#include <cstdint>
#include <string_view>
#include <type_traits>

#include "context.h"
#include "field_readers.h"

namespace nmea {

// The reader of sentence_decoders.h for the placemark records: a walk over
// CurrentSentence that stops at the first field it cannot read.
class Walked {
  public:
    using Int = int32_t;
    using Real = double;
    using Text = std::string_view;

    explicit Walked(const SentenceContext &ctx)
        : sentence_(ctx.CurrentSentence), line_(ctx.LineBuffer), limit_(ctx.SentenceLength) {}

    // Inlined into the decoders, whose field walks run for every line.
    [[gnu::always_inline]] Walked &operator()(int32_t &field) {
        return Take(scan::Int(NumberStart(), sentence_, field));
    }
    [[gnu::always_inline]] Walked &operator()(double &field) {
        return Take(scan::Real(NumberStart(), sentence_, field));
    }
    Walked &operator()(std::string_view &field) { return Take(scan::TextView(cursor_, sentence_, field)); }
    // The name read as a text field, counted as none.
    Walked &Name() {
        std::string_view name;
        Take(scan::TextView(cursor_, sentence_, name));
        read_ = 0;
        return *this;
    }
    // The records read the checksum right after the original fields.
    template <typename T> Walked &Appended(T &) { return *this; }
    Walked &Checksum(uint8_t &sum) { return Take(scan::Hex(cursor_, sentence_, sum)); }
    bool AtEnd() const { return cursor_ >= 0 && cursor_ < limit_ && line_[cursor_] == '*'; }
    uint8_t Read() const { return read_; }
    // Whether every field was read.
    bool Whole() const { return cursor_ >= 0; }

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
    // A read fails when its cursor comes back negative or beyond the
    // sentence; the cursor is then negative, where every reader fails.
    Walked &Take(Cursor next) {
        const bool ok = next >= 0 && next <= limit_;
        cursor_ = ok ? next : -1;
        read_ += ok;
        return *this;
    }

    std::string_view sentence_;
    const char *line_;
    Cursor limit_;
    Cursor cursor_ = 0;
    uint8_t read_ = 0;
};

// Hands the fields a walk read, in the decoder's order, to a record's store
// steps: false at the first field the walk did not read or whose store step
// rejects it, so the record keeps what came before, as a walk stopped there.
class Apply {
  public:
    explicit Apply(uint8_t read) : left_(read) {}

    template <typename T, typename Store> bool operator()(const T &value, Store store) {
        if (left_ == 0) return false;
        --left_;
        if constexpr (std::is_same_v<std::invoke_result_t<Store &, const T &>, bool>) {
            return store(value);
        } else {
            store(value);
            return true;
        }
    }

  private:
    uint8_t left_;
};

// Apply for a walk that read every field: nothing to count.
struct ApplyWhole {
    template <typename T, typename Store> bool operator()(const T &value, Store store) const {
        if constexpr (std::is_same_v<std::invoke_result_t<Store &, const T &>, bool>) {
            return store(value);
        } else {
            store(value);
            return true;
        }
    }
};

// Runs a record's store steps over a decoder's value (sentence_decoders.h),
// `steps` taking an Apply or, for a whole sentence, an ApplyWhole.
template <typename Value, typename Steps> auto StoreFields(const Value &value, Steps steps) {
    return value.whole ? steps(ApplyWhole{}) : steps(Apply(value.read));
}

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
