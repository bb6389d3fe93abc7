#include "files/Files.h"

namespace zarava {

std::string_view ReadFailureText(ReadFileResult result) {
    switch (result) {
    case ReadFileResult::Ok:
        return "";
    case ReadFileResult::Missing:
        return "not found";
    case ReadFileResult::NotAFile:
        return "not a regular file (a folder, a pipe or a device)";
    case ReadFileResult::TooLarge:
        return "too large";
    case ReadFileResult::Failed:
        break;
    }
    return "cannot be read";
}

std::string_view WriteFailureText(WriteFileResult result) {
    switch (result) {
    case WriteFileResult::Ok:
        return "";
    case WriteFileResult::Missing:
        return "its folder is missing";
    case WriteFileResult::NotAFile:
        return "not a regular file (a folder, a pipe or a device)";
    case WriteFileResult::Refused:
        return "not allowed";
    case WriteFileResult::Failed:
        break;
    }
    return "failed";
}

} // namespace zarava
