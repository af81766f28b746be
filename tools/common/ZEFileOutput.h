// Writing a whole file so that a crash or a full disk never leaves a half
// file behind: the bytes go to "<path>.tmp", which replaces the target only
// once it was written and closed completely.
#pragma once

#include "core/ZEString.h"

#include <cstdint>
#include <vector>

// False, with the reason in `error`, when the file could not be written;
// the old file at `path` is then untouched.
bool ZEWriteFileAtomically(const ZEString& path, const std::vector<uint8_t>& bytes, ZEString& error);
