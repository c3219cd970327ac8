// Files of our own that no user named: the document's temporary file beside
// its target, and unnamed scratch files for what waits until a document ends.
#pragma once

#include <string>

namespace conversion {

// A new file ".NAME.RANDOM.tmp" beside `target`, created exclusively (never a
// file or link that was there before), open for writing; its path in
// `tempPath`. -1 with errno set on failure.
int CreateTemporaryBeside(const std::string &target, std::string &tempPath);

// The folder for unnamed scratch files: $TMPDIR, else /tmp.
std::string ScratchFolder();
// A read-write file in `folder` that no name leads to, gone when closed; -1
// with errno set on failure.
int OpenScratchFile(const std::string &folder);

} // namespace conversion
