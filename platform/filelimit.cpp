#include "filelimit.h"

#include <sys/resource.h>

namespace fprn::plat {

bool FitsFileSizeLimit(std::uint64_t end) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return true;
    return end <= limit.rlim_cur;
}

} // namespace fprn::plat
