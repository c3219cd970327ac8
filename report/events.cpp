// The events table: what went wrong in the log, each with its line.
#include "sections.h"
#include "text.h"

namespace report {

void EventsSection(std::string &out, const LogReport &report) {
    static constexpr std::string_view kNames[] = {"gap", "time going back", "jump", "no fix", "bad sentence"};
    out += "<section id=\"events\">\n<h2>Events</h2>\n<p>";
    bool first = true;
    for (size_t k = 0; k < kEventKinds; ++k) {
        const uint64_t n = report.EventCount(static_cast<EventKind>(k));
        if (n == 0) continue;
        out += (first ? "" : ", ") + std::to_string(n) + " " + std::string(kNames[k]) + (n == 1 ? "" : "s");
        first = false;
    }
    out += " (the first " + std::to_string(LogReport::kEventsKept) +
           " of each kind listed). A jump is an implied speed above 100 m/s and above three times the reported "
           "one.</p>\n<table>\n<thead><tr><th>Line</th><th>Event</th><th>When (UTC)</th><th>What</th></tr></thead>\n"
           "<tbody>\n";
    for (const Event &e : report.Events()) {
        const auto k = static_cast<size_t>(e.kind);
        out += "<tr><td class=\"n\">" + std::to_string(e.line) + "</td><td>" + std::string(kNames[k]) + "</td><td>" +
               (e.atMs != 0 ? UtcTime(e.atMs) : std::string()) + "</td><td>";
        switch (e.kind) {
        case EventKind::Gap: out += Duration(e.value) + " without a fix until " + ClockTime(e.untilMs); break;
        case EventKind::TimeBack: out += Duration(e.value) + " back from " + ClockTime(e.untilMs); break;
        case EventKind::Jump: out += Fixed(e.value, 0) + " m/s implied"; break;
        case EventKind::NoFix:
            out += e.untilMs > e.atMs ? "until " + ClockTime(e.untilMs) + " (" +
                                            Duration(static_cast<double>(e.untilMs - e.atMs) / 1000) + ")"
                                      : std::string("one epoch");
            break;
        case EventKind::BadSentence: out += "checksum failed"; break;
        case EventKind::Count: break;
        }
        out += "</td></tr>\n";
    }
    out += "</tbody>\n</table>\n</section>\n";
}

} // namespace report
