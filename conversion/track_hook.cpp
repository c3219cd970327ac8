#include "track_hook.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "kml_writer.h"
#include "nmea/manager.h"
#include "scratch_file.h"
#include "xml_text.h"

namespace conversion {

namespace {
constexpr size_t kSpillBlock = 64 * 1024;
} // namespace

TrackHook::TrackHook(TrackOptions options, std::string_view colour) : options_(std::move(options)), colour_(colour) {
    if (options_.every == 0) options_.every = 1;
}

TrackHook::~TrackHook() {
    spillOut_.reset();
    if (spill_ >= 0) ::close(spill_);
}

std::string TrackHook::ErrorText() const {
    const std::string text = std::strerror(error_);
    return spillFolder_.empty() ? text : "the track line's temporary file in " + spillFolder_ + ": " + text;
}

void TrackHook::WriteHeaderExtra(OutputBuffer &out) {
    if (!options_.line) return;
    out.Append("<Style id=\"Line\"><LineStyle><color>");
    out.Append(colour_);
    out.Append("</color><width>2</width></LineStyle></Style>\r\n");
}

bool TrackHook::OnCycle(OutputBuffer &out, const nmea::NMEA_Manager &fix, const PlacemarkDate &date) {
    const nmea::DataDisplay &d = fix.Display();
    if (options_.skipInvalid && (d.PositionValid != 1 || fix.GgaRecord.Message.Spc.FixQuality == 0)) {
        return false;
    }
    if (due_++ % options_.every != 0) return false;
    WritePlacemark(out, d, date, options_.altitudeMode);
    if (options_.line) SpillCoordinates(d);
    return true;
}

bool TrackHook::SpillCoordinates(const nmea::DataDisplay &display) {
    if (error_ != 0) return false;
    if (spill_ < 0) {
        spillFolder_ = ScratchFolder();
        spill_ = OpenScratchFile(spillFolder_);
        if (spill_ < 0) {
            error_ = errno;
            return false;
        }
        spillSink_ = std::make_unique<FdSink>(spill_);
        spillOut_ = std::make_unique<OutputBuffer>(*spillSink_, kSpillBlock);
    }
    if (points_++ > 0) spillOut_->Append(' ');
    WriteCoordinates(*spillOut_, display);
    return true;
}

bool TrackHook::WriteBeforeFooter(OutputBuffer &out) {
    if (!options_.line || error_ != 0) return error_ == 0;
    if (points_ < 2) return true; // a line needs two points
    if (!spillOut_->Flush()) {
        error_ = spillOut_->Error();
        return false;
    }
    out.Append("\t<Placemark>\r\n\t\t<name>");
    out.Append(XmlText(options_.lineName));
    out.Append("</name>\r\n\t\t<styleUrl>#Line</styleUrl>\r\n\t\t<LineString>");
    if (!options_.altitudeMode.empty()) {
        out.Append("<altitudeMode>");
        out.Append(options_.altitudeMode);
        out.Append("</altitudeMode>");
    }
    out.Append("<coordinates>");
    FdSource source(spill_);
    if (::lseek(spill_, 0, SEEK_SET) != 0) {
        error_ = errno;
        return false;
    }
    char block[kSpillBlock];
    for (long n; (n = source.Read(block, sizeof block)) != 0;) {
        if (n < 0) {
            error_ = source.Error();
            return false;
        }
        out.Append(std::string_view(block, static_cast<size_t>(n)));
    }
    out.Append("</coordinates></LineString>\r\n\t</Placemark>\r\n");
    return true;
}

} // namespace conversion
