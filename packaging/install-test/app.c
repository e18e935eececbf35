/* An application of the installed library: board 0 of the running host
   opened and started as station 1, its own block written and read back,
   the counter station's block seen advancing over the bus, then closed. */
#define _POSIX_C_SOURCE 200809L

#include <Ravlib.h>

#include <stdio.h>
#include <string.h>
#include <time.h>

static int failed(const char* call, int32_t code) {
    if (code != MKY43_ER_OK)
        fprintf(stderr, "app: %s answered %d\n", call, (int)code);
    return code != MKY43_ER_OK;
}

int main(void) {
    char version[32];
    int16_t mine[4] = {0x1234, 0x5678, -2, 7}, back[4], first[4], later[4];
    int32_t address = 0, size = 0;
    struct timespec pause = {0, 10000000};
    int tries;

    printf("library %s\n", RV_version(version));
    if (failed("RV_open", RV_open(0)) || failed("RV_start", RV_start(0, 0, 1, 1, 0)) ||
        failed("RV_GetCnectStat", RV_GetCnectStat(0, 0, &address, &size)) ||
        failed("RV_SetMemShort", RV_SetMemShort(0, 0, mine, 1, 0, 4)) ||
        failed("RV_GetMemShort", RV_GetMemShort(0, 0, back, 1, 0, 4)) ||
        failed("RV_GetMemShort", RV_GetMemShort(0, 0, first, 10, 0, 4)))
        return 1;
    if (address != 1 || size != 1 || memcmp(mine, back, sizeof mine) != 0) {
        fprintf(stderr, "app: station %d size %d, block %s\n", (int)address, (int)size,
                memcmp(mine, back, sizeof mine) ? "differs" : "as written");
        return 1;
    }
    for (tries = 0; tries < 1000; ++tries) {
        if (failed("RV_GetMemShort", RV_GetMemShort(0, 0, later, 10, 0, 4)))
            return 1;
        if (memcmp(first, later, sizeof first) != 0)
            break;
        nanosleep(&pause, NULL);
    }
    if (tries == 1000) {
        fprintf(stderr, "app: station 10's block never changed\n");
        return 1;
    }
    if (failed("RV_stop", RV_stop(0, 0)) || failed("RV_close", RV_close(0)))
        return 1;
    puts("round trip ok");
    return 0;
}
