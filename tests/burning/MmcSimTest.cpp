// The simulated writer itself: it never writes past a buffer, reports progress while busy
// and keeps its command log, since the burner's tests compare images through it.
#include <cstring>

#include <gtest/gtest.h>

#include "MmcSim.h"

namespace {

TEST(MmcSim, AnswersStopAtTheBufferAndTheAllocationLength) {
    mmcsim::Simulator sim;
    uint8_t buffer[64];
    std::memset(buffer, 0xEE, sizeof(buffer));
    const uint8_t inquiry[6] = {0x12, 0, 0, 0, 96, 0};
    mmcsim::Result r = sim.Execute(0, inquiry, 6, buffer, 10, mmcsim::DirIn);
    EXPECT_EQ(r.scsiStatus, 0);
    EXPECT_EQ(r.transferred, 10u);
    EXPECT_EQ(buffer[10], 0xEE);
    const uint8_t shortAlloc[6] = {0x12, 0, 0, 0, 5, 0};
    r = sim.Execute(0, shortAlloc, 6, buffer, sizeof(buffer), mmcsim::DirIn);
    EXPECT_EQ(r.transferred, 5u);

    // A write whose buffer is shorter than its blocks is refused, not read past its end.
    const uint8_t write[10] = {0x2A, 0, 0, 0, 0, 0, 0, 0, 1, 0};
    r = sim.Execute(0, write, 10, buffer, sizeof(buffer), mmcsim::DirOut);
    EXPECT_EQ(r.scsiStatus, 2);
    EXPECT_EQ(r.sense[12], 0x1A);
}

TEST(MmcSim, BusyDriveAnswersNotReadyAndRequestSenseShowsTheProgress) {
    mmcsim::Simulator sim;
    sim.SetMedium(0, mmcsim::CDRW);
    sim.SetBusyAfterLongOps(0, 2);
    const uint8_t blank[12] = {0xA1, 0x11};
    EXPECT_EQ(sim.Execute(0, blank, 12, nullptr, 0, mmcsim::DirNone).scsiStatus, 0);
    const uint8_t tur[6] = {0x00};
    mmcsim::Result r = sim.Execute(0, tur, 6, nullptr, 0, mmcsim::DirNone);
    EXPECT_EQ(r.sense[2], 2);
    EXPECT_EQ(r.sense[12], 0x04);
    EXPECT_EQ(r.sense[13], 0x07);
    uint8_t sense[18] = {};
    const uint8_t requestSense[6] = {0x03, 0, 0, 0, 18, 0};
    r = sim.Execute(0, requestSense, 6, sense, sizeof(sense), mmcsim::DirIn);
    EXPECT_EQ(r.scsiStatus, 0);
    EXPECT_EQ(sense[12], 0x04);
    r = sim.Execute(0, requestSense, 6, sense, sizeof(sense), mmcsim::DirIn);
    EXPECT_EQ(sense[12], 0x00);
    EXPECT_EQ(sim.Execute(0, tur, 6, nullptr, 0, mmcsim::DirNone).scsiStatus, 0);

    EXPECT_EQ(sim.LogCount(0), 5);
    EXPECT_EQ(sim.CountCommands(0, 0x03), 2);
    mmcsim::CommandRecord record;
    ASSERT_TRUE(sim.LogEntry(0, 1, &record));
    EXPECT_EQ(record.cdb[0], 0x00);
    EXPECT_EQ(record.asc, 0x04);
}

TEST(MmcSim, UnknownCommandsAndMissingMediaGiveTheirSense) {
    mmcsim::Simulator sim;
    const uint8_t unknown[10] = {0xEE};
    mmcsim::Result r = sim.Execute(0, unknown, 10, nullptr, 0, mmcsim::DirNone);
    EXPECT_EQ(r.sense[2], 5);
    EXPECT_EQ(r.sense[12], 0x20);
    sim.SetMedium(0, mmcsim::NoMedium);
    uint8_t info[34];
    const uint8_t discInfo[10] = {0x51, 0, 0, 0, 0, 0, 0, 0, 34, 0};
    r = sim.Execute(0, discInfo, 10, info, sizeof(info), mmcsim::DirIn);
    EXPECT_EQ(r.sense[2], 2);
    EXPECT_EQ(r.sense[12], 0x3A);
    EXPECT_EQ(r.transferred, 0u);
}

} // namespace
