// File names as both faces show them in a line of text.
#pragma once

#include <string>

namespace conversion {

// Control characters as \n, \t, \r or \xHH, so that one name stays one line.
std::string ShownName(const std::string &name);

} // namespace conversion
