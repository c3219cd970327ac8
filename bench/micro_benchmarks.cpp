// Micro-benchmarks of the conversion's hot paths, one line of a log at a time.
#include <benchmark/benchmark.h>

#include <array>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/byte_io.h"
#include "conversion/kml_writer.h"
#include "conversion/line_reader.h"
#include "conversion/stream_conversion.h"
#include "nmea/context.h"
#include "nmea/dispatch.h"
#include "nmea/field_readers.h"
#include "nmea/sentence_fields.h"
#include "nmea/sentence_table.h"

namespace {

// One second of the generated drive.
constexpr std::string_view kGga = "$GPGGA,143212.00,3435.8373,S,05821.4149,W,1,09,1.26,43.5,M,47.5,M,,*64";
constexpr std::string_view kGsa = "$GPGSA,A,3,26,02,04,14,08,24,07,25,19,,,,2.17,1.26,1.76*02";
constexpr std::array<std::string_view, 3> kGsv = {
    "$GPGSV,3,1,10,26,67,315,45,02,53,163,30,04,71,245,36,14,10,103,21*7B",
    "$GPGSV,3,2,10,08,87,215,51,24,46,195,34,07,62,085,46,31,14,321,13*7B",
    "$GPGSV,3,3,10,25,82,141,41,19,76,189,48*71",
};
constexpr std::string_view kRmc = "$GPRMC,143212.00,A,3435.8373,S,05821.4149,W,013.8,159.6,071226,2.1,E,A*37";
constexpr std::string_view kVtg = "$GPVTG,159.6,T,157.5,M,013.8,N,025.6,K,A*25";

class DiscardSink : public conversion::ByteSink {
  public:
    bool Write(const char *data, size_t size) override {
        benchmark::DoNotOptimize(data);
        bytes += size;
        return true;
    }
    size_t bytes = 0;
};

// A context that has seen a whole second, so the display is full.
void Feed(nmea::SentenceContext &ctx) {
    for (std::string_view line : {kGga, kGsa, kGsv[0], kGsv[1], kGsv[2], kRmc, kVtg}) {
        ctx.SetSentence(line);
        nmea::ParseSentence(ctx);
    }
}

// ---- field readers ----------------------------------------------------------

void BM_ReadIntField(benchmark::State &state) {
    const std::string_view s = kGsv[0];
    for (auto _ : state) {
        nmea::Cursor c = 0;
        int32_t v = 0;
        for (int i = 0; i < 19; ++i) {
            c = nmea::scan::Int(c, s, v);
            benchmark::DoNotOptimize(v);
        }
    }
    state.SetItemsProcessed(state.iterations() * 19);
}
BENCHMARK(BM_ReadIntField);

void BM_ReadRealField(benchmark::State &state) {
    const std::string_view s = kGga;
    for (auto _ : state) {
        nmea::Cursor c = 0;
        double v = 0;
        for (int i = 0; i < 3; ++i) {
            c = nmea::scan::Real(c, s, v);
            benchmark::DoNotOptimize(v);
        }
    }
    state.SetItemsProcessed(state.iterations() * 3);
}
BENCHMARK(BM_ReadRealField);

void BM_ReadTextView(benchmark::State &state) {
    const std::string_view s = kVtg;
    for (auto _ : state) {
        nmea::Cursor c = 0;
        std::string_view v;
        for (int i = 0; i < 9; ++i) {
            c = nmea::scan::TextView(c, s, v);
            benchmark::DoNotOptimize(v);
        }
    }
    state.SetItemsProcessed(state.iterations() * 9);
}
BENCHMARK(BM_ReadTextView);

void BM_ReadHexField(benchmark::State &state) {
    const std::string_view s = kVtg;
    const auto star = static_cast<nmea::Cursor>(s.find('*'));
    for (auto _ : state) {
        uint8_t v = 0;
        benchmark::DoNotOptimize(nmea::scan::Hex(star, s, v));
        benchmark::DoNotOptimize(v);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReadHexField);

// ---- The checksum: nmea's byte loop against XOR-ing eight-byte words by hand ---

template <typename Sum> void SumBodies(benchmark::State &state, Sum sum) {
    // Copies, so that the sums are not folded at compile time.
    std::vector<std::string> bodies;
    size_t bytes = 0;
    for (std::string_view line : {kGga, kGsa, kGsv[0], kGsv[1], kGsv[2], kRmc, kVtg}) {
        bodies.emplace_back(line.substr(1, line.size() - 4));
        bytes += bodies.back().size();
    }
    for (auto _ : state) {
        for (const std::string &body : bodies) {
            benchmark::DoNotOptimize(body.data());
            benchmark::DoNotOptimize(sum(body));
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}
void BM_ChecksumOf(benchmark::State &state) {
    SumBodies(state, [](std::string_view body) { return nmea::ChecksumOf(body); });
}
void BM_ChecksumWordWide(benchmark::State &state) {
    SumBodies(state, [](std::string_view body) {
        uint64_t wide = 0;
        size_t i = 0;
        for (; i + 8 <= body.size(); i += 8) {
            uint64_t word;
            std::memcpy(&word, body.data() + i, 8);
            wide ^= word;
        }
        wide ^= wide >> 32;
        wide ^= wide >> 16;
        wide ^= wide >> 8;
        auto sum = static_cast<uint8_t>(wide);
        for (; i < body.size(); ++i) sum ^= static_cast<uint8_t>(body[i]);
        return sum;
    });
}
BENCHMARK(BM_ChecksumOf);
BENCHMARK(BM_ChecksumWordWide);

// ---- ParseSentence per type (checksums verified, display values noted) ---------

void ParseLines(benchmark::State &state, std::initializer_list<std::string_view> lines) {
    nmea::SentenceContext ctx;
    ctx.VerifyChecksums = true;
    Feed(ctx);
    size_t bytes = 0;
    for (std::string_view line : lines) bytes += line.size();
    for (auto _ : state) {
        for (std::string_view line : lines) {
            ctx.SetSentence(line);
            benchmark::DoNotOptimize(nmea::ParseSentence(ctx));
        }
    }
    if (!ctx.LastDecoded) state.SkipWithError("the sentence did not decode");
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(lines.size()));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}

void BM_ParseGGA(benchmark::State &state) { ParseLines(state, {kGga}); }
void BM_ParseGSA(benchmark::State &state) { ParseLines(state, {kGsa}); }
void BM_ParseGSVSet(benchmark::State &state) { ParseLines(state, {kGsv[0], kGsv[1], kGsv[2]}); }
void BM_ParseRMC(benchmark::State &state) { ParseLines(state, {kRmc}); }
void BM_ParseVTG(benchmark::State &state) { ParseLines(state, {kVtg}); }
BENCHMARK(BM_ParseGGA);
BENCHMARK(BM_ParseGSA);
BENCHMARK(BM_ParseGSVSet);
BENCHMARK(BM_ParseRMC);
BENCHMARK(BM_ParseVTG);

// ---- display texts ----------------------------------------------------------

// Every text of the kind formatted: a fresh set of noted values counts each as changed.
void TextsOf(benchmark::State &state, nmea::SentenceKind kind) {
    nmea::SentenceContext ctx;
    Feed(ctx);
    const nmea::SentenceRow &row = *nmea::RowOf(kind);
    nmea::DataDisplay display = ctx.Manager.Display();
    for (auto _ : state) {
        nmea::DeferredDisplay fresh;
        row.noteTexts(ctx.Manager, fresh);
        fresh.Refresh(display);
        benchmark::DoNotOptimize(display);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_FormatTextsGGA(benchmark::State &state) { TextsOf(state, nmea::SentenceKind::GPGGA); }
void BM_FormatTextsGSA(benchmark::State &state) { TextsOf(state, nmea::SentenceKind::GPGSA); }
void BM_FormatTextsGSV(benchmark::State &state) { TextsOf(state, nmea::SentenceKind::GPGSV); }
void BM_FormatTextsRMC(benchmark::State &state) { TextsOf(state, nmea::SentenceKind::GPRMC); }
void BM_FormatTextsVTG(benchmark::State &state) { TextsOf(state, nmea::SentenceKind::GPVTG); }
BENCHMARK(BM_FormatTextsGGA);
BENCHMARK(BM_FormatTextsGSA);
BENCHMARK(BM_FormatTextsGSV);
BENCHMARK(BM_FormatTextsRMC);
BENCHMARK(BM_FormatTextsVTG);

// ---- KML ----------------------------------------------------------------------

void BM_WritePlacemark(benchmark::State &state) {
    nmea::SentenceContext ctx;
    Feed(ctx);
    const nmea::DataDisplay display = ctx.Manager.Display();
    DiscardSink sink;
    conversion::OutputBuffer out(sink);
    for (auto _ : state) conversion::WritePlacemark(out, display);
    out.Flush();
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(static_cast<int64_t>(sink.bytes));
}
BENCHMARK(BM_WritePlacemark);

// ---- reading --------------------------------------------------------------------

std::string RepeatedSeconds(size_t seconds) {
    std::string log;
    for (size_t i = 0; i < seconds; ++i) {
        for (std::string_view line : {kGga, kGsa, kGsv[0], kGsv[1], kGsv[2], kRmc, kVtg}) {
            log += line;
            log += "\r\n";
        }
    }
    return log;
}

void BM_LineReader(benchmark::State &state) {
    const std::string log = RepeatedSeconds(2000);
    for (auto _ : state) {
        conversion::MemorySource source(log);
        conversion::LineReader reader(source);
        std::string_view piece;
        while (reader.Next(piece)) benchmark::DoNotOptimize(piece);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(log.size()));
}
BENCHMARK(BM_LineReader);

// ---- the whole engine on a log in memory ------------------------------------------

std::string SampleLog() {
    std::ifstream file(SENTROVA_SAMPLE_LOG, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    std::string one = text.str();
    if (one.empty()) one = RepeatedSeconds(60);
    std::string log;
    while (log.size() < (4u << 20)) log += one;
    return log;
}

void BM_ConvertStream(benchmark::State &state) {
    const std::string log = SampleLog();
    conversion::ConversionOptions options;
    for (auto _ : state) {
        conversion::MemorySource source(log);
        DiscardSink sink;
        conversion::OutputBuffer out(sink);
        const conversion::ConversionOutcome outcome = conversion::ConvertStream(source, out, options);
        if (outcome.kind != conversion::OutcomeKind::Done || outcome.counts.placemarks == 0) {
            state.SkipWithError("the conversion failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(log.size()));
}
BENCHMARK(BM_ConvertStream)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
