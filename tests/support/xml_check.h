// Well-formedness of a document, by xmllint (Debian libxml2-utils).
#pragma once

#include <string>

namespace sentrova_test {

// Empty when xmllint finds the file well-formed; otherwise what is wrong, a
// missing xmllint included, so that the test fails and names the package.
std::string XmlProblems(const std::string &path);

} // namespace sentrova_test
