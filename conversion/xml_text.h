// Text from outside the log (file names) made fit for an XML document.
#pragma once

#include <string>
#include <string_view>

namespace conversion {

// Text for XML character data: markup characters escaped, control bytes and
// invalid UTF-8 replaced by "?".
std::string XmlText(std::string_view text);

} // namespace conversion
