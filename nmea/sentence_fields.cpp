#include "sentence_fields.h"

#include <array>
#include <cstring>

namespace nmea {

namespace {
struct TalkerRow {
    char talker[2];
    Constellation constellation;
};
constexpr TalkerRow kTalkers[] = {
    {{'G', 'P'}, Constellation::Gps},     {{'G', 'N'}, Constellation::Combined}, {{'G', 'L'}, Constellation::Glonass},
    {{'G', 'A'}, Constellation::Galileo}, {{'G', 'B'}, Constellation::BeiDou},   {{'B', 'D'}, Constellation::BeiDou},
    {{'G', 'Q'}, Constellation::Qzss},    {{'Q', 'Z'}, Constellation::Qzss},     {{'G', 'I'}, Constellation::NavIC},
};
// Longer bodies are no sentence of ours: the field starts fit 16 bits.
constexpr size_t kMaxBody = 4096;
// The characters of a sentence's name: capitals and digits.
constexpr auto kNameCharacter = [] {
    std::array<bool, 256> table{};
    for (char c = 'A'; c <= 'Z'; ++c) table[static_cast<unsigned char>(c)] = true;
    for (char c = '0'; c <= '9'; ++c) table[static_cast<unsigned char>(c)] = true;
    return table;
}();
} // namespace

bool ConstellationOfTalker(std::string_view talker, Constellation &constellation) {
    if (talker.size() < 2) return false;
    for (const TalkerRow &t : kTalkers) {
        if (talker[0] == t.talker[0] && talker[1] == t.talker[1]) {
            constellation = t.constellation;
            return true;
        }
    }
    return false;
}

bool FindSentence(std::string_view line, SentenceText &sentence) {
    return FindSentence(line, line.find('*'), sentence);
}

bool FindSentence(std::string_view line, size_t firstStar, SentenceText &sentence) {
    // Nearly every line starts with its sentence: no search for those.
    const size_t dollar = !line.empty() && line[0] == '$' ? 0 : line.find('$');
    if (dollar == std::string_view::npos) return false;
    line.remove_prefix(dollar + 1);
    // A star before the "$" is none of the sentence's.
    const char *star = firstStar == std::string_view::npos ? nullptr
                       : firstStar > dollar                ? line.data() + (firstStar - dollar - 1)
                                            : static_cast<const char *>(std::memchr(line.data(), '*', line.size()));
    sentence.hasChecksum = star != nullptr;
    if (star != nullptr) {
        const auto at = static_cast<size_t>(star - line.data());
        sentence.body = std::string_view(line.data(), at);
        sentence.checksum = std::string_view(star + 1, line.size() - at - 1);
    } else {
        // A line without "*" may end in blanks.
        sentence.body = line;
        sentence.checksum = {};
        while (!sentence.body.empty() && sentence.body.back() == ' ') sentence.body.remove_suffix(1);
    }
    const std::string_view body = sentence.body;
    if (body.size() < 6 || body[5] != ',' || body.size() > kMaxBody) return false;
    const auto name = [&](size_t i) { return kNameCharacter[static_cast<unsigned char>(body[i])]; };
    return name(0) & name(1) & name(2) & name(3) & name(4);
}

} // namespace nmea
