#include "xml_text.h"

namespace conversion {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD

bool AllowedInXml(long code) {
    return code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
           (code >= 0xE000 && code <= 0xFFFD) || code >= 0x10000;
}

} // namespace

// The second byte's range leaves out overlong forms, surrogates and what lies
// beyond U+10FFFF.
std::pair<long, size_t> DecodeUtf8(std::string_view s) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return {lead, 1};
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;
    long code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return {-1, 1};
    }
    for (size_t i = 1; i < length; ++i) {
        if (i >= s.size() || byte(i) < low || byte(i) > high) return {-1, i};
        code = (code << 6) | (byte(i) & 0x3F);
        low = 0x80;
        high = 0xBF;
    }
    return {code, length};
}

std::string XmlText(std::string_view text) {
    std::string out;
    while (!text.empty()) {
        const auto [code, length] = DecodeUtf8(text);
        if (code < 0 || !AllowedInXml(code) || code < 0x20) {
            out += kReplacement; // a name is one line: no tab or line break either
        } else if (code == '&') {
            out += "&amp;";
        } else if (code == '<') {
            out += "&lt;";
        } else if (code == '>') {
            out += "&gt;";
        } else {
            out.append(text.substr(0, length));
        }
        text.remove_prefix(length);
    }
    return out;
}

} // namespace conversion
