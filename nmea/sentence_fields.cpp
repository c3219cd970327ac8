#include "sentence_fields.h"

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
    // Nearly every line starts with its sentence: no search for those.
    const size_t dollar = !line.empty() && line[0] == '$' ? 0 : line.find('$');
    if (dollar == std::string_view::npos) return false;
    line.remove_prefix(dollar + 1);
    const size_t star = line.find('*');
    sentence.hasChecksum = star != std::string_view::npos;
    sentence.body = line.substr(0, star);
    sentence.checksum = sentence.hasChecksum ? line.substr(star + 1) : std::string_view();
    // A line without "*" may end in blanks.
    if (!sentence.hasChecksum) {
        while (!sentence.body.empty() && sentence.body.back() == ' ') sentence.body.remove_suffix(1);
    }
    if (sentence.body.size() < 6 || sentence.body[5] != ',' || sentence.body.size() > kMaxBody) return false;
    for (size_t i = 0; i < 5; ++i) {
        const char c = sentence.body[i];
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
    }
    return true;
}

} // namespace nmea
