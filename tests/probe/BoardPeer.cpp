// A second process on the board: loads the board library given, opens and
// closes one board and prints both results. Its close sets the board's shared
// mail-close event, which a program waiting for mail elsewhere then sees.
#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

using BoardCall = int32_t (*)(int32_t);

BoardCall entry(void* library, const char* name) {
    return reinterpret_cast<BoardCall>(dlsym(library, name));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s LIBRARY BOARD\n", argv[0]);
        return 2;
    }
    char* end = nullptr;
    const long board = std::strtol(argv[2], &end, 10);
    if (*argv[2] == '\0' || *end != '\0' || board < 0 || board > 3) {
        std::fprintf(stderr, "board must be 0 to 3, not \"%s\"\n", argv[2]);
        return 2;
    }
    void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        std::fprintf(stderr, "%s\n", dlerror());
        return 1;
    }
    const BoardCall open = entry(library, "RV_open");
    const BoardCall close = entry(library, "RV_close");
    if (open == nullptr || close == nullptr) {
        std::fprintf(stderr, "%s lacks RV_open or RV_close\n", argv[1]);
        dlclose(library);
        return 1;
    }
    const int32_t opened = open(static_cast<int32_t>(board));
    const int32_t closed = close(static_cast<int32_t>(board));
    std::printf("%d %d\n", opened, closed);
    dlclose(library);
    return 0;
}
