#include "no_placemark.h"

namespace conversion {

std::string WhyNoPlacemark(const ConversionCounts &c) {
    std::string talkers;
    for (size_t i = 0; i < c.otherTalkersSeen; ++i) {
        if (!talkers.empty()) talkers += ", ";
        talkers += std::string(c.otherTalkers[i].talker, 2) + " " + std::to_string(c.otherTalkers[i].count);
    }
    const std::string hint = talkers.empty() ? "" : "; sentences from other talkers: " + talkers + "; try --any-talker";
    if (c.sentences == 0 && c.compressedWith)
        return std::string("the log looks compressed: ") + c.compressedWith + " -c LOG | sentrova-convert -o OUT -";
    if (c.epochDocument && c.sentences == 0) return "no sentence recognised";
    if (c.epochDocument && !c.cycleStartFound) return "no timed sentence (GGA, RMC, GLL, GNS, ZDA, GST)";
    if (!c.cycleStartFound && !talkers.empty())
        return "fixes only from other talkers: " + talkers + "; try --any-talker";
    if (c.sentences == 0) return "no sentence recognised";
    if (!c.cycleStartFound) return "no RMC, GGA, GLL or RPT sentence";
    if (!c.fixSeen) return "no valid position" + hint;
    if (!c.dateSeen) return c.epochDocument ? "no date; give one with --date" : "no date" + hint;
    if (c.cyclesWithoutPosition > 0 && c.cyclesWithoutPosition == c.cycles) return "no cycle with a position";
    // No option leaves out a point of these: the dates seen were no dates (a year 0000).
    if (c.epochDocument) return "no fix with a usable date; give one with --date";
    return "every fix left out by the options";
}

} // namespace conversion
