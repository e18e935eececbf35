#include "lib/os/FileUpdate.h"

#include "tests/support/ChildProcess.h"
#include "tests/support/Sandbox.h"

#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>

namespace {

using ravlib::os::ReadResult;

TEST(FileUpdate, ReadTellsMissingFromUnreadable) {
    ravtest::Sandbox scratch;
    std::string contents = "stale";
    EXPECT_EQ(ReadResult::Missing, ravlib::os::readFile("none.ini", contents));
    EXPECT_EQ("", contents);
    std::filesystem::create_directory("dir.ini");
    EXPECT_EQ(ReadResult::Failed, ravlib::os::readFile("dir.ini", contents));
    EXPECT_EQ(ReadResult::Failed, ravlib::os::readFile(nullptr, contents));
}

TEST(FileUpdate, ReplaceWritesTheWholeFileAndLeavesNoTemporaryBehind) {
    ravtest::Sandbox scratch;
    ASSERT_TRUE(ravlib::os::replaceFile("a.ini", "one\r\n"));
    ASSERT_TRUE(ravlib::os::replaceFile("a.ini", "two\r\n"));
    std::string contents;
    ASSERT_EQ(ReadResult::Ok, ravlib::os::readFile("a.ini", contents));
    EXPECT_EQ("two\r\n", contents);
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("."))
        ++entries;
    EXPECT_EQ(1, entries);
}

TEST(FileUpdate, ReplaceKeepsPermissionsAndSymbolicLinks) {
    ravtest::Sandbox scratch;
    std::ofstream("real.ini") << "x";
    chmod("real.ini", 0640);
    std::filesystem::create_symlink("real.ini", "link.ini");
    ASSERT_TRUE(ravlib::os::replaceFile("link.ini", "y"));
    EXPECT_TRUE(std::filesystem::is_symlink("link.ini"));
    std::string contents;
    ASSERT_EQ(ReadResult::Ok, ravlib::os::readFile("real.ini", contents));
    EXPECT_EQ("y", contents);
    struct stat st {};
    ASSERT_EQ(0, stat("real.ini", &st));
    EXPECT_EQ(0640u, st.st_mode & 07777);
}

TEST(FileUpdate, ReplaceInAMissingDirectoryFailsCleanly) {
    ravtest::Sandbox scratch;
    EXPECT_FALSE(ravlib::os::replaceFile("no/dir/a.ini", "x"));
    EXPECT_FALSE(ravlib::os::replaceFile("", "x"));
}

TEST(FileUpdate, TheLockExcludesASecondHolderUntilReleased) {
    ravtest::Sandbox scratch;
    ravtest::Gate go, done;
    // The child forks before the lock exists, so it does not inherit it.
    pid_t child = ravtest::startChild([&] {
        go.becomeWaiter();
        go.wait();
        ravlib::os::FileUpdateLock second("b.ini");
        done.send(second.held() ? 'y' : 'n');
        return 0;
    });
    auto lock = std::make_unique<ravlib::os::FileUpdateLock>("a.ini");
    ASSERT_TRUE(lock->held());
    go.open();
    EXPECT_FALSE(done.readable(200)) << "second lock taken while the first was held";
    lock.reset();
    char c = 0;
    ASSERT_TRUE(done.receive(c));
    EXPECT_EQ('y', c);
    EXPECT_EQ(0, ravtest::waitChild(child));
}

}  // namespace
