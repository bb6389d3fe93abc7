#include "FuzzCheck.h"

#include "infoband/NewsFile.h"
#include "settings/ProfileEncoding.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The news file as any editor or a broken copy may leave it, whole and cut at the read limit
// (at a point picked by the input's size). The news of a file is the news of its lines in
// order, always UTF-8, and of a file's start never more than the whole file shows.

namespace {

using namespace zarava;

void CheckWhole(std::string_view bytes, const std::string& news) {
    FUZZ_CHECK(IsValidUtf8(news));
    std::string ofLines;
    for (std::size_t start = 0; start <= bytes.size();) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        end = end == std::string_view::npos ? bytes.size() : end;
        const std::string line = NewsTextFromBytes(bytes.substr(start, end - start));
        FUZZ_CHECK(line.empty() == (end == start));
        FUZZ_CHECK(line.empty() || (line.starts_with("◆") && line.ends_with("　　")));
        ofLines += line;
        start = end + 1;
    }
    FUZZ_CHECK(news == ofLines);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string whole = NewsTextFromBytes(bytes, NewsBytes::Whole);
    CheckWhole(bytes, whole);

    const std::string_view start = bytes.substr(0, size - size / 3);
    const std::string news = NewsTextFromBytes(start, NewsBytes::Start);
    FUZZ_CHECK(IsValidUtf8(news));
    if (start.find_first_of("\r\n") != std::string_view::npos) {
        FUZZ_CHECK(whole.starts_with(news));
    }
    return 0;
}
