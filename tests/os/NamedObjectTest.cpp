#include "lib/os/NamedObject.h"

#include "tests/support/ChildProcess.h"
#include "tests/support/Sandbox.h"

#include <csignal>
#include <cstring>
#include <grp.h>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using ravlib::os::NamedObject;
using ravtest::Gate;
using ravtest::Sandbox;

bool allZero(const NamedObject& object) {
    const auto* bytes = static_cast<const unsigned char*>(object.view());
    for (std::size_t i = 0; i < object.size(); ++i)
        if (bytes[i] != 0)
            return false;
    return true;
}

std::string objectFile(const Sandbox& scratch, const char* name) {
    return scratch.runtime() + "/objects/" + name;
}

TEST(NamedObject, FirstHolderCreatesZeroedLaterHoldersShareTheMemory) {
    Sandbox scratch;
    NamedObject first;
    ASSERT_TRUE(first.open("Shared.Map", 1028));
    EXPECT_TRUE(first.created());
    EXPECT_TRUE(allZero(first));
    std::memset(first.view(), 0x5a, 1028);

    NamedObject second;
    ASSERT_TRUE(second.open("Shared.Map", 1028));
    EXPECT_FALSE(second.created());
    EXPECT_EQ(0x5a, static_cast<unsigned char*>(second.view())[1027]);
    static_cast<unsigned char*>(second.view())[0] = 1;
    EXPECT_EQ(1, static_cast<unsigned char*>(first.view())[0]);
}

TEST(NamedObject, VanishesWithItsLastHolderAndComesBackZeroed) {
    Sandbox scratch;
    NamedObject a, b;
    ASSERT_TRUE(a.open("Obj", 64));
    ASSERT_TRUE(b.open("Obj", 64));
    std::memset(a.view(), 0xff, 64);
    a.close();
    EXPECT_TRUE(std::filesystem::exists(objectFile(scratch, "Obj")));
    b.close();
    EXPECT_FALSE(std::filesystem::exists(objectFile(scratch, "Obj")));

    NamedObject c;
    ASSERT_TRUE(c.open("Obj", 64));
    EXPECT_TRUE(c.created());
    EXPECT_TRUE(allZero(c));
}

TEST(NamedObject, AKilledLastHolderLeavesNothingBehind) {
    Sandbox scratch;
    Gate ready;
    pid_t child = ravtest::startChild([&] {
        NamedObject held;
        if (!held.open("Killed", 128))
            return 1;
        std::memset(held.view(), 0x77, 128);
        ready.send('r');
        pause();
        return 0;
    });
    char c;
    ASSERT_TRUE(ready.receive(c));
    kill(child, SIGKILL);
    EXPECT_EQ(128 + SIGKILL, ravtest::waitChild(child));

    NamedObject again;
    ASSERT_TRUE(again.open("Killed", 128));
    EXPECT_TRUE(again.created());
    EXPECT_TRUE(allZero(again));
}

TEST(NamedObject, SurvivesAKilledHolderWhileAnotherStillHoldsIt) {
    Sandbox scratch;
    NamedObject mine;
    ASSERT_TRUE(mine.open("Both", 16));
    Gate ready;
    pid_t child = ravtest::startChild([&] {
        NamedObject held;
        if (!held.open("Both", 16) || held.created())
            return 1;
        static_cast<char*>(held.view())[3] = 9;
        ready.send('r');
        pause();
        return 0;
    });
    char c;
    ASSERT_TRUE(ready.receive(c));
    kill(child, SIGKILL);
    ravtest::waitChild(child);

    NamedObject late;
    ASSERT_TRUE(late.open("Both", 16));
    EXPECT_FALSE(late.created());
    EXPECT_EQ(9, static_cast<char*>(late.view())[3]);
    late.close();
    mine.close();
    EXPECT_FALSE(std::filesystem::exists(objectFile(scratch, "Both")));
}

TEST(NamedObject, ExactlyOneOfManySimultaneousOpenersCreates) {
    Sandbox scratch;
    constexpr int children = 12;
    Gate start, report, release;
    std::vector<pid_t> pids;
    for (int i = 0; i < children; ++i) {
        pids.push_back(ravtest::startChild([&] {
            start.becomeWaiter();
            start.wait();
            NamedObject object;
            if (!object.open("Race", 8))
                return 2;
            report.send(object.created() ? 'c' : 'o');
            // Hold on until every child has opened, so none sees it vanish.
            release.becomeWaiter();
            release.wait();
            return 0;
        }));
    }
    start.open();
    int createdCount = 0;
    for (int i = 0; i < children; ++i) {
        char c = 0;
        ASSERT_TRUE(report.receive(c));
        createdCount += c == 'c';
    }
    release.open();
    for (pid_t pid : pids)
        EXPECT_EQ(0, ravtest::waitChild(pid));
    EXPECT_EQ(1, createdCount);
}

TEST(NamedObject, RefusesBadNamesAndASecondOpen) {
    Sandbox scratch;
    NamedObject object;
    for (const char* name : {static_cast<const char*>(nullptr), "", ".lock", ".hidden", "a/b", "../escape"})
        EXPECT_FALSE(object.open(name, 8)) << (name ? name : "(null)");
    EXPECT_FALSE(object.open(std::string(201, 'n').c_str(), 8));
    ASSERT_TRUE(object.open("Once", 8));
    EXPECT_FALSE(object.open("Twice", 8));
    EXPECT_FALSE(std::filesystem::exists(objectFile(scratch, "Twice")));
}

TEST(NamedObject, OpeningAnExistingObjectLargerThanItIsFails) {
    Sandbox scratch;
    NamedObject small, large;
    ASSERT_TRUE(small.open("Sized", 16));
    EXPECT_FALSE(large.open("Sized", 4096));
    EXPECT_TRUE(large.open("Sized", 8));
}

TEST(NamedObject, RangeLocksExcludeOtherHoldersOfThisProcess) {
    Sandbox scratch;
    NamedObject a, b;
    ASSERT_TRUE(a.open("Locks", 64));
    ASSERT_TRUE(b.open("Locks", 64));
    EXPECT_TRUE(a.tryLockRange(5, 1));
    EXPECT_FALSE(b.tryLockRange(5, 1));
    EXPECT_TRUE(b.tryLockRange(6, 1));
    a.unlockRange(5, 1);
    EXPECT_TRUE(b.tryLockRange(5, 1));
    b.close();
    EXPECT_TRUE(a.tryLockRange(5, 2));
    EXPECT_FALSE(b.tryLockRange(0, 1));
    EXPECT_FALSE(a.tryLockRange(0, 0));
}

TEST(NamedObject, RangeLocksDieWithTheirHolder) {
    Sandbox scratch;
    NamedObject mine;
    ASSERT_TRUE(mine.open("Dying", 64));
    Gate ready;
    pid_t child = ravtest::startChild([&] {
        NamedObject held;
        if (!held.open("Dying", 64) || !held.tryLockRange(10, 1))
            return 1;
        ready.send('r');
        pause();
        return 0;
    });
    char c;
    ASSERT_TRUE(ready.receive(c));
    EXPECT_FALSE(mine.tryLockRange(10, 1));
    kill(child, SIGKILL);
    ravtest::waitChild(child);
    EXPECT_TRUE(mine.tryLockRange(10, 1));
}

// In a runtime directory of root's that its group may write, what one member
// makes the others may use: the group's, read and write for it, nothing for
// other users, whatever the umask.
TEST(NamedObject, AGroupSharedRuntimeDirectoryHandsItsGroupWhatIsMadeThere) {
    if (geteuid() != 0)
        GTEST_SKIP() << "a directory of root's needs root";
    constexpr gid_t kGroup = 65534;
    Sandbox scratch;
    ASSERT_FALSE(chmod(scratch.root().c_str(), 0755) || chown(scratch.runtime().c_str(), 0, kGroup) ||
                 chmod(scratch.runtime().c_str(), 0770));
    mode_t umaskBefore = umask(022);
    NamedObject rootsObject;
    ASSERT_TRUE(rootsObject.open("Shared.Map", 64));
    umask(umaskBefore);
    auto sharedMode = [&](const char* name) {
        struct stat st {};
        std::string path = scratch.runtime() + "/objects" + name;
        return stat(path.c_str(), &st) == 0 && st.st_gid == kGroup &&
               (st.st_mode & 07777) == (S_ISDIR(st.st_mode) ? (S_ISGID | 0770u) : 0660u);
    };
    for (const char* name : {"", "/.lock", "/Shared.Map"})
        EXPECT_TRUE(sharedMode(name)) << name;
    EXPECT_EQ(0, ravtest::waitChild(ravtest::startChild([&] {
                  NamedObject same, own;
                  if (setgroups(0, nullptr) != 0 || setgid(kGroup) != 0 || setuid(65534) != 0)
                      return 1;
                  umask(077);
                  return same.open("Shared.Map", 64) && !same.created() && own.open("Member.Map", 8) &&
                                 sharedMode("/Member.Map")
                             ? 0
                             : 2;
              })));
}

}  // namespace
