#pragma once

#include <string>
#include <vector>

namespace zarava::issuersim {

// Takes the ticket codes that the display appends to hkcode.tmp, one per CR LF line, and
// empties the file as the issuer does. A last line still being written (no line end yet) is
// kept until its end arrives.
class CheckInReader {
public:
    // The codes complete since the last call (UTF-8), in file order; none when the file is
    // missing or empty.
    std::vector<std::string> Poll(const std::string& path);

private:
    std::string partial_;
};

} // namespace zarava::issuersim
