#include "shown_name.h"

#include <string_view>

#include "xml_text.h"

namespace conversion {

std::string ShownName(const std::string &name) {

    static const char kHex[] = "0123456789abcdef";
    std::string shown;
    std::string_view rest(name);
    while (!rest.empty()) {
        const auto [code, length] = conversion::DecodeUtf8(rest);
        // C1 controls (a lone 0x9B is a terminal's CSI) and broken UTF-8 as
        // their bytes, like the C0 controls.
        const bool control = code < 0x20 || (code >= 0x7F && code <= 0x9F);
        if (!control) {
            shown.append(rest.substr(0, length));
        } else if (code == '\n') {
            shown += "\\n";
        } else if (code == '\t') {
            shown += "\\t";
        } else if (code == '\r') {
            shown += "\\r";
        } else {
            for (size_t i = 0; i < length; ++i) {
                const auto b = static_cast<unsigned char>(rest[i]);
                shown += "\\x";
                shown += kHex[b >> 4];
                shown += kHex[b & 0xF];
            }
        }
        rest.remove_prefix(length);
    }
    return shown;
}

} // namespace conversion
