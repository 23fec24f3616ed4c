#pragma once

#include <string>

namespace vyr {

// Replaces the file at `path` with `bytes` so that a crash or a full disk can
// never leave it half written: the bytes go to a new file beside it, are
// flushed to disk, and only then is the new file renamed over the old one.
// The new file is readable by its owner only. On failure the old file is
// untouched, the partial new file removed, and a RuntimeError raised.
void WriteFileAtomically(const std::string& path, const std::string& bytes);

// The whole content of a file; raises 53 when it does not exist, 75 when it
// cannot be read.
std::string ReadWholeFile(const std::string& path);

}  // namespace vyr
