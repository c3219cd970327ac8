// The talker: the two letters before a sentence's three-letter type.
#pragma once

#include <string_view>

#include "sentence_kind.h"

namespace nmea {

// A five-character name whose talker is two letters other than GP and not a
// proprietary "P" sentence.
bool IsOtherTalker(std::string_view name);
// The kind of a five-character name from any talker ("GLGSV" is a GSV); Unknown otherwise.
SentenceKind KindOfAnyTalker(std::string_view name);

} // namespace nmea
