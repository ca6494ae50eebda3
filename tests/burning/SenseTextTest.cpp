// Status, sense and command-name texts: known and unknown codes and pairs.
#include <cstring>

#include <gtest/gtest.h>

#include "burning/mbConst.h"
#include "burning/mbDrvLib.h"

using namespace ku;

namespace {

SRB_ExecSCSICmd CheckCondition(uint8_t key, uint8_t asc, uint8_t ascq, uint8_t extra = 10) {
    SRB_ExecSCSICmd srb{};
    srb.SRB_Status = SS_ERR;
    srb.SRB_TargStat = 0x02;
    srb.SenseArea[0] = 0x70;
    srb.SenseArea[2] = key;
    srb.SenseArea[7] = extra;
    srb.SenseArea[12] = asc;
    srb.SenseArea[13] = ascq;
    return srb;
}

TEST(SenseText, KnownAndUnknownPairs) {
    TSCSIDevice device;
    EXPECT_EQ(device.SenseText(CheckCondition(5, 0x24, 0x00)),
              "ILLEGAL REQUEST (INVALID FIELD IN CDB)");
    EXPECT_EQ(device.SenseText(CheckCondition(2, 0x04, 0x08)),
              "NOT READY (LOGICAL UNIT NOT READY, LONG WRITE IN PROGRESS)");
    EXPECT_EQ(device.SenseText(CheckCondition(3, 0x73, 0x03)),
              "MEDIUM ERROR (POWER CALIBRATION AREA ERROR)");
    EXPECT_EQ(device.SenseText(CheckCondition(4, 0x08, 0x03)),
              "HARDWARE ERROR (LOGICAL UNIT COMMUNICATION CRC ERROR (ULTRA-DMA/32))");
    EXPECT_EQ(device.SenseText(CheckCondition(5, 0x99, 0x01)), "ILLEGAL REQUEST (153,1)");
    EXPECT_EQ(device.SenseText(CheckCondition(6, 0x29, 0x07)), "UNIT ATTENTION (41,7)");
    EXPECT_EQ(device.SenseText(CheckCondition(5, 0x24, 0x00, 0)), "ILLEGAL REQUEST");
    EXPECT_EQ(device.LastSense[12], 0x24); // the sense is kept
}

TEST(SenseText, SenseKeysAndResponseCodes) {
    TSCSIDevice device;
    EXPECT_EQ(device.SenseText(CheckCondition(0x80, 0, 0, 0)), "FILEMARK");
    EXPECT_EQ(device.SenseText(CheckCondition(0x40, 0, 0, 0)), "END OF MEDIA");
    EXPECT_EQ(device.SenseText(CheckCondition(0x20, 0, 0, 0)), "ILLEGAL LENGTH");
    EXPECT_EQ(device.SenseText(CheckCondition(0x00, 0, 0, 0)), "NO ADDITIONAL SENSE INFORMATION");
    EXPECT_EQ(device.SenseText(CheckCondition(9, 0, 0, 0)), "CHECK CONDITION");
    EXPECT_EQ(device.SenseText(CheckCondition(12, 0, 0, 0)), "CHECK CONDITION");
    EXPECT_EQ(device.SenseText(CheckCondition(10, 0, 0, 0)), "COPYABORTED");
    EXPECT_EQ(device.SenseText(CheckCondition(15, 0, 0, 0)), "RESERVED");
    SRB_ExecSCSICmd deferred = CheckCondition(3, 0, 0, 0);
    deferred.SenseArea[0] = 0x71;
    EXPECT_EQ(device.SenseText(deferred), "MEDIUM ERROR");
    SRB_ExecSCSICmd descriptor = CheckCondition(3, 0, 0, 0);
    descriptor.SenseArea[0] = 0x72;
    EXPECT_EQ(device.SenseText(descriptor), "UNKNOWN");
    SRB_ExecSCSICmd none = CheckCondition(3, 0, 0, 0);
    none.SenseArea[0] = 0;
    EXPECT_EQ(device.SenseText(none), "");
}

TEST(SenseText, StatusTexts) {
    TSCSIDevice device;
    EXPECT_EQ(device.StatusText(SS_COMP, 0, 0), "");
    EXPECT_EQ(device.StatusText(SS_PENDING, 0, 0), "");
    EXPECT_EQ(device.StatusText(SS_ABORTED, 0, 0), "OPERATION ABORTED BY USER");
    EXPECT_EQ(device.StatusText(SS_ABORT_FAIL, 0, 0), "OPERATION ABORTED BY USER");
    EXPECT_EQ(device.StatusText(0x80, 0, 0), "INVALID REQUEST");
    EXPECT_EQ(device.StatusText(0x82, 0, 0), "NO DEVICE");
    EXPECT_EQ(device.StatusText(0xE5, 0, 0), "ASPI IS BUSY");
    EXPECT_EQ(device.StatusText(0xE6, 0, 0), "BUFFER TOO BIG");
    EXPECT_EQ(device.StatusText(0xE8, 0, 0), "UNKNOWN");
    EXPECT_EQ(device.StatusText(SS_ERR, 0x09, 0), "COMMAND TIMEOUT");
    EXPECT_EQ(device.StatusText(SS_ERR, 0x13, 0), "UNEXPECTED BUS FREE");
    EXPECT_EQ(device.StatusText(SS_ERR, 0x14, 0), "UNKNOWN");
    EXPECT_EQ(device.StatusText(SS_ERR, 0, 0x18), "TARGET RESERVATION CONFLICT");
    EXPECT_EQ(device.StatusText(SS_ERR, 0, 0x28), "TARGET QUEUE FULL");
    EXPECT_EQ(device.StatusText(SS_ERR, 0, 0x04), "UNKNOWN");
    EXPECT_FALSE(device.TargetBusy);
    EXPECT_EQ(device.StatusText(SS_ERR, 0, 0x08), "TARGET BUSY");
    EXPECT_TRUE(device.TargetBusy);
}

TEST(SenseText, TablesHoldEveryDefinedText) {
    EXPECT_EQ(AdditionalSenseTextCount(), 256u);
    int named = 0;
    for (int code = 0; code < 256; ++code) {
        const std::string& name = SCSICommandName(static_cast<uint8_t>(code));
        if (name.size() == 22)
            ++named;
        else
            ASSERT_EQ(name.size(), 2u) << code;
        for (char c : name)
            ASSERT_FALSE(c >= 'a' && c <= 'z') << name;
    }
    EXPECT_EQ(named, 51);
    EXPECT_EQ(SCSICommandName(0x00), "TEST UNIT READY       ");
    EXPECT_EQ(SCSICommandName(0x23), "READ FORMAT CAPACITIES");
    EXPECT_EQ(SCSICommandName(0xBF), "SEND DVD STRUCTURE    ");
    EXPECT_EQ(SCSICommandName(0x02), "02");
    EXPECT_EQ(SCSICommandName(0xFE), "FE");
    for (int asc = 0; asc < 256; ++asc) {
        for (int ascq = 0; ascq < 256; ++ascq) {
            const char* text =
                AdditionalSenseText(static_cast<uint8_t>(asc), static_cast<uint8_t>(ascq));
            for (const char* c = text; c && *c; ++c)
                ASSERT_FALSE(*c >= 'a' && *c <= 'z') << text;
        }
    }
    EXPECT_STREQ(AdditionalSenseText(0x04, 0x02),
                 "LOGICAL UNIT NOT READY, INITIALIZING CMD. REQUIRED");
    EXPECT_STREQ(AdditionalSenseText(0x73, 0x00), "CD CONTROL ERROR");
    EXPECT_EQ(AdditionalSenseText(0x04, 0x05), nullptr);
}

TEST(SenseText, DiscTypeNames) {
    EXPECT_STREQ(DiscTypeNames[dtUnknown], "UNKNOWN");
    EXPECT_STREQ(DiscTypeNames[dtDVDRWRestricted], "DVD-RW");
    EXPECT_STREQ(DiscTypeNames[dtDVDPlusRDL], "DVD+R DL");
    EXPECT_STREQ(DiscTypeNames[dtDDCDRW], "DDCD-RW");
}

} // namespace
