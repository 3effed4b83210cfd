#include "core/NoReplaceRename.h"

#include <stdio.h>

#include <cerrno>

namespace tidemark {

int renameNoReplace(const char* from, const char* to) {
    if (::renamex_np(from, to, RENAME_EXCL) == 0) {
        return 0;
    }
    // File systems without exclusive renames (some network and FAT volumes)
    // say ENOTSUP; EINVAL comes from systems that do not know the flag.
    return errno == EINVAL ? ENOTSUP : errno;
}

}  // namespace tidemark
