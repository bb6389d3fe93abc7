// One handler's reading of zarava.ini: one read for every key, one fresh read for every miss,
// and the handler's own writes seen by its later reads.

#include "OldFiles.h"
#include "PausingClock.h"
#include "TempFolder.h"

#include "settings/SettingsSnapshot.h"
#include "text/Cp932.h"

#include <gtest/gtest.h>

#include <string>

namespace zarava {
namespace {

using test::PausingClock;
using test::TempFolder;

TEST(SettingsSnapshotTest, EveryKeyFromOneReadAndEveryMissFromOneFreshReadAfterThePause) {
    TempFolder folder;
    folder.Write("zarava.ini", Utf8ToCp932("[S]\r\nA=1\r\nB=\r\nT=表\r\n").value());
    PausingClock clock;
    clock.onSleep = [&] { folder.Write("zarava.ini", "[S]\r\nA=changed\r\nB=2\r\nC=3\r\n"); };
    SettingsSnapshot settings(folder / "zarava.ini", &clock);
    folder.Write("zarava.ini", "[S]\r\nA=later\r\n"); // read already: not seen
    EXPECT_EQ(settings.Read("s", "a"), "1");
    EXPECT_EQ(settings.Read("S", "T"), "表");
    EXPECT_EQ(clock.Slept(), 0);
    EXPECT_EQ(settings.Read("S", "B"), "2"); // empty: the fresh read after the pause
    EXPECT_EQ(settings.Read("S", "C"), "3"); // missing: the same fresh read, no second pause
    EXPECT_EQ(settings.Read("S", "D"), "");
    EXPECT_EQ(settings.Read("S", "A"), "1"); // found at first: stays as first read
    EXPECT_EQ(clock.Slept(), SettingsSnapshot::kRetryPauseMs) << "one pause";
}

TEST(SettingsSnapshotTest, TheHandlersOwnWritesShowInItsLaterReads) {
    TempFolder folder;
    folder.Write("zarava.ini", "\xEF\xBB\xBF[S]\r\nFORM=3\r\nK=x\r\n"); // UTF-8 with its mark
    test::MakeOld(folder / "zarava.ini");
    PausingClock clock;
    SettingsSnapshot settings(folder / "zarava.ini", &clock);
    ASSERT_NE(settings.Write(clock, "S", "K", "ソ"), 0);
    EXPECT_EQ(settings.Read("S", "K"), "ソ");
    // Another program changes FORM before the update: the update builds on what it finds.
    folder.Write("zarava.ini", "\xEF\xBB\xBF[S]\r\nFORM=1\r\nK=ソ\r\n");
    test::MakeOld(folder / "zarava.ini");
    ASSERT_NE(settings.Update(clock, "S", "FORM",
                              [](std::string_view now) { return std::string(now) + "6"; }),
              0);
    EXPECT_EQ(settings.Read("S", "FORM"), "16");
    EXPECT_EQ(folder.Read("zarava.ini"), "\xEF\xBB\xBF[S]\r\nFORM=16\r\nK=ソ\r\n");
    EXPECT_LT(clock.Slept(), SettingsSnapshot::kRetryPauseMs) << "no read missed";
}

} // namespace
} // namespace zarava
