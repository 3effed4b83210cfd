#pragma once

namespace tidemark {

// Renames `from` to `to` in one step that fails with EEXIST when something
// is already at `to`, so that an earlier file is never replaced. Returns 0 or
// the errno; ENOTSUP when the kernel or the file system has no such step,
// and the caller must check for itself.
int renameNoReplace(const char* from, const char* to);

}  // namespace tidemark
