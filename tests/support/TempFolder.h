#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

namespace zarava::test {

// A whole file's bytes; empty when it cannot be read.
inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A fresh folder under /tmp for one test, removed with everything in it afterwards.
class TempFolder {
public:
    TempFolder() {
        char pattern[] = "/tmp/zarava-test-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        path_ = made != nullptr ? made : "";
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
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
        for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

    void Write(const std::string& name, const std::string& content) const {
        std::ofstream(path_ + "/" + name, std::ios::binary) << content;
    }

    std::string Read(const std::string& name) const { return ReadBytes(path_ + "/" + name); }

private:
    std::string path_;
};

} // namespace zarava::test
