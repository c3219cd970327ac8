#include "no_placemark.h"

namespace conversion {

std::string OtherTalkers(const ConversionCounts &c) {
    std::string talkers;
    for (size_t i = 0; i < c.otherTalkersSeen; ++i) {
        if (!talkers.empty()) talkers += ", ";
        talkers += std::string(c.otherTalkers[i].talker, 2) + " " + std::to_string(c.otherTalkers[i].count);
    }
    return talkers;
}

NoPlacemarkReason WhyNoPlacemarkReason(const ConversionCounts &c) {
    using enum NoPlacemarkReason;
    if (c.sentences == 0 && c.compressedWith) return Compressed;
    if (c.epochDocument && c.sentences == 0) return NoSentence;
    if (c.epochDocument && !c.cycleStartFound) return NoTimedSentence;
    if (!c.cycleStartFound && c.otherTalkersSeen > 0) return OnlyOtherTalkers;
    if (c.sentences == 0) return NoSentence;
    if (!c.cycleStartFound) return NoCycleStart;
    if (!c.fixSeen) return NoValidPosition;
    if (!c.dateSeen) return c.epochDocument ? NoDateGiveOne : NoDate;
    if (c.cyclesWithoutPosition > 0 && c.cyclesWithoutPosition == c.cycles) return NoCycleWithPosition;
    // No option leaves out a point of these: the dates seen were no dates (a year 0000).
    if (c.epochDocument) return NoUsableDate;
    return LeftOutByOptions;
}

bool NamesOtherTalkers(NoPlacemarkReason reason) {
    return reason == NoPlacemarkReason::NoValidPosition || reason == NoPlacemarkReason::NoDate;
}

std::string WhyNoPlacemark(const ConversionCounts &c) {
    const NoPlacemarkReason reason = WhyNoPlacemarkReason(c);
    const std::string talkers = OtherTalkers(c);
    const std::string hint = talkers.empty() || !NamesOtherTalkers(reason)
                                 ? ""
                                 : "; sentences from other talkers: " + talkers + "; try --any-talker";
    switch (reason) {
    case NoPlacemarkReason::Compressed:
        return std::string("the log looks compressed: ") + c.compressedWith + " -c LOG | sentrova-convert -o OUT -";
    case NoPlacemarkReason::NoSentence: return "no sentence recognised";
    case NoPlacemarkReason::NoTimedSentence: return "no timed sentence (GGA, RMC, GLL, GNS, ZDA, GST)";
    case NoPlacemarkReason::OnlyOtherTalkers: return "fixes only from other talkers: " + talkers + "; try --any-talker";
    case NoPlacemarkReason::NoCycleStart: return "no RMC, GGA, GLL or RPT sentence";
    case NoPlacemarkReason::NoValidPosition: return "no valid position" + hint;
    case NoPlacemarkReason::NoDate: return "no date" + hint;
    case NoPlacemarkReason::NoDateGiveOne: return "no date; give one with --date";
    case NoPlacemarkReason::NoCycleWithPosition: return "no cycle with a position";
    case NoPlacemarkReason::NoUsableDate: return "no fix with a usable date; give one with --date";
    case NoPlacemarkReason::LeftOutByOptions: break;
    }
    return "every fix left out by the options";
}

} // namespace conversion
