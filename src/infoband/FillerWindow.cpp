#include "infoband/FillerWindow.h"

#include "files/Files.h"

#include <memory>
#include <string>

namespace zarava {

namespace {

// A start-up photo is a few megabytes; anything far larger is not one, and reading it would
// only cost memory.
constexpr std::size_t kMaxPictureBytes = 64u << 20;

// The picture of a file that exists (a folder of that name counts, and loads as nothing).
// Whether the bytes are a picture at all is the view's business: undecodable shows nothing.
Picture PictureFromFile(const std::string& path) {
    auto bytes = std::make_shared<std::string>();
    if (ReadWholeFile(path, *bytes, kMaxPictureBytes) != ReadFileResult::Ok) {
        return {};
    }
    return {.resource = {}, .fileBytes = std::move(bytes)};
}

} // namespace

const WindowDesign& FillerWindowDesign() {
    // The designer left the image one pixel short of the right edge; it is meant to cover the
    // whole window, so it spans the full client width here.
    static const WindowDesign design{
        "FillerWindow",
        6240,
        4260,
        kWindowBackground,
        {
            {.name = "ImageInfo", .kind = ControlKind::Image, .width = 6240, .height = 4260},
        },
    };
    return design;
}

FillerWindow::FillerWindow(Program& program)
    : ChildWindow(FillerWindowDesign()), program_(program) {}

void FillerWindow::Load(SettingsSnapshot&) {
    const ControlId image = Find("ImageInfo");
    SetPicture(image, {});
    // Only existence decides: a top.jpg that cannot be read still wins over top.gif.
    for (const char* name : {"top.jpg", "top.gif"}) {
        const std::string path = program_.ProgramFile(name);
        if (ReadFileAttributes(path)) {
            SetPicture(image, PictureFromFile(path));
            break;
        }
    }
    SetVisible(image, true);
}

} // namespace zarava
