#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <string>

#include "nmea/short_copy.h"

namespace nmea {
namespace {

// Both buffers are heap blocks of exactly n bytes, so that a move reaching
// past either end shows in the sanitizer build.
TEST(CopyShort, EveryLengthUpToSixteenAndSomeAbove) {
    for (size_t n : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 24, 31, 32, 33, 99}) {
        SCOPED_TRACE(n);
        auto from = std::make_unique<char[]>(n);
        auto to = std::make_unique<char[]>(n);
        for (size_t i = 0; i < n; ++i) {
            from[i] = static_cast<char>('A' + i % 26);
            to[i] = '.';
        }
        CopyShort(to.get(), from.get(), n);
        EXPECT_EQ(std::string(to.get(), n), std::string(from.get(), n));
    }
}

} // namespace
} // namespace nmea
