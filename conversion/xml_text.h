// Text from outside the log (file names) made fit for an XML document.
#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace conversion {

// Text for XML character data: markup characters escaped; invalid UTF-8
// (overlong forms, surrogates, beyond U+10FFFF, cut sequences) and characters
// XML does not allow (controls, U+FFFE, U+FFFF) replaced by U+FFFD, one for
// each broken sequence.
std::string XmlText(std::string_view text);

// The character at the start of non-empty `s`: its code point and length in
// bytes; or -1 and the length of the broken sequence there (at least 1).
std::pair<long, size_t> DecodeUtf8(std::string_view s);

} // namespace conversion
