/* Types shared by the driver libraries' headers. */
#ifndef TOVARIN_TYPES_H
#define TOVARIN_TYPES_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct TFPrnResult {
    int32_t Code;
    int32_t ErrorNumber;
    int32_t Reserved[5];
} TFPrnResult;

#define FPRN_DRIVER_ERROR (-7)
#define FPRN_ARGUMENT_ERROR (-8)

#ifdef FPRN_BUILDING_DRIVER
#define FPRN_API __attribute__((visibility("default")))
#else
#define FPRN_API
#endif

#ifdef __cplusplus
}
#endif

#endif
