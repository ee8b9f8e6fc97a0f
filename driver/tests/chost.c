/* A host written in C that links nothing but the driver library and has no message loop of
 * its own: opens the port given as argument, asks for the hardware status, prints the result
 * code and the reply, and closes. */
#include "tovarin.h"

#include <stdio.h>

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: %s PORT\n", argv[0]);
        return 2;
    }
    int32_t opened = OpenFPrn(argv[1], 9600);
    printf("open %d\n", (int)opened);
    if (opened != 0) return 1;
    TFPrnResult result;
    char reply[100];
    int32_t length = sizeof reply;
    cmHardwareStatus(&result, reply, &length);
    printf("code %d length %d reply %.*s\n", (int)result.Code, (int)length, (int)length, reply);
    printf("close %d\n", (int)CloseFPrn());
    return result.Code == 0 ? 0 : 1;
}
