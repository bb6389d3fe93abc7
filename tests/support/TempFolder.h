#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <system_error>

namespace zarava::test {

// The path of UTF-8 text: on Windows a narrow path is read in the ANSI code page.
inline std::filesystem::path PathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// A path as UTF-8 text with '/' between its parts, on every system.
inline std::string TextOf(const std::filesystem::path& path) {
    const std::u8string text = path.generic_u8string();
    return std::string(text.begin(), text.end());
}

// A whole file's bytes; empty when it cannot be read.
inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(PathOf(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A fresh folder in the system's temporary folder for one test, removed with everything in it
// afterwards. Its path uses '/' on every system.
class TempFolder {
public:
    TempFolder() {
        std::random_device random;
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            const std::filesystem::path path = base / ("zarava-test-" + std::to_string(random()));
            std::error_code ec;
            if (std::filesystem::create_directory(path, ec)) {
                path_ = TextOf(path);
            }
        }
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(PathOf(path_), ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    std::string File(const std::string& name) const { return *this / name; }

    // The names directly inside a folder of this one ("" for the folder itself), sorted.
    std::set<std::string> Names(const std::string& sub = "") const {
        std::set<std::string> names;
        std::error_code ec;
        const std::string dir = sub.empty() ? path_ : path_ + "/" + sub;
        for (const auto& entry : std::filesystem::directory_iterator(PathOf(dir), ec)) {
            names.insert(TextOf(entry.path().filename()));
        }
        return names;
    }

    void Write(const std::string& name, const std::string& content) const {
        std::ofstream(PathOf(path_ + "/" + name), std::ios::binary) << content;
    }

    std::string Read(const std::string& name) const { return ReadBytes(path_ + "/" + name); }

private:
    std::string path_;
};

} // namespace zarava::test
