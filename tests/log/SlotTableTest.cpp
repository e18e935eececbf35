#include "lib/files/LogFile.h"
#include "lib/files/MapFile.h"
#include "lib/files/ProcMapFile.h"

#include "tests/log/LogTestSupport.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/Sandbox.h"

#include <csignal>
#include <gtest/gtest.h>
#include <memory>
#include <set>

namespace {

using ravlib::LogFile;
using ravlib::MapFile;
using ravlib::ProcMapFile;
using namespace ravtest;

// The table as another holder of the mapping sees it.
struct TableView {
    MapFile map;
    bool open() { return map.openMap("RavlibLog.Map", ProcMapFile::tableSize); }
    int32_t count() const { return static_cast<const int32_t*>(map.view())[0]; }
    int32_t inUse(int slot) const { return static_cast<const int32_t*>(map.view())[1 + slot]; }
};

TEST(SlotTable, TheMappingHasTheDocumentedLayout) {
    Sandbox scratch;
    LogFile first, second;
    ASSERT_TRUE(openLog(first));
    ASSERT_TRUE(openLog(second));
    TableView table;
    ASSERT_TRUE(table.open());
    EXPECT_FALSE(table.map.created());
    EXPECT_EQ(1028u, ProcMapFile::tableSize);
    EXPECT_EQ(2, table.count());
    EXPECT_EQ(1, table.inUse(0));
    EXPECT_EQ(1, table.inUse(1));
    EXPECT_EQ(0, table.inUse(2));
    first.close();
    EXPECT_EQ(1, table.count());
    EXPECT_EQ(0, table.inUse(0));
    EXPECT_EQ(1, table.inUse(1));
}

TEST(SlotTable, TheMappingVanishesWithItsLastHolder) {
    Sandbox scratch;
    {
        LogFile log;
        ASSERT_TRUE(openLog(log));
    }
    EXPECT_FALSE(std::filesystem::exists(scratch.runtime() + "/objects/RavlibLog.Map"));
    TableView table;
    ASSERT_TRUE(table.open());
    EXPECT_TRUE(table.map.created());
    EXPECT_EQ(0, table.count());
}

TEST(SlotTable, TwoProcessesGetSlotsZeroAndOneAndBothCountTwo) {
    Sandbox scratch;
    writeFile("RavlibLog.ini", "[LOG]\r\nLOGLEVEL=10007H\r\n");
    LogFile log;
    ASSERT_TRUE(openLog(log));
    Gate report, release;
    pid_t child = startChild([&] {
        LogFile other;
        if (!openLog(other))
            return 1;
        other.write(ravlib::LOG_TRACE, "second process");
        report.send(static_cast<char>(other.slotNo()));
        report.send(static_cast<char>(other.processCount()));
        release.becomeWaiter();
        release.wait();
        other.close();
        return 0;
    });
    char slot = -1, count = -1;
    ASSERT_TRUE(report.receive(slot));
    ASSERT_TRUE(report.receive(count));
    EXPECT_EQ(1, slot);
    EXPECT_EQ(2, count);
    EXPECT_EQ(0, log.slotNo());
    EXPECT_EQ(2, log.processCount());
    release.open();
    EXPECT_EQ(0, waitChild(child));
    EXPECT_EQ(1, log.processCount());
    EXPECT_EQ(traceLine("second process"), readFile("RavlibLog_0100.log"));
    ravlib::IniFile ini;
    ini.setFile("RavlibLog.ini");
    EXPECT_EQ(1, ini.getInt("LOG", "LOGLINE_01", -1));
}

TEST(SlotTable, SixteenProcessesOpeningAtOnceNeverShareASlot) {
    Sandbox scratch;
    constexpr int children = 16;
    Gate start, report, release;
    std::vector<pid_t> pids;
    for (int i = 0; i < children; ++i) {
        pids.push_back(startChild([&] {
            start.becomeWaiter();
            release.becomeWaiter();
            start.wait();
            LogFile log;
            if (!openLog(log))
                return 1;
            report.send(static_cast<char>(log.slotNo()));
            return release.wait() ? 0 : 3;
        }));
    }
    start.open();
    std::set<int> slots;
    for (int i = 0; i < children; ++i) {
        char slot = -1;
        ASSERT_TRUE(report.receive(slot));
        slots.insert(slot);
    }
    EXPECT_EQ(static_cast<std::size_t>(children), slots.size());
    EXPECT_EQ(0, *slots.begin());
    EXPECT_EQ(children - 1, *slots.rbegin());
    LogFile mine;
    ASSERT_TRUE(openLog(mine));
    EXPECT_EQ(children, mine.slotNo());
    EXPECT_EQ(children + 1, mine.processCount());
    release.open();
    for (pid_t pid : pids)
        EXPECT_EQ(0, waitChild(pid));
    EXPECT_EQ(1, mine.processCount());
}

// Starts a child that opens the log, reports its slot and waits to be killed.
pid_t startHolder(Gate& report) {
    return startChild([&report] {
        LogFile log;
        if (!openLog(log))
            return 1;
        report.send(static_cast<char>(log.slotNo()));
        pause();
        return 0;
    });
}

TEST(SlotTable, TheSlotOfAKilledProcessIsReclaimed) {
    Sandbox scratch;
    LogFile log;
    ASSERT_TRUE(openLog(log));
    Gate report;
    pid_t killed = startHolder(report);
    char slot = -1;
    ASSERT_TRUE(report.receive(slot));
    EXPECT_EQ(1, slot);
    kill(killed, SIGKILL);
    EXPECT_EQ(128 + SIGKILL, waitChild(killed));

    TableView table;
    ASSERT_TRUE(table.open());
    EXPECT_EQ(2, table.count());  // nobody has looked yet
    EXPECT_EQ(1, table.inUse(1));

    pid_t next = startHolder(report);
    ASSERT_TRUE(report.receive(slot));
    EXPECT_EQ(1, slot);
    EXPECT_EQ(2, log.processCount());
    kill(next, SIGKILL);
    waitChild(next);
    EXPECT_EQ(1, log.processCount());
    EXPECT_EQ(0, table.inUse(1));
    EXPECT_EQ(1, table.count());
}

TEST(SlotTable, AKilledLastHolderLeavesAFreshTable) {
    Sandbox scratch;
    Gate report;
    pid_t killed = startHolder(report);
    char slot = -1;
    ASSERT_TRUE(report.receive(slot));
    EXPECT_EQ(0, slot);
    kill(killed, SIGKILL);
    waitChild(killed);
    LogFile log;
    ASSERT_TRUE(openLog(log));
    EXPECT_EQ(0, log.slotNo());
    EXPECT_EQ(1, log.processCount());
}

TEST(SlotTable, WhenAll256SlotsAreTakenOpenFails) {
    Sandbox scratch;
    std::vector<std::unique_ptr<ProcMapFile>> holders;
    for (uint32_t i = 0; i < ProcMapFile::slotCount; ++i) {
        holders.push_back(std::make_unique<ProcMapFile>());
        ASSERT_TRUE(holders.back()->openMap("RavlibLog.Map", ProcMapFile::tableSize));
        ASSERT_TRUE(holders.back()->claimSlot());
        ASSERT_EQ(static_cast<int32_t>(i), holders.back()->slotNo());
    }
    LogFile log;
    EXPECT_FALSE(openLog(log));
    EXPECT_EQ(-1, log.slotNo());
    EXPECT_EQ(256, log.processCount());
    holders[100].reset();
    log.close();
    ASSERT_TRUE(openLog(log));
    EXPECT_EQ(100, log.slotNo());
    EXPECT_TRUE(std::filesystem::exists("RavlibLog_10000.log"));
}

TEST(SlotTable, ClaimNeedsAMappedTableAndOnlyOneSlotPerHolder) {
    Sandbox scratch;
    ProcMapFile unmapped;
    EXPECT_FALSE(unmapped.claimSlot());
    EXPECT_EQ(0, unmapped.processCount());
    ProcMapFile small;
    ASSERT_TRUE(small.openMap("Small.Map", 16));
    EXPECT_FALSE(small.claimSlot());
    ProcMapFile holder;
    ASSERT_TRUE(holder.openMap("RavlibLog.Map", ProcMapFile::tableSize));
    ASSERT_TRUE(holder.claimSlot());
    EXPECT_FALSE(holder.claimSlot());
    EXPECT_EQ(1, holder.processCount());
    EXPECT_FALSE(holder.openMap("Other.Map", 8));
}

}  // namespace
