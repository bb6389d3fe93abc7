#include "text/Cp932.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

namespace zarava {

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// One converter per direction and thread, opened on first use: opening one costs more than a
// whole settings read, and a converter must not be shared between threads.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (cd_ != kNoConverter) {
            iconv_close(cd_);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Valid() const { return cd_ != kNoConverter; }

    // Converts as much as it can; in and inLeft show where it stopped. Returns errno of the
    // stop, or 0 when everything was converted.
    int Run(const char*& in, std::size_t& inLeft, char*& out, std::size_t& outLeft) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* inPtr = const_cast<char*>(in);
        const std::size_t rc = iconv(cd_, &inPtr, &inLeft, &out, &outLeft);
        const int error = rc == static_cast<std::size_t>(-1) ? errno : 0;
        in = inPtr;
        return error;
    }

private:
    iconv_t cd_;
};

Converter& ToCp932() {
    thread_local Converter converter("CP932", "UTF-8");
    return converter;
}

Converter& FromCp932() {
    thread_local Converter converter("UTF-8", "CP932");
    return converter;
}

bool IsAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

} // namespace

std::optional<std::string> Utf8ToCp932(std::string_view utf8) {
    // ASCII is the same in both, and it is what nearly every setting holds.
    if (IsAscii(utf8)) {
        return std::string(utf8);
    }
    Converter& converter = ToCp932();
    if (!converter.Valid()) {
        return std::nullopt;
    }
    // A character never takes more bytes in code page 932 than in UTF-8.
    std::string out(utf8.size(), '\0');
    const char* in = utf8.data();
    std::size_t inLeft = utf8.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    if (converter.Run(in, inLeft, outPtr, outLeft) != 0) {
        return std::nullopt;
    }
    out.resize(out.size() - outLeft);
    return out;
}

std::string Cp932ToUtf8(std::string_view cp932) {
    if (IsAscii(cp932)) {
        return std::string(cp932);
    }
    // Every code page 932 character becomes at most three UTF-8 bytes.
    std::string out(cp932.size() * 3, '\0');
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    std::size_t pos = 0;
    Converter& converter = FromCp932();
    while (pos < cp932.size()) {
        if (converter.Valid()) {
            const char* in = cp932.data() + pos;
            std::size_t inLeft = cp932.size() - pos;
            const int error = converter.Run(in, inLeft, outPtr, outLeft);
            pos = cp932.size() - inLeft;
            if (error == 0 || pos >= cp932.size()) {
                break;
            }
        }
        // The character at pos does not decode: one replacement for it, then go on.
        const unsigned char b = static_cast<unsigned char>(cp932[pos]);
        std::size_t skip = Cp932CharLength(cp932, pos);
        if (!converter.Valid() && b < 0x80) {
            *outPtr++ = static_cast<char>(b);
            --outLeft;
            ++pos;
            continue;
        }
        outPtr = std::copy(kReplacement.begin(), kReplacement.end(), outPtr);
        outLeft -= kReplacement.size();
        pos += skip;
    }
    out.resize(out.size() - outLeft);
    return out;
}

} // namespace zarava
