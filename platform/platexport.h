#pragma once
// Everything else builds with hidden visibility; the platform library is the one shared copy
// per process, so its interface is exported explicitly.
#define FPRN_PLAT_API __attribute__((visibility("default")))
