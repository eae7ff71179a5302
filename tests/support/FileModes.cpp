#include "FileModes.h"

#include <sys/stat.h>

namespace bpconf::test {

unsigned SetUmask(unsigned mask) {
    return ::umask(static_cast<mode_t>(mask));
}

int ModeOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return -1;
    return static_cast<int>(st.st_mode & 07777);
}

}  // namespace bpconf::test
