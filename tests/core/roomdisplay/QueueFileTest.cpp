#include "roomdisplay/QueueFile.h"

#include "LogLines.h"
#include "TestDisplay.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace zarava {
namespace {

// One field per record, "|" between records: the tickets of the lines that count.
std::string Tickets(const std::vector<QueueRecord>& records) {
    std::string text;
    for (const QueueRecord& r : records) {
        text += (text.empty() ? "" : "|") + std::string(r.TicketNo);
    }
    return text;
}

std::string Line(const std::string& ticket, int fields = 11, const std::string& end = "\r\n") {
    return ticket + std::string(fields - 1, '\t') + end;
}

TEST(QueueFileTest, RecordsAreLinesOfExactlyElevenFieldsInFileOrder) {
    const std::string big(5 * 1024 * 1024, 'x');
    const struct {
        const char* what;
        std::string bytes;
        std::string tickets;
    } cases[] = {
        {"CR LF", Line("1") + Line("2") + Line("3"), "1|2|3"},
        {"ten and twelve fields", Line("1", 10) + Line("2") + Line("3", 12), "2"},
        {"empty lines and an empty file", "\r\n\r\n" + Line("4") + "\r\n", "4"},
        {"", "", ""},
        {"no final line end", Line("1") + Line("2", 11, ""), "1|2"},
        {"LF only", Line("1", 11, "\n") + Line("2", 11, "\n"), "1|2"},
        {"CR only", Line("1", 11, "\r") + Line("2", 11, "\r"), "1|2"},
        {"cut in the middle of a line", Line("1") + Line("2").substr(0, 5), "1"},
        {"a 5 MB line", Line("1") + big + "\r\n" + Line("2"), "1|2"},
        {"garbage bytes", std::string("\x00\xff\x80\t\x01", 5) + "\r\n" + Line("5"), "5"},
        {"spaces trimmed, tabs are separators", Line("  7 ") + Line("\t8"), "7"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Tickets(ParseQueueFile(c.bytes)), c.tickets) << c.what;
    }
}

TEST(QueueFileTest, FieldsAreSplitAtTabsAndTrimmedOfSpacesButTheTicketClass) {
    // 呼 is 8C C4; 表 ends in 5C; 0x81 0x09 is a lead byte before a Tab, which still splits.
    const std::string bytes = "12\t9:00\t9:05:30\t 3 \t\x8c\xc4\t\t\t 1\t\t\t\r\n"
                              "\x95\x5c\t\t\t\t\x81\t\t\t\t\t\t\r\n";
    std::string fields;
    for (const QueueRecord& r : ParseQueueFile(bytes)) {
        for (std::string_view f : {r.TicketNo, r.IssuedAt, r.CalledAt, r.CounterNo, r.State}) {
            fields.append(f).append("|");
        }
        fields.append(r.TicketClass).append("\n");
    }
    // The ticket class is not trimmed; 表 stays whole.
    EXPECT_EQ(fields, "12|9:00|9:05:30|3|\x8c\xc4| 1\n\x95\x5c||||\x81|\n");
}

TEST(QueueFileTest, TroubleOfARead) {
    using T = QueueFileTrouble;
    using R = ReadFileResult;
    const std::string record = Line("1");
    const struct {
        R read;
        std::string bytes;
        T trouble;
    } cases[] = {
        {R::Missing, "", T::None},
        {R::Ok, "\r\n\r\n", T::None},
        {R::Ok, record + "12\t\t\t\t\x8c\xc4\t\t\x95\x5c\t\t\t\t\r\n", T::None},
        {R::NotAFile, "", T::NotAFile},
        {R::Failed, "", T::Unreadable},
        {R::Ok, record + std::string("2\0\t", 3), T::HoldsNul},
        {R::TooLarge, std::string(100, '\0'), T::HoldsNul},
        {R::Ok, "\xef\xbb\xbf" + record, T::Utf8},
        {R::Ok, "1\t\t\t\t\xe5\x91\xbc\t\t\t\t\t\t\r\n", T::Utf8}, // 呼 in UTF-8
        {R::Ok, "\x89PNG\r\n\x1a\n\xff", T::NotText},
        {R::Ok, "\x81\t\r\n", T::NotText},           // half of a double-byte character
        {R::Ok, record + "\x01\xff", T::None},       // a line the room can show
        {R::TooLarge, record + "\x81", T::TooLarge}, // cut at the limit
        {R::Ok, "1,2,3\r\n4,5,6\r\n", T::NoRecords},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QueueFileTroubleOf(c.read, c.bytes), c.trouble) << c.bytes;
    }
}

// One line when the trouble starts, however many polls find it, and one when it ends.
TEST(QueueFileTest, TheLogSaysOnceWhyARoomCannotShowItsFileAndOnceWhenItCanAgain) {
    SKIP_ON_WINDOWS("it needs a FIFO");
    const struct {
        const char* what;
        void (*put)(const std::string& path);
        const char* trouble;
    } cases[] = {
        // A folder or a device in place of the file reads as a pipe does.
        {"pipe", [](const std::string& p) { test::MakeFifo(p); },
         "is not a file but a folder, a pipe or a device"},
        {"loop", [](const std::string& p) { std::filesystem::create_symlink(p, p); },
         "cannot be read (no permission, a link that leads nowhere, or the share failed)"},
        {"UTF-8",
         [](const std::string& p) {
             std::ofstream(p, std::ios::binary) << "1\t\t\t\t\xe5\x91\xbc\t\t\t\t\t\t";
         },
         "is UTF-8, not code page 932 text: no ticket shows as called"},
    };
    for (const auto& c : cases) {
        test::TestDisplay d(test::RoomSettings().Ini());
        std::filesystem::create_directory(d.folder / "temp");
        const std::string file = d.folder / "temp/20240108_1.tmp";
        c.put(file);
        auto room = d.Room(1);
        d.time.AdvanceBy(5 * RoomWindow::kPollMs);
        std::filesystem::remove(file);
        d.folder.Write("temp/20240108_1.tmp", Line("1"));
        ASSERT_TRUE(test::SetLastWrite(file, {2024, 1, 8, 12, 0, 0, 0}));
        d.time.AdvanceBy(3 * RoomWindow::kPollMs);
        EXPECT_EQ(test::LogLines(d.folder), "room 1 queue file: FOLDER/temp/20240108_1.tmp " +
                                                std::string(c.trouble) +
                                                "\nroom 1 queue file: all right again\n")
            << c.what;
    }
}

} // namespace
} // namespace zarava
