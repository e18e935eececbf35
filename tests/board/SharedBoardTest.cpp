#include "tests/board/HostedLibrary.h"
