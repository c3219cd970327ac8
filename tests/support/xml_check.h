// Well-formedness of a document, by xmllint (Debian libxml2-utils).
#pragma once

#include <string>
#include <vector>

namespace sentrova_test {

// Empty when xmllint finds the file well-formed; otherwise what is wrong, a
// missing xmllint included, so that the test fails and names the package.
std::string XmlProblems(const std::string &path);
// The same for many files in one run of xmllint; when that fails, each is
// checked alone, so that the message names the files at fault.
std::string XmlProblems(const std::vector<std::string> &paths);

} // namespace sentrova_test
