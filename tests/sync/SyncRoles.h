// The roles a child process of the sync tests plays: this test program run
// again with --role, talking through its standard input and output.
#pragma once

#include "tests/support/ChildProcess.h"

#include <string>
#include <vector>

namespace synctest {

// This program run again as `--role <role> args...`.
class Child : public ravtest::ChildProcess {
public:
    explicit Child(const std::vector<std::string>& roleAndArgs);
};

// Runs a role when the program was started as a child; -1 when it was not.
int runRole(int argc, char** argv);

}  // namespace synctest
