// A burner on one simulated writer for the burn, abort and erase tests.
#include "BurnerTestSupport.h"

#include "IsoImage.h"

namespace kutest {

void BurnerTest::Open(bool viaDouble, int medium) {
    ASSERT_NE(AttachDrive(viaDouble, medium), nullptr);
    burner = std::make_unique<ku::TMCDBurner>();
    ASSERT_EQ(burner->DeviceList.size(), 1u);
    burner->SelectDevice(burner->DeviceList[0]);
    burner->OnWriteDone = [this](ku::TMCDBurner*, const std::string& error) {
        std::lock_guard<std::mutex> guard(lock_);
        doneErrors.push_back(error);
    };
    sim->SetCommandHook(&BurnerTest::Hook, this);
    if (!burnThreadStart_) { // a first burn shows where the library's threads start
        Burn(Image(1));
        sim->SetMedium(0, medium);
        sim->ClearLog(0);
        doneErrors.clear();
        ASSERT_NE(burnThreadStart_, nullptr);
    }
}

void* BurnerTest::burnThreadStart_ = nullptr;

void BurnerTest::TearDown() {
    if (sim)
        sim->SetCommandHook(nullptr, nullptr);
    clock.onSleep = nullptr;
    burner.reset();
    BurnTest::TearDown();
}

void __cdecl BurnerTest::Hook(void* self, int, const uint8_t* cdb) {
    auto* test = static_cast<BurnerTest*>(self);
    if (cdb[0] == 0x2A && !burnThreadStart_)
        burnThreadStart_ = ThreadStartAddress(::GetCurrentThreadId());
    if (test->onCommand)
        test->onCommand(cdb);
    if (cdb[0] == test->abortOpcode && ++test->seen_ == test->abortAt)
        test->burner->Abort();
}

std::string BurnerTest::Image(uint32_t sectors, uint32_t extraBytes, uint32_t seed) {
    std::string path = dir.File("image" + std::to_string(sectors) + "_" +
                                std::to_string(extraBytes) + ".iso");
    EXPECT_TRUE(mmcsim::MakeIsoImage(path, sectors, extraBytes, seed));
    return path;
}

size_t BurnerTest::DoneCount() {
    std::lock_guard<std::mutex> guard(lock_);
    return doneErrors.size();
}

std::string BurnerTest::Burn(const std::string& path) {
    size_t before = DoneCount();
    seen_ = 0;
    started = burner->BurnISOImage(path);
    EXPECT_TRUE(WaitUntil([&] { return DoneCount() > before; }, 60000)) << "no done event";
    burner->WaitForBurn();
    std::lock_guard<std::mutex> guard(lock_);
    EXPECT_EQ(doneErrors.size(), before + 1) << "one done event per burn";
    return doneErrors.size() > before ? doneErrors.back() : "(none)";
}

void BurnerTest::ExpectCleanEnd() {
    EXPECT_FALSE(burner->WriteRunning());
    // A thread that has just ended may still be listed for a moment.
    EXPECT_TRUE(WaitUntil([&] { return ThreadsStartingAt(burnThreadStart_) == 0; }, 3000))
        << ThreadsStartingAt(burnThreadStart_) << " threads of the burning library left";
    EXPECT_TRUE(LockIsFree(burner->LockSection()));
    EXPECT_EQ(burner->GetCacheFillPercent(), 0);
}

std::vector<mmcsim::CommandRecord> BurnerTest::Commands(uint8_t opcode, bool acceptedOnly) {
    std::vector<mmcsim::CommandRecord> found;
    for (int i = 0; i < sim->LogCount(0); ++i) {
        mmcsim::CommandRecord record;
        if (sim->LogEntry(0, i, &record) && record.cdb[0] == opcode &&
            (!acceptedOnly || record.scsiStatus == 0))
            found.push_back(record);
    }
    return found;
}

} // namespace kutest
