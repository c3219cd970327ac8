// File names as both faces show them in a line of text.
#pragma once

#include <string>

namespace conversion {

// Control characters (C0, DEL, C1) and broken UTF-8 as \n, \t, \r or \xHH
// per byte, so that one name stays one line and reaches no terminal as a command.
std::string ShownName(const std::string &name);

} // namespace conversion
