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
#include "support/logs.h"

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
// The library's temporary buffers (stable_sort) ask without exceptions and give back through delete.
[[gnu::noinline]] void *operator new(size_t size, const std::nothrow_t &) noexcept {
    try {
        return ::operator new(size);
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}
[[gnu::noinline]] void operator delete(void *p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void *p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void *p, size_t) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void *p, size_t) noexcept { std::free(p); }

namespace {

using conversion::OutputBuffer;
using sentrova_test::MovingLog;

// Discards the document without allocating.
class NullSink : public conversion::ByteSink {
  public:
    bool Write(const char *, size_t size) override {
        bytes += size;
        return true;
    }
    size_t bytes = 0;
};

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
    // Both long enough that the placemarks go to a second thread.
    const std::string shortLog = MovingLog(200), longLog = MovingLog(2000);
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
            EXPECT_EQ(many.allocations, few.allocations) << few.placemarks << " placemarks against " << many.placemarks;
        }
    }
}

} // namespace
