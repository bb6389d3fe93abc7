#include "FuzzCheck.h"

#include "mainwindow/CommandLine.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The display's arguments as a person or a script may give them (NUL between arguments, as
// the system hands them over), and the issuer's command line that remains, for every number
// of rooms.

namespace {

using namespace zarava;

void CheckRooms(const std::string& commandLine) {
    for (int roomCount = 1; roomCount <= 6; ++roomCount) {
        const RoomSelection sel = SelectRooms(commandLine, roomCount);
        FUZZ_CHECK(sel.monitor >= 0 && sel.monitor <= 2 && !sel.rooms[0]);
        bool any = false;
        for (int room = 1; room <= 6; ++room) {
            const bool named = commandLine.find(static_cast<char>('0' + room)) != std::string::npos;
            FUZZ_CHECK(sel.rooms[static_cast<std::size_t>(room)] == (named && room <= roomCount));
            any = any || sel.rooms[static_cast<std::size_t>(room)];
        }
        FUZZ_CHECK(sel.fromCommandLine == any);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.emplace_back();
        } else {
            args.back() += static_cast<char>(data[i]);
        }
    }
    const ProgramOptions options = ParseProgramArguments(args);
    if (options.error.empty()) {
        FUZZ_CHECK(NormaliseCommandLine(options.commandLine) == options.commandLine);
        FUZZ_CHECK(!options.afterGiven || (options.after >= 0 && options.after <= 86400));
    }
    CheckRooms(options.commandLine);
    return 0;
}
