#include "cycle_hook.h"

#include <cstring>

namespace conversion {

std::string CycleHook::ErrorText() const { return std::strerror(Error()); }

} // namespace conversion
