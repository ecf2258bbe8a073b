#include "Platform.h"

#include <csignal>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace Platform {

void dieWithParent()
{
#ifdef __linux__
    prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
}

} // namespace Platform
