#include "support/locales.h"

#include <locale.h>

namespace sentrova_test {

bool HaveLocale(const char *name) {
    const locale_t probe = ::newlocale(LC_ALL_MASK, name, static_cast<locale_t>(nullptr));
    if (probe == static_cast<locale_t>(nullptr)) return false;
    ::freelocale(probe);
    return true;
}

} // namespace sentrova_test
