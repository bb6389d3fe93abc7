#pragma once

#include "ports/PictureOutlines.h"
#include "ports/WindowState.h"

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Gdiplus {
class Bitmap;
}

namespace zarava {

// The design pictures' outlines compiled into the program.
std::string_view EmbeddedOutlines();

// Draws the pictures of one window's image controls, stretched to exactly the control: design
// pictures from their outlines with GDI+ (anti-aliased, sharp at any size), picture files from
// the program folder (GIF, JPEG and what else GDI+ reads) decoded once and scaled smoothly.
// Each drawing is kept per picture and size, so a repaint is a plain copy; the kept drawings
// are bounded in bytes, the least recently used going first. GUI thread only, inside a GDI+
// session.
class PicturePainter {
public:
    static constexpr std::int64_t kCacheBytes = std::int64_t{8} << 20;

    explicit PicturePainter(const PictureOutlines& outlines);
    ~PicturePainter();
    PicturePainter(const PicturePainter&) = delete;
    PicturePainter& operator=(const PicturePainter&) = delete;

    // Nothing for an empty picture, a design picture without an outline or an unreadable file.
    void Paint(HDC dc, const RECT& rect, const Picture& picture);

    // Forgets the decoded files that none of `shown` names any more.
    void KeepFilesOf(const std::vector<ControlState>& shown);

private:
    struct Drawn {
        HBITMAP bitmap = nullptr;
        std::int64_t bytes = 0;
        std::uint64_t lastUse = 0;
    };
    struct File {
        std::shared_ptr<const std::string> bytes; // held, so its address names only this file
        std::unique_ptr<Gdiplus::Bitmap> image;   // null when it could not be read
    };

    HBITMAP Draw(const Picture& picture, int width, int height);
    Gdiplus::Bitmap* Decoded(const std::shared_ptr<const std::string>& bytes);
    void Trim();

    const PictureOutlines& outlines_;
    std::map<std::string, Drawn> drawn_; // by picture and size
    std::int64_t cachedBytes_ = 0;
    std::uint64_t uses_ = 0;
    std::vector<File> files_;
};

// Starts GDI+ for the life of the object: pictures, anti-aliased outlines, PNG files.
class GdiPlusSession {
public:
    GdiPlusSession();
    ~GdiPlusSession();
    GdiPlusSession(const GdiPlusSession&) = delete;
    GdiPlusSession& operator=(const GdiPlusSession&) = delete;

private:
    ULONG_PTR token_ = 0;
};

// Writes a bitmap as a PNG file; false when it cannot.
bool SavePng(HBITMAP bitmap, const std::wstring& path);

} // namespace zarava
