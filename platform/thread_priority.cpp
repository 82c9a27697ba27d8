// Thread priorities, best effort: a per-thread nice value. Raising priority needs a
// capability that ordinary users lack; then the thread simply keeps its priority.
#include "platform/thread.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace orv {

void SetCurrentThreadPriority(ThreadPriority priority) {
    int nice = 0;
    switch (priority) {
    case ThreadPriority::Normal: nice = 0; break;
    case ThreadPriority::AboveNormal: nice = -5; break;
    case ThreadPriority::Highest: nice = -10; break;
    case ThreadPriority::TimeCritical: nice = -15; break;
    }
    // On Linux a nice value set for a thread id applies to that thread only.
    const auto tid = static_cast<id_t>(syscall(SYS_gettid));
    (void)setpriority(PRIO_PROCESS, tid, nice);
}

} // namespace orv
