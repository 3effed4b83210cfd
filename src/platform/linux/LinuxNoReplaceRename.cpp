#include "core/NoReplaceRename.h"

#include <fcntl.h>
#include <stdio.h>

#include <cerrno>

namespace tidemark {

int renameNoReplace(const char* from, const char* to) {
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) {
        return 0;
    }
    // Kernels before 3.15 lack the call; some file systems (older NFS, FUSE)
    // refuse the flag.
    return errno == EINVAL || errno == ENOSYS ? ENOTSUP : errno;
}

}  // namespace tidemark
