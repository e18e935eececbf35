// Four processes with two writer threads each write their own elements of
// the same eight blocks: no update is lost, and a reader running alongside
// never sees a value that nobody wrote.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <sstream>
#include <thread>

#include "tests/support/HostedBoard.h"
#include "tests/support/PeerProcess.h"

namespace gmtest {
namespace {

using namespace ravlib;

constexpr int kProcesses = 4;

// The owner tag a word of blocks 0..7 may carry.
int ownerTag(int word) {
    const int block = word / 4;
    if (block < 4)
        return word % 4;
    return 8 + 2 * ((block - 4) / 2) + (word % 4) / 2;
}

using GmProcesses = HostedBoard;

TEST_F(GmProcesses, NoLostUpdateAcrossProcesses) {
    openOn({"--board", "0"});
    std::vector<std::unique_ptr<boardtest::PeerProcess>> peers;
    for (int p = 0; p < kProcesses; ++p) {
        peers.push_back(std::make_unique<boardtest::PeerProcess>());
        ASSERT_TRUE(peers.back()->ready());
        ASSERT_EQ(peers.back()->ask("open 0"), "0");
    }
    std::atomic<bool> done{false};
    std::atomic<int> reads{0}, invented{0};
    std::thread reader([&] {
        while (!done) {
            uint16_t seen[32];
            if (RV_GetMemShort(0, 0, reinterpret_cast<int16_t*>(seen), 0, 0, 32) != MKY43_ER_OK) {
                ++invented;
                continue;
            }
            ++reads;
            for (int w = 0; w < 32; ++w)
                if (seen[w] != 0 && (seen[w] >> 12) != ownerTag(w))
                    ++invented;
        }
    });
    for (int p = 0; p < kProcesses; ++p)
        peers[p]->send("write " + std::to_string(p) + " 2");
    std::vector<std::string> answers;
    for (int p = 0; p < kProcesses; ++p)
        answers.push_back(peers[p]->readLine(30000));
    done = true;
    reader.join();
    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(invented.load(), 0);

    uint16_t gm[32];
    ASSERT_EQ(RV_GetMemShort(0, 0, reinterpret_cast<int16_t*>(gm), 0, 0, 32), MKY43_ER_OK);
    int checked = 0;
    for (const std::string& a : answers) {
        std::istringstream words(a);
        std::string head;
        words >> head;
        ASSERT_EQ(head, "done") << a;
        for (std::string pair; words >> pair;) {
            const int word = std::stoi(pair.substr(0, pair.find(':')));
            const int value = std::stoi(pair.substr(pair.find(':') + 1));
            EXPECT_EQ(gm[word], value) << "GM word " << word << " lost its writer's last value";
            ++checked;
        }
    }
    EXPECT_EQ(checked, 32) << "every word of the eight blocks has one writer";
    for (auto& peer : peers)
        EXPECT_EQ(peer->exit(), 0);
}

}  // namespace
}  // namespace gmtest
