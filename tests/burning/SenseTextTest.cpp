// Sense texts: known and unknown keys, codes and pairs, and the formats without them.
#include <gtest/gtest.h>

#include "burning/mbConst.h"
#include "burning/mbDrvLib.h"

using namespace ku;

namespace {

TEST(SenseText, NamesTheSenseKeyAndTheAdditionalSense) {
    const struct {
        uint8_t responseCode, key, asc, ascq, extra;
        const char* text;
    } cases[] = {
        {0x70, 5, 0x24, 0x00, 10, "ILLEGAL REQUEST (INVALID FIELD IN CDB)"},
        {0x70, 2, 0x04, 0x08, 10, "NOT READY (LOGICAL UNIT NOT READY, LONG WRITE IN PROGRESS)"},
        {0x70, 5, 0x99, 0x01, 10, "ILLEGAL REQUEST (153,1)"},
        {0x70, 5, 0x24, 0x00, 0, "ILLEGAL REQUEST"}, // no additional sense length
        {0x70, 0x80, 0, 0, 0, "FILEMARK"},
        {0x70, 0x00, 0, 0, 0, "NO ADDITIONAL SENSE INFORMATION"},
        {0x70, 9, 0, 0, 0, "CHECK CONDITION"},
        {0x71, 3, 0, 0, 0, "MEDIUM ERROR"}, // deferred
        {0x72, 3, 0, 0, 0, "UNKNOWN"},      // descriptor format
        {0x00, 3, 0, 0, 0, ""},
    };
    for (const auto& c : cases) {
        TSCSIDevice device;
        SRB_ExecSCSICmd srb{};
        srb.SRB_Status = SS_ERR;
        srb.SRB_TargStat = 0x02;
        srb.SenseArea[0] = c.responseCode;
        srb.SenseArea[2] = c.key;
        srb.SenseArea[7] = c.extra;
        srb.SenseArea[12] = c.asc;
        srb.SenseArea[13] = c.ascq;
        EXPECT_EQ(device.SenseText(srb), c.text);
        EXPECT_EQ(device.LastSense[12], c.asc) << "the sense is kept";
    }
}

} // namespace
