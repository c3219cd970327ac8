// One row per recognised sentence kind: everything the rest of the program
// knows about a kind, for both readings of a log (the placemark records and
// the fix epochs). A new kind is a row here, its SentenceKind, and its one
// decoder in sentence_decoders.h; each reading that uses it then maps its
// fields: a record's store steps for the placemarks (a record in
// NMEA_Manager if none fits), an epoch mapping in track/epoch_decoders.cpp.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "decoders.h"
#include "manager.h"
#include "sentence_kind.h"

namespace nmea {

struct SentenceRow {
    std::string_view name; // as read under the GP talker
    SentenceKind kind;
    // Fills the kind's record in ctx.Manager; nullptr: recognised, not decoded.
    Decoder decode;
    // Notes the display values the kind's record refreshes, after a decode
    // succeeded; nullptr: it refreshes none.
    void (*noteTexts)(const NMEA_Manager &fix, DeferredDisplay &texts);
    // Whether the kind can close a fix cycle, when it opened the first one.
    bool closesCycle;
    // The field that carries the UTC time (1 is the first after the name); 0: none.
    uint8_t timeField = 0;
    // Whether the placemark records read the kind; the others serve the epochs only.
    bool placemark = true;
};

inline constexpr SentenceRow kSentenceTable[] = {
    {"GPGGA", SentenceKind::GPGGA, ParseGGA,
     [](const NMEA_Manager &fix, DeferredDisplay &t) {
         const auto &m = fix.GgaRecord.Message;
         t.Hdop(m.Spc.Hdop);
         t.Altitude(m.Spc.Altitude);
         t.Time(m.UtcTime);
         t.Position(m.Latitude, m.Longitude);
     },
     true, 1},
    {"GPGLL", SentenceKind::GPGLL, ParseGLL,
     [](const NMEA_Manager &fix, DeferredDisplay &t) {
         const auto &m = fix.GllRecord.Message;
         t.Time(m.UtcTime);
         t.Position(m.Latitude, m.Longitude);
         t.PositionValid(m.Status);
     },
     true, 5},
    {"GPGSA", SentenceKind::GPGSA, ParseGSA,
     [](const NMEA_Manager &fix, DeferredDisplay &t) {
         const auto &m = fix.GsaRecord.Message;
         t.FixMode(m.FixType);
         t.Pdop(m.Pdop);
         t.Vdop(m.Vdop);
         t.Hdop(m.Hdop);
     },
     false},
    {"GPGSV", SentenceKind::GPGSV, ParseGSV,
     [](const NMEA_Manager &fix, DeferredDisplay &t) { t.Satellites(fix.GsvRecord.Message.Satellites); }, false},
    {"GPRMC", SentenceKind::GPRMC, ParseRMC,
     [](const NMEA_Manager &fix, DeferredDisplay &t) {
         const auto &m = fix.RmcRecord.Message;
         t.Speed(m.Speed);
         t.Course(m.Course);
         t.Date(m.Date);
         t.Time(m.UtcTime);
         t.Position(m.Latitude, m.Longitude);
         t.PositionValid(m.Status);
     },
     true, 1},
    {"GPVTG", SentenceKind::GPVTG, ParseVTG,
     [](const NMEA_Manager &fix, DeferredDisplay &t) {
         const auto &m = fix.VtgRecord.Message;
         t.Speed(m.SpeedKnots);
         t.Course(m.CourseTrue);
     },
     false},
    {"GPZDA", SentenceKind::GPZDA, nullptr, nullptr, false, 1},
    {"GPRPT", SentenceKind::GPRPT, ParseRPT,
     [](const NMEA_Manager &fix, DeferredDisplay &t) {
         const auto &m = fix.RptRecord.Message;
         t.FixMode(m.FixMode);
         t.Speed(m.Speed);
         t.Course(m.Course);
         t.Altitude(m.Altitude);
         t.Date(m.Date);
         t.Time(m.UtcTime);
         t.Position(m.Latitude, m.Longitude);
     },
     true},
    {"GPMSS", SentenceKind::GPMSS, nullptr, nullptr, false},
    {"GPGNS", SentenceKind::GPGNS, nullptr, nullptr, false, 1, false},
    {"GPGST", SentenceKind::GPGST, nullptr, nullptr, false, 1, false},
};

inline constexpr size_t kSentenceKinds = std::size(kSentenceTable);

// Checks a table must pass; a table that fails one does not compile.
constexpr bool RowsInEnumOrder(std::span<const SentenceRow> rows) {
    for (size_t i = 0; i < rows.size(); ++i) {
        if (static_cast<size_t>(rows[i].kind) != i) return false;
    }
    return true;
}
constexpr bool NamesOfFiveCharacters(std::span<const SentenceRow> rows) {
    for (const SentenceRow &row : rows) {
        if (row.name.size() != 5) return false;
    }
    return true;
}
constexpr bool NamesDistinct(std::span<const SentenceRow> rows) {
    for (size_t i = 0; i < rows.size(); ++i) {
        for (size_t j = i + 1; j < rows.size(); ++j) {
            if (rows[i].name == rows[j].name) return false;
        }
    }
    return true;
}
static_assert(RowsInEnumOrder(kSentenceTable), "row i must be SentenceKind i: the kind indexes the table");
static_assert(NamesOfFiveCharacters(kSentenceTable), "a sentence name has five characters");
static_assert(NamesDistinct(kSentenceTable), "a name may stand in one row only");

// The row of a recognised kind; nullptr for Unknown.
constexpr const SentenceRow *RowOf(SentenceKind kind) {
    const auto index = static_cast<size_t>(kind);
    return index < kSentenceKinds ? &kSentenceTable[index] : nullptr;
}

namespace detail {
// Byte i at bits 8i: the compiler reads the name as one load of four bytes and one of one.
constexpr uint64_t NameKey(std::string_view name) {
    uint64_t key = 0;
    for (size_t i = 0; i < 5; ++i) key |= uint64_t{static_cast<unsigned char>(name[i])} << (8 * i);
    return key;
}
inline constexpr auto kNameKeys = [] {
    std::array<uint64_t, kSentenceKinds> keys{};
    for (size_t i = 0; i < kSentenceKinds; ++i) keys[i] = NameKey(kSentenceTable[i].name);
    return keys;
}();
} // namespace detail

// Called for every line: the name as one number against the table's numbers.
inline SentenceKind KindOfName(std::string_view name) {
    if (name.size() != 5) return SentenceKind::Unknown;
    const uint64_t key = detail::NameKey(name);
    for (size_t i = 0; i < kSentenceKinds; ++i) {
        if (detail::kNameKeys[i] == key) return kSentenceTable[i].kind;
    }
    return SentenceKind::Unknown;
}

// KindOfName for the placemark records: Unknown for the kinds they do not read.
inline SentenceKind PlacemarkKindOfName(std::string_view name) {
    const SentenceKind kind = KindOfName(name);
    return kind != SentenceKind::Unknown && kSentenceTable[static_cast<size_t>(kind)].placemark ? kind
                                                                                                : SentenceKind::Unknown;
}

// The kind of a sentence's three-letter type ("GGA"), from any talker.
inline SentenceKind KindOfType(std::string_view type) {
    if (type.size() != 3) return SentenceKind::Unknown;
    const char name[5] = {'G', 'P', type[0], type[1], type[2]};
    return KindOfName(std::string_view(name, 5));
}

} // namespace nmea
