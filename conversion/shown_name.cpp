#include "shown_name.h"

namespace conversion {

std::string ShownName(const std::string &name) {
    static const char kHex[] = "0123456789abcdef";
    std::string shown;
    for (const char c : name) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b != 0x7F) {
            shown += c;
        } else if (c == '\n') {
            shown += "\\n";
        } else if (c == '\t') {
            shown += "\\t";
        } else if (c == '\r') {
            shown += "\\r";
        } else {
            shown += "\\x";
            shown += kHex[b >> 4];
            shown += kHex[b & 0xF];
        }
    }
    return shown;
}

} // namespace conversion
