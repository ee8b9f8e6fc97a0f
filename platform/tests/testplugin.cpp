// A library for the loading tests: it links the platform library like the driver libraries do.
#include "msgqueue.h"

extern "C" __attribute__((visibility("default"))) int fprn_testplugin_answer() {
    return 42;
}

// The queue fd this library sees for the calling thread.
extern "C" __attribute__((visibility("default"))) int fprn_testplugin_queue_fd() {
    return fprn::plat::QueueFd();
}

// Posts through the caller's target from inside the library.
extern "C" __attribute__((visibility("default"))) bool
fprn_testplugin_post(const fprn::plat::TargetRef* target, unsigned id) {
    return target->Post(id, 0, "from the library");
}
