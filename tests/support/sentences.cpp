#include "support/sentences.h"

namespace sentrova_test {

std::string Nmea(std::string_view body, std::string_view end) {
    unsigned sum = 0;
    for (char c : body) sum ^= static_cast<unsigned char>(c);
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string sentence;
    sentence.reserve(body.size() + 4 + end.size());
    sentence += '$';
    sentence += body;
    sentence += '*';
    sentence += kHex[sum >> 4];
    sentence += kHex[sum & 15];
    sentence += end;
    return sentence;
}

} // namespace sentrova_test
