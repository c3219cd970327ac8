// Shared helpers of the decoding tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "nmea/context.h"
#include "nmea/decoders.h"
#include "nmea/dispatch.h"

namespace nmea_test {

// Hands one line to the dispatcher the way the conversion run does.
inline uint8_t Feed(nmea::SentenceContext &ctx, std::string_view line) {
    ctx.SetSentence(line);
    return nmea::ParseSentence(ctx);
}

// Loads a line for a decoder called directly.
inline nmea::SentenceContext &Load(nmea::SentenceContext &ctx, std::string_view line) {
    ctx.SetSentence(line);
    return ctx;
}

// One decoder row: the sentences in `before` set the record up, then `line`
// is decoded and its result and record checked.
template <typename Record> struct DecodeCase {
    const char *name;
    std::vector<std::string_view> before;
    std::string_view line;
    uint8_t result;
    std::function<void(const Record &)> check;
};

template <typename Record>
void RunDecodeCases(const std::vector<DecodeCase<Record>> &cases,
                    uint8_t (*decode)(nmea::SentenceContext &),
                    Record nmea::NMEA_Manager::*member) {
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        nmea::SentenceContext ctx;
        for (std::string_view b : c.before)
            decode(Load(ctx, b));
        EXPECT_EQ(decode(Load(ctx, c.line)), c.result);
        c.check(ctx.Manager.*member);
    }
}

} // namespace nmea_test
