// Files of our own that no user named: the document's temporary file beside
// its target, and unnamed scratch files for what waits until a document ends.
#pragma once

#include <string>

namespace conversion {

// A new file ".NAME.RANDOM.tmp" beside `target`, created exclusively (never a
// file or link that was there before), open for writing; its name in
// `tempName`, relative to `folderFd`, the target's folder held open so that the
// file can be found even if the folder is renamed meanwhile (the caller closes
// it). -1 with errno set on failure, and no folder held.
int CreateTemporaryBeside(const std::string &target, int &folderFd, std::string &tempName);

// The folder for unnamed scratch files: $TMPDIR, else /tmp.
std::string ScratchFolder();
// A read-write file in `folder` that no name leads to, gone when closed; -1
// with errno set on failure.
int OpenScratchFile(const std::string &folder);

} // namespace conversion
