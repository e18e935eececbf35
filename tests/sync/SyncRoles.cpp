// The roles a child process of the tests can play. Each reports on its
// standard output, one line per message, and may wait for a line on its
// standard input; a child left alone ends after a minute.
#include "tests/sync/SyncRoles.h"

#include "lib/os/NamedObject.h"
#include "lib/os/SyncWait.h"
#include "lib/sync/EvntCtrl.h"
#include "lib/sync/MutxCtrl.h"
#include "lib/sync/SemCtrl.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sched.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace synctest {

namespace {

void say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

std::string hear() {
    std::string line;
    char c;
    while (read(STDIN_FILENO, &c, 1) == 1 && c != '\n')
        line += c;
    return line;
}

void sleepUntilKilled() {
    for (;;)
        pause();
}

// sem-hold NAME: takes the semaphore and keeps it until killed.
int semHold(char** args) {
    ravlib::SemCtrl sem;
    if (sem.create(args[0]) != 1)
        return 2;
    sem.wait(ravlib::os::kInfinite);
    say("held");
    sleepUntilKilled();
    return 0;
}

// sem-wait NAME: once told, waits for the semaphore and says the result.
int semWait(char** args) {
    ravlib::SemCtrl sem;
    if (sem.create(args[0]) != 1)
        return 2;
    say("open");
    hear();
    uint32_t result = sem.wait(ravlib::os::kInfinite);
    say(std::to_string(result));
    sem.release();
    return 0;
}

// sem-count NAME COUNTER TIMES: adds 1 to the counter object TIMES times,
// each read-modify-write under the semaphore and with a pause inside.
int semCount(char** args) {
    ravlib::SemCtrl sem;
    ravlib::os::NamedObject counter;
    if (sem.create(args[0]) != 1 || !counter.open(args[1], sizeof(uint64_t)))
        return 2;
    auto* value = static_cast<volatile uint64_t*>(counter.view());
    long times = std::atol(args[2]);
    say("ready");
    hear();
    for (long i = 0; i < times; ++i) {
        sem.wait(ravlib::os::kInfinite);
        uint64_t seen = *value;
        if (i % 8 == 0)
            sched_yield();
        *value = seen + 1;
        sem.release();
    }
    say("done");
    return 0;
}

// mutex-hold NAME: creates the mutex, says isNew, keeps it until killed.
int mutexHold(char** args) {
    ravlib::MutxCtrl mutex;
    if (mutex.create(args[0]) != 1)
        return 2;
    say(std::to_string(mutex.isNew()));
    sleepUntilKilled();
    return 0;
}

// events PREFIX: opens PREFIX0..PREFIX4, then obeys lines: "wait MS"
// (answers the result), "set I", "quit".
int events(char** args) {
    ravlib::EvntCtrl set;
    for (int i = 0; i < ravlib::EvntCtrl::kEvents; ++i) {
        std::string name = std::string(args[0]) + std::to_string(i);
        if (set.create(i, name.c_str()) != 1)
            return 2;
    }
    say("open");
    for (;;) {
        std::string command = hear();
        if (command.rfind("wait ", 0) == 0) {
            say("waiting");
            uint32_t timeout = static_cast<uint32_t>(std::strtoul(command.c_str() + 5, nullptr, 0));
            say(std::to_string(set.wait(timeout)));
        } else if (command.rfind("set ", 0) == 0) {
            set.set(std::atoi(command.c_str() + 4));
            say("set");
        } else {
            return 0;
        }
    }
}

struct Role {
    const char* name;
    int arguments;
    int (*run)(char** args);
};

constexpr Role kRoles[] = {
    {"sem-hold", 1, semHold},     {"sem-wait", 1, semWait}, {"sem-count", 3, semCount},
    {"mutex-hold", 1, mutexHold}, {"events", 1, events},
};

std::vector<std::string> selfInRole(const std::vector<std::string>& roleAndArgs) {
    std::vector<std::string> words = {ravtest::selfPath(), "--role"};
    words.insert(words.end(), roleAndArgs.begin(), roleAndArgs.end());
    return words;
}

}  // namespace

Child::Child(const std::vector<std::string>& roleAndArgs) : ChildProcess(selfInRole(roleAndArgs)) {}

int runRole(int argc, char** argv) {
    if (argc < 3 || std::strcmp(argv[1], "--role") != 0)
        return -1;
    alarm(60);
    for (const Role& role : kRoles) {
        if (std::strcmp(argv[2], role.name) == 0)
            return argc - 3 == role.arguments ? role.run(argv + 3) : 3;
    }
    return 3;
}

}  // namespace synctest
