// Small helpers the report's drawings share.
#pragma once

#include <string>
#include <string_view>

namespace report {

// A colour for a signal strength, red (weak) through yellow to green (strong);
// grey when not tracked.
std::string Cn0Colour(int cn0);

// Text in an SVG at (x, y).
std::string SvgText(double x, double y, std::string_view text, std::string_view anchor = "start",
                    std::string_view extra = "");

} // namespace report
