#pragma once

#include "TempFolder.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <system_error>

namespace zarava::test {

// Sets the file's last write an hour back: a file its writer saved long ago, which a settings
// write may build on at once.
inline void MakeOld(const std::string& path) {
    std::error_code ignored;
    const std::filesystem::path file = PathOf(path);
    std::filesystem::last_write_time(
        file, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1), ignored);
}

} // namespace zarava::test
