// Shared by the conversion tests: logs built in memory, conversions into
// memory, the pieces of a converted document, and scratch folders on disk.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <ostream>
#include <random>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "conversion/byte_io.h"
#include "conversion/stream_conversion.h"
#include "support/sentences.h"

namespace conversion {

inline const char *KindName(OutcomeKind kind) {
    switch (kind) {
    case OutcomeKind::Done: return "Done";
    case OutcomeKind::SourceNotOpenable: return "SourceNotOpenable";
    case OutcomeKind::TargetNotOpenable: return "TargetNotOpenable";
    case OutcomeKind::TargetExists: return "TargetExists";
    case OutcomeKind::FormatError: return "FormatError";
    case OutcomeKind::ReadFailed: return "ReadFailed";
    case OutcomeKind::WriteFailed: return "WriteFailed";
    case OutcomeKind::Cancelled: return "Cancelled";
    }
    return "?";
}

// Lets the test framework name an outcome in its messages.
inline void PrintTo(OutcomeKind kind, std::ostream *os) { *os << KindName(kind); }

} // namespace conversion

namespace sentrova_test {

// Hands out `before`, then fails with EIO.
class FailingSource : public conversion::ByteSource {
  public:
    explicit FailingSource(std::string_view before) : before_(before) {}
    long Read(char *buffer, size_t capacity) override {
        if (before_.empty()) {
            error_ = EIO;
            return -1;
        }
        const size_t n = std::min(capacity, before_.size());
        before_.copy(buffer, n);
        before_.remove_prefix(n);
        return static_cast<long>(n);
    }

  private:
    std::string_view before_;
};

// Sets the cancel flag when the log's end is reached: after its last line.
class CancelAtEnd : public conversion::ByteSource {
  public:
    CancelAtEnd(std::string_view bytes, std::atomic<bool> &cancel) : source_(bytes), cancel_(cancel) {}
    long Read(char *buffer, size_t capacity) override {
        const long n = source_.Read(buffer, capacity);
        if (n == 0) cancel_ = true;
        return n;
    }

  private:
    conversion::MemorySource source_;
    std::atomic<bool> &cancel_;
};

using conversion::KindName;

inline std::string Join(std::initializer_list<std::string> lines, std::string_view eol = "\n") {
    std::string log;
    for (const std::string &line : lines) {
        log += line;
        log += eol;
    }
    return log;
}

struct StreamResult {
    conversion::ConversionOutcome outcome;
    std::string kml;
};

inline StreamResult Convert(std::string_view log, const conversion::ConversionOptions &options = {},
                            size_t outputBlock = conversion::OutputBuffer::kBlockSize,
                            conversion::OutputBuffer::Writes writes = conversion::OutputBuffer::Writes::InLine) {
    conversion::MemorySource source(log);
    conversion::MemorySink sink;
    StreamResult result;
    {
        conversion::OutputBuffer out(sink, outputBlock, writes);
        result.outcome = conversion::ConvertStream(source, out, options);
    }
    result.kml = std::move(sink.bytes);
    return result;
}

// Written out by hand so that a change in the writer cannot move the expectation.
inline std::string ExpectedHeader(std::string_view colour) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
           "<kml xmlns=\"http://earth.google.com/kml/2.1\">\r\n"
           "<Document>\r\n"
           "<Style id=\"Point\"><IconStyle><color>" +
           std::string(colour) + "</color><scale>.3</scale></IconStyle></Style>\r\n";
}
inline const std::string kExpectedFooter = "</Document>\r\n</kml>\r\n";
inline const std::string kEmptyRedDocument = ExpectedHeader("ff0000ff") + kExpectedFooter;

inline std::vector<std::string> SplitCrLf(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string_view::npos; start = end + 2)
        lines.emplace_back(text.substr(start, end - start));
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

// The lines of one placemark, without their CR LF; timeStamp is empty when
// the placemark has none (a date that is no calendar date).
struct Placemark {
    std::string description;
    std::string timeStamp;
    std::string coordinates;
};

// The placemarks of a document that starts with its four header lines.
inline std::vector<Placemark> Placemarks(std::string_view kml) {
    const std::vector<std::string> lines = SplitCrLf(kml);
    std::vector<Placemark> placemarks;
    for (size_t i = 4; i + 4 < lines.size() && lines[i] == "\t<Placemark>";) {
        const bool stamped = lines[i + 2].find("<TimeStamp>") != std::string::npos;
        const size_t size = stamped ? 6 : 5;
        if (i + size > lines.size()) break;
        placemarks.push_back({lines[i + 1], stamped ? lines[i + 2] : std::string(), lines[i + size - 2]});
        i += size;
    }
    return placemarks;
}

// The value of a description row, without its label and its 31 trailing blanks;
// "<missing>" when the row or its blanks are not there.
inline std::string Row(std::string_view description, std::string_view label) {
    const std::string start = "<br>" + std::string(label);
    const size_t at = description.find(start);
    if (at == std::string_view::npos) return "<missing>";
    const size_t from = at + start.size();
    size_t end = description.find("<br>", from);
    if (end == std::string_view::npos) end = description.find("</pre>", from);
    if (end == std::string_view::npos) return "<missing>";
    const std::string_view value = description.substr(from, end - from);
    const std::string_view tail(value.data() + value.size() - std::min<size_t>(31, value.size()),
                                std::min<size_t>(31, value.size()));
    if (value.size() < 31 || tail.find_first_not_of(' ') != std::string_view::npos) return "<missing>";
    return std::string(value.substr(0, value.size() - 31));
}

// The time stamp of a placemark: "2008-03-15T12:34:56Z".
inline std::string When(const Placemark &placemark) {
    const size_t from = placemark.timeStamp.find("<when>");
    const size_t to = placemark.timeStamp.find("</when>");
    if (from == std::string::npos || to == std::string::npos || to < from) return "<missing>";
    return placemark.timeStamp.substr(from + 6, to - from - 6);
}

inline std::vector<std::string> Whens(std::string_view kml) {
    std::vector<std::string> whens;
    for (const Placemark &p : Placemarks(kml)) whens.push_back(When(p));
    return whens;
}

inline std::string ReadFile(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::filesystem::path &path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A fresh folder, removed with its content when the test ends.
class ScratchDir {
  public:
    ScratchDir() {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() /
                ("sentrova-conv-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;

    const std::filesystem::path &path() const { return path_; }
    std::string operator/(std::string_view name) const { return (path_ / name).string(); }

    // The names in the folder, sorted: shows left-over temporary files.
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto &entry : std::filesystem::directory_iterator(path_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

  private:
    std::filesystem::path path_;
};

} // namespace sentrova_test
