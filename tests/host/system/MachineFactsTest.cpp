#include "host/system/MachineFacts.h"

#include <gtest/gtest.h>

#include <string>

namespace stagehand::host {
namespace {

TEST(MachineFactsTest, ReadsTotalAndAvailableMemoryInBytesAndZeroForMalformedFigures) {
    const MemoryFigures figures = ParseMeminfo(
        "MemTotal:       16314448 kB\nMemFree:         1021772 kB\n"
        "MemAvailable:    9876543 kB\nHugePages_Total:       0\n");
    EXPECT_EQ(figures.total, uint64_t{16314448} * 1024);
    EXPECT_EQ(figures.available, uint64_t{9876543} * 1024);

    const MemoryFigures crlf = ParseMeminfo("MemAvailable:\t12 kB\r\nMemTotal:34 kB");
    EXPECT_EQ(crlf.total, 34u * 1024);
    EXPECT_EQ(crlf.available, 12u * 1024);

    const MemoryFigures first = ParseMeminfo("MemTotal: 1 kB\nMemTotal: 2 kB\nMemAvailable: x\n");
    EXPECT_EQ(first.total, 1024u);
    EXPECT_EQ(first.available, 0u);

    // Missing or malformed figures are zero.
    EXPECT_EQ(ParseMeminfo("").total, 0u);
    EXPECT_EQ(ParseMeminfo("MemTotal: 100 kB\n").available, 0u);
    for (const char* line :
         {"MemTotal:\n", "MemTotal: kB\n", "MemTotal: 12\n", "MemTotal: 12 MB\n",
          "MemTotal: -12 kB\n", "MemTotal: 12 kB x\n", "MemTotal 12 kB\n", " MemTotal: 12 kB\n",
          "MemTotal: 18014398509481984 kB\n",  // 2^64 bytes
          "MemTotal: 99999999999999999999999 kB\n"}) {
        EXPECT_EQ(ParseMeminfo(line).total, 0u) << line;
    }
    EXPECT_EQ(ParseMeminfo("MemTotal: 18014398509481983 kB\n").total,
              uint64_t{18014398509481983} * 1024);
}

TEST(MachineFactsTest, ThisMachineTellsItsMemoryAndNames) {
    const MachineFacts facts = ReadMachineFacts();
    EXPECT_GT(facts.totalPhysicalMemory, 0u);
    EXPECT_LE(facts.availablePhysicalMemory, facts.totalPhysicalMemory);
    EXPECT_FALSE(facts.processorArchitecture.empty());
    EXPECT_EQ(facts.operatingSystem, "Linux " + facts.kernelRelease);
}

}  // namespace
}  // namespace stagehand::host
