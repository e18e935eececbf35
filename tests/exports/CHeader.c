/* Ravlib.h as a C application includes it, and the version the library
   answers is the one the build took from it. */
#include <Ravlib.h>

#include <stdio.h>
#include <string.h>

int main(void) {
    char text[32] = "";
    if (RV_version(text) != text || strcmp(text, RAVEL_VERSION) != 0 || RV_version(NULL) != NULL) {
        fprintf(stderr, "RV_version: \"%s\", the build's: \"%s\"\n", text, RAVEL_VERSION);
        return 1;
    }
    return 0;
}
