#include "tests/support/Sandbox.h"
#include "tests/sync/SyncRoles.h"

#include "lib/sync/MutxCtrl.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using namespace ravlib;
using ravtest::Sandbox;
using synctest::Child;

class MailMutex : public testing::Test {
protected:
    Sandbox runtime;
};

TEST_F(MailMutex, IsNewBeforeAnyCreate) {
    MutxCtrl mutex;
    EXPECT_EQ(mutex.isNew(), 1);
    EXPECT_FALSE(mutex.isOpen());
}

// One process, several handles: each step creates or closes one handle and
// states the expected result and isNew of every handle afterwards.
struct Step {
    enum Action { kCreate, kClose } action;
    int handle;
    int32_t result;  // of create; unused for close
    int32_t isNew[3];
};

struct Sequence {
    const char* label;
    std::vector<Step> steps;
};

class MailMutexSequence : public testing::TestWithParam<Sequence> {
protected:
    Sandbox runtime;
};

TEST_P(MailMutexSequence, GivesIsNewAsWindowsWould) {
    MutxCtrl handles[3];
    int index = 0;
    for (const Step& step : GetParam().steps) {
        SCOPED_TRACE("step " + std::to_string(index++));
        if (step.action == Step::kCreate)
            EXPECT_EQ(handles[step.handle].create("RavlibBrd00_Mutx"), step.result);
        else
            handles[step.handle].close();
        for (int h = 0; h < 3; ++h)
            EXPECT_EQ(handles[h].isNew(), step.isNew[h]) << "handle " << h;
    }
}

INSTANTIATE_TEST_SUITE_P(Steps, MailMutexSequence,
                         testing::Values(Sequence{"SecondCreateFindsItExisting",
                                                  {{Step::kCreate, 0, 1, {1, 1, 1}}, {Step::kCreate, 1, 1, {1, 0, 1}}}},
                                         Sequence{"CloseOfTheOpenerLeavesItExisting",
                                                  {{Step::kCreate, 0, 1, {1, 1, 1}},
                                                   {Step::kCreate, 1, 1, {1, 0, 1}},
                                                   {Step::kClose, 1, 0, {1, 1, 1}},
                                                   {Step::kCreate, 2, 1, {1, 1, 0}}}},
                                         Sequence{"CloseOfTheCreatorLeavesItToTheOpener",
                                                  {{Step::kCreate, 0, 1, {1, 1, 1}},
                                                   {Step::kCreate, 1, 1, {1, 0, 1}},
                                                   {Step::kClose, 0, 0, {1, 0, 1}},
                                                   {Step::kCreate, 2, 1, {1, 0, 0}}}},
                                         Sequence{"CloseAndCreateAgainMakesItNew",
                                                  {{Step::kCreate, 0, 1, {1, 1, 1}},
                                                   {Step::kClose, 0, 0, {1, 1, 1}},
                                                   {Step::kCreate, 0, 1, {1, 1, 1}},
                                                   {Step::kCreate, 1, 1, {1, 0, 1}},
                                                   {Step::kClose, 1, 0, {1, 1, 1}},
                                                   {Step::kClose, 0, 0, {1, 1, 1}},
                                                   {Step::kCreate, 2, 1, {1, 1, 1}}}},
                                         Sequence{"CreateAgainOnTheSameHandle",
                                                  {{Step::kCreate, 0, 1, {1, 1, 1}},
                                                   {Step::kCreate, 0, 1, {1, 1, 1}},
                                                   {Step::kCreate, 1, 1, {1, 0, 1}}}}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(MailMutex, BadNameFailsAndKeepsIsNew) {
    MutxCtrl mutex;
    EXPECT_EQ(mutex.create("Ravlib/Brd00_Mutx"), 0);
    EXPECT_EQ(mutex.create(nullptr), 0);
    EXPECT_EQ(mutex.create(std::string(300, 'M').c_str()), 0);
    EXPECT_EQ(mutex.isNew(), 1);
    EXPECT_FALSE(mutex.isOpen());
    EXPECT_TRUE(runtime.objectFiles().empty());
}

TEST_F(MailMutex, VanishesWithItsLastHolder) {
    auto mutex = std::make_unique<MutxCtrl>();
    ASSERT_EQ(mutex->create("RavlibBrd20_Mutx"), 1);
    EXPECT_EQ(runtime.objectFiles().size(), 1u);
    mutex.reset();
    EXPECT_TRUE(runtime.objectFiles().empty());
}

TEST_F(MailMutex, ExistsForOtherProcessesWhileHeld) {
    Child first({"mutex-hold", "RavlibBrd00_Mutx"});
    EXPECT_EQ(first.readLine(), "1");
    Child second({"mutex-hold", "RavlibBrd00_Mutx"});
    EXPECT_EQ(second.readLine(), "0");
    MutxCtrl mine;
    ASSERT_EQ(mine.create("RavlibBrd00_Mutx"), 1);
    EXPECT_EQ(mine.isNew(), 0);
}

TEST_F(MailMutex, IsGoneWhenItsHolderIsKilled) {
    Child holder({"mutex-hold", "RavlibBrd00_Mutx"});
    ASSERT_EQ(holder.readLine(), "1");
    MutxCtrl mine;
    ASSERT_EQ(mine.create("RavlibBrd00_Mutx"), 1);
    ASSERT_EQ(mine.isNew(), 0);
    mine.close();
    EXPECT_EQ(holder.kill(), 128 + 9);
    ASSERT_EQ(mine.create("RavlibBrd00_Mutx"), 1);
    EXPECT_EQ(mine.isNew(), 1);
    // And now this process holds it for the others.
    Child other({"mutex-hold", "RavlibBrd00_Mutx"});
    EXPECT_EQ(other.readLine(), "0");
}

TEST_F(MailMutex, OfOneLineDoesNotBlockAnother) {
    MutxCtrl line0;
    MutxCtrl line1;
    ASSERT_EQ(line0.create("RavlibBrd00_Mutx"), 1);
    ASSERT_EQ(line1.create("RavlibBrd01_Mutx"), 1);
    EXPECT_EQ(line0.isNew(), 1);
    EXPECT_EQ(line1.isNew(), 1);
}

}  // namespace
