#include "FuzzCheck.h"

#include "roomdisplay/BarcodeCollector.h"

#include <cstddef>
#include <cstdint>
#include <string>

// What a barcode reader, or a person leaning on the keyboard, types into a room window: one
// key a byte, and after a 0xFF byte a key of any code from the next four bytes. Every key is
// taken or left as the collector promises, and a code handed on is a whole one.

namespace {

using namespace zarava;

bool IsAccepted(char32_t key) {
    return (key >= U'0' && key <= U'9') || key == U'A' || key == U'a' || key == U'B' || key == U'b';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    BarcodeCollector collector;
    for (std::size_t i = 0; i < size; ++i) {
        char32_t key = data[i];
        if (data[i] == 0xFF && i + 4 < size) {
            key = data[i + 1] | data[i + 2] << 8 | data[i + 3] << 16 |
                  static_cast<char32_t>(data[i + 4]) << 24;
            i += 4;
        }
        const std::string before = collector.Collected();
        const BarcodeCollector::Result result = collector.Key(key);
        const std::string& after = collector.Collected();
        FUZZ_CHECK(result.consumed == IsAccepted(key));
        if (!result.consumed) {
            FUZZ_CHECK(after == before && !result.started && !result.complete);
            continue;
        }
        const char typed = static_cast<char>(key);
        FUZZ_CHECK(result.started == (typed == 'A' || typed == 'a'));
        FUZZ_CHECK(after == (result.started ? std::string() : before) + typed);
        FUZZ_CHECK(result.complete.has_value() == (after.size() == BarcodeCollector::kCodeLength));
        if (result.complete) {
            FUZZ_CHECK(*result.complete == after);
            FUZZ_CHECK(IsHandOffCode(after) ==
                       ((after[0] == 'A' || after[0] == 'a') && (typed == 'B' || typed == 'b')));
        }
    }
    return 0;
}
