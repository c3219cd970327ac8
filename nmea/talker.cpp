#include "talker.h"

#include "sentence_table.h"

namespace nmea {

namespace {
bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
} // namespace

bool IsOtherTalker(std::string_view name) {
    // "P..." names are proprietary sentences ($PGRMC is Garmin's, not an RMC).
    return name.size() == 5 && IsUpper(name[0]) && IsUpper(name[1]) && name[0] != 'P' &&
           !(name[0] == 'G' && name[1] == 'P');
}

SentenceKind KindOfAnyTalker(std::string_view name) {
    if (!IsOtherTalker(name)) return PlacemarkKindOfName(name);
    const char asGp[5] = {'G', 'P', name[2], name[3], name[4]};
    return PlacemarkKindOfName(std::string_view(asGp, 5));
}

} // namespace nmea
