// A conversion allocates what it needs once: a log a hundred times longer
// must not cost a single allocation more, whatever the options and however
// the output is written.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "conversion_test_support.h"

namespace {

std::atomic<bool> gCounting{false};
std::atomic<size_t> gAllocations{0};

} // namespace

// Counts the allocations of this test program while a count is running.
// Kept out of line, so that the compiler pairs each new with a delete and
// never sees the malloc and free inside.
[[gnu::noinline]] void *operator new(size_t size) {
    if (gCounting.load(std::memory_order_relaxed)) gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void *p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
[[gnu::noinline]] void *operator new[](size_t size) { return ::operator new(size); }
[[gnu::noinline]] void operator delete(void *p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void *p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void *p, size_t) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void *p, size_t) noexcept { std::free(p); }

namespace {

using conversion::OutputBuffer;
using sentrova_test::Nmea;

// Discards the document without allocating.
class NullSink : public conversion::ByteSink {
  public:
    bool Write(const char *, size_t size) override {
        bytes += size;
        return true;
    }
    size_t bytes = 0;
};

// `seconds` seconds of a moving receiver: every sentence type of a cycle,
// with values (and so text widths) that change from second to second.
std::string MovingLog(int seconds) {
    std::string log;
    char body[128];
    for (int i = 0; i < seconds; ++i) {
        const int hh = i / 3600 % 24, mm = i / 60 % 60, ss = i % 60;
        const double lat = 4807.038 + i * 0.0137, lon = 1131.0 + i * 0.0291;
        const int snr = 20 + i % 31, sats = 4 + i % 8;
        std::snprintf(body, sizeof body, "GPGGA,%02d%02d%02d.00,%.4f,N,%.4f,E,1,%02d,%.2f,%.1f,M,46.9,M,,", hh, mm,
                      ss, lat, lon, sats, 0.8 + i % 17 * 0.1, 100.0 + i % 900 * 0.7);
        log += Nmea(body) + "\r\n";
        std::snprintf(body, sizeof body, "GPGSA,A,%d,04,05,%02d,09,12,,,24,,,,,%.1f,%.1f,%.1f", 2 + i % 2, 1 + i % 32,
                      2.5 + i % 7 * 0.1, 1.3 + i % 5 * 0.1, 2.1 + i % 3 * 0.1);
        log += Nmea(body) + "\r\n";
        for (int part = 1; part <= 3; ++part) {
            std::snprintf(body, sizeof body, "GPGSV,3,%d,12,%02d,%d,%03d,%d,%02d,40,083,46,11,17,308,%d,12,07,344,39",
                          part, part * 7, 10 + i % 80, i % 360, snr, part * 7 + 1, (snr + part) % 70);
            log += Nmea(body) + "\r\n";
        }
        std::snprintf(body, sizeof body, "GPRMC,%02d%02d%02d.00,A,%.4f,N,%.4f,E,%05.1f,%05.1f,%02d0394,003.1,W", hh,
                      mm, ss, lat, lon, i % 50 * 1.3, i % 3600 * 0.1, 1 + i % 28);
        log += Nmea(body) + "\r\n";
        std::snprintf(body, sizeof body, "GPVTG,%05.1f,T,034.4,M,%05.1f,N,010.2,K", i % 3600 * 0.1, i % 50 * 1.3);
        log += Nmea(body) + "\r\n";
    }
    return log;
}

struct Count {
    size_t allocations;
    uint64_t placemarks;
};

Count Allocations(const std::string &log, const conversion::ConversionOptions &options, OutputBuffer::Writes writes) {
    NullSink sink;
    conversion::MemorySource source(log);
    gAllocations = 0;
    gCounting = true;
    conversion::ConversionOutcome outcome;
    {
        // A small block, so that the short log fills it too and both start the writer.
        OutputBuffer out(sink, 4096, writes);
        outcome = conversion::ConvertStream(source, out, options);
    }
    gCounting = false;
    EXPECT_EQ(outcome.kind, conversion::OutcomeKind::Done);
    return {gAllocations.load(), outcome.counts.placemarks};
}

TEST(SteadyState, NoAllocationPerLineOrPlacemark) {
    const std::string shortLog = MovingLog(20), longLog = MovingLog(2000);
    conversion::ConversionOptions checked;
    checked.verifyChecksums = true;
    conversion::ConversionOptions anyTalker;
    anyTalker.anyTalker = true;
    struct Case {
        const char *name;
        conversion::ConversionOptions options;
    };
    for (const Case &c : {Case{"plain", {}}, Case{"checksums verified", checked}, Case{"any talker", anyTalker}}) {
        for (OutputBuffer::Writes writes : {OutputBuffer::Writes::InLine, OutputBuffer::Writes::InBackground}) {
            SCOPED_TRACE(std::string(c.name) + (writes == OutputBuffer::Writes::InLine ? ", in line" : ", background"));
            const Count few = Allocations(shortLog, c.options, writes);
            const Count many = Allocations(longLog, c.options, writes);
            ASSERT_GE(many.placemarks, 1990u); // the log is read as meant
            ASSERT_GT(few.allocations, 0u);    // and the allocations are counted
            EXPECT_EQ(many.allocations, few.allocations)
                << few.placemarks << " placemarks against " << many.placemarks;
        }
    }
}

} // namespace
