#include "xml_text.h"

namespace conversion {

namespace {
// Length of the valid UTF-8 sequence at the start of `s`, 0 if invalid.
size_t Utf8Length(std::string_view s) {
    const auto b = static_cast<unsigned char>(s[0]);
    size_t n = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || n > s.size()) return 0;
    for (size_t i = 1; i < n; ++i) {
        if ((static_cast<unsigned char>(s[i]) >> 6) != 0x2) return 0;
    }
    return n;
}
} // namespace

std::string XmlText(std::string_view text) {
    std::string out;
    while (!text.empty()) {
        const char c = text.front();
        const size_t n = Utf8Length(text);
        if (n == 0 || (n == 1 && static_cast<unsigned char>(c) < 0x20)) {
            out += '?';
            text.remove_prefix(1);
            continue;
        }
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out.append(text.substr(0, n));
        }
        text.remove_prefix(n);
    }
    return out;
}

} // namespace conversion
