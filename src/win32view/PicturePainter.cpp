#include "win32view/PicturePainter.h"

#include <algorithm>
#include <cwchar>

#include <objidl.h> // GDI+ needs it, and WIN32_LEAN_AND_MEAN leaves it out

// GDI+ wants min and max as the old macros give them; NOMINMAX took those away.
namespace Gdiplus {
using std::max;
using std::min;
} // namespace Gdiplus
#include <gdiplus.h>
#include <shlwapi.h>

namespace zarava {

namespace {

Gdiplus::Color ToColor(Rgb c) {
    return Gdiplus::Color(255, c.r, c.g, c.b);
}

Gdiplus::PointF At(const OutlineStep& step, int i) {
    return {static_cast<Gdiplus::REAL>(step.points[2 * i]),
            static_cast<Gdiplus::REAL>(step.points[2 * i + 1])};
}

// The path of a shape, in the picture's own pixels.
void AddShape(Gdiplus::GraphicsPath& path, const OutlineShape& shape) {
    Gdiplus::PointF current;
    Gdiplus::PointF figureStart;
    for (const OutlineStep& step : shape.steps) {
        switch (step.kind) {
        case OutlineStep::Move:
            path.StartFigure();
            current = figureStart = At(step, 0);
            break;
        case OutlineStep::Line:
            path.AddLine(current, At(step, 0));
            current = At(step, 0);
            break;
        case OutlineStep::Curve:
            path.AddBezier(current, At(step, 0), At(step, 1), At(step, 2));
            current = At(step, 2);
            break;
        case OutlineStep::Close:
            path.CloseFigure();
            current = figureStart;
            break;
        }
    }
}

// The edges are smoothed by drawing this many times larger each way and averaging the
// samples of each pixel: GDI+ smooths its own edges on Windows, but not under Wine.
constexpr int kSamples = 4;

// A bitmap of width x height whose every pixel is the average of its samples in `large`.
HBITMAP Averaged(Gdiplus::Bitmap& large, int width, int height) {
    Gdiplus::BitmapData samples{};
    const Gdiplus::Rect all(0, 0, width * kSamples, height * kSamples);
    if (large.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppRGB, &samples) !=
        Gdiplus::Ok) {
        return nullptr;
    }
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    for (int y = 0; bitmap != nullptr && y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            unsigned sum[3] = {};
            for (int sy = 0; sy < kSamples; ++sy) {
                const auto* row = static_cast<const std::uint8_t*>(samples.Scan0) +
                                  static_cast<std::ptrdiff_t>(y * kSamples + sy) * samples.Stride;
                for (int sx = 0; sx < kSamples; ++sx) {
                    const std::uint8_t* p = row + 4 * (x * kSamples + sx);
                    sum[0] += p[0];
                    sum[1] += p[1];
                    sum[2] += p[2];
                }
            }
            auto* out =
                static_cast<std::uint8_t*>(bits) + 4 * (static_cast<std::ptrdiff_t>(y) * width + x);
            for (int c = 0; c < 3; ++c) {
                out[c] = static_cast<std::uint8_t>((sum[c] + kSamples * kSamples / 2) /
                                                   (kSamples * kSamples));
            }
            out[3] = 0;
        }
    }
    large.UnlockBits(&samples);
    return bitmap;
}

// The same operations, pen and all, that made the bitmap, at the size wanted.
HBITMAP DrawOutline(const OutlinePicture& picture, const OutlineShape& shape, int width,
                    int height) {
    Gdiplus::Bitmap large(width * kSamples, height * kSamples, PixelFormat32bppRGB);
    {
        Gdiplus::Graphics g(&large);
        g.Clear(ToColor(picture.background));
        g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
        g.ScaleTransform(static_cast<Gdiplus::REAL>(width * kSamples) / picture.width,
                         static_cast<Gdiplus::REAL>(height * kSamples) / picture.height);
        Gdiplus::GraphicsPath path(Gdiplus::FillModeWinding);
        AddShape(path, shape);
        Gdiplus::SolidBrush ink(ToColor(picture.ink));
        g.FillPath(&ink, &path);
        if (shape.widen > 0) {
            Gdiplus::Pen pen(ToColor(picture.ink), static_cast<Gdiplus::REAL>(2 * shape.widen));
            pen.SetLineJoin(Gdiplus::LineJoinMiter);
            pen.SetMiterLimit(2);
            pen.SetStartCap(Gdiplus::LineCapSquare);
            pen.SetEndCap(Gdiplus::LineCapSquare);
            g.DrawPath(&pen, &path);
        }
    }
    return Averaged(large, width, height);
}

std::string Key(const Picture& picture, int width, int height) {
    const std::string source =
        picture.fileBytes
            ? "file:" + std::to_string(reinterpret_cast<std::uintptr_t>(picture.fileBytes.get()))
            : picture.resource;
    return source + "@" + std::to_string(width) + "x" + std::to_string(height);
}

} // namespace

PicturePainter::PicturePainter(const PictureOutlines& outlines) : outlines_(outlines) {}

PicturePainter::~PicturePainter() {
    for (auto& [key, drawn] : drawn_) {
        DeleteObject(drawn.bitmap);
    }
}

void PicturePainter::Paint(HDC dc, const RECT& rect, const Picture& picture) {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (picture.Empty() || width <= 0 || height <= 0) {
        return;
    }
    const std::string key = Key(picture, width, height);
    auto it = drawn_.find(key);
    if (it == drawn_.end()) {
        HBITMAP bitmap = Draw(picture, width, height);
        if (bitmap == nullptr) {
            return;
        }
        const std::int64_t bytes = std::int64_t{width} * height * 4;
        cachedBytes_ += bytes;
        it = drawn_.emplace(key, Drawn{bitmap, bytes, 0}).first;
    }
    it->second.lastUse = ++uses_;
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, it->second.bitmap);
    BitBlt(dc, rect.left, rect.top, width, height, source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
    Trim();
}

HBITMAP PicturePainter::Draw(const Picture& picture, int width, int height) {
    if (!picture.fileBytes) {
        const auto found = outlines_.pictures.find(picture.resource);
        return found == outlines_.pictures.end()
                   ? nullptr
                   : DrawOutline(found->second, outlines_.shapes[found->second.shape], width,
                                 height);
    }
    Gdiplus::Bitmap* image = Decoded(picture.fileBytes);
    if (image == nullptr) {
        return nullptr;
    }
    Gdiplus::Bitmap canvas(width, height, PixelFormat32bppRGB);
    Gdiplus::Graphics g(&canvas);
    // Stretched to the control exactly, whatever the picture's own proportions.
    g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    Gdiplus::ImageAttributes edges;
    edges.SetWrapMode(Gdiplus::WrapModeTileFlipXY); // no faded border from outside the image
    g.DrawImage(image, Gdiplus::Rect(0, 0, width, height), 0, 0,
                static_cast<INT>(image->GetWidth()), static_cast<INT>(image->GetHeight()),
                Gdiplus::UnitPixel, &edges);
    HBITMAP bitmap = nullptr;
    canvas.GetHBITMAP(Gdiplus::Color(255, 0, 0, 0), &bitmap);
    return bitmap;
}

Gdiplus::Bitmap* PicturePainter::Decoded(const std::shared_ptr<const std::string>& bytes) {
    for (const File& file : files_) {
        if (file.bytes == bytes) {
            return file.image.get();
        }
    }
    std::unique_ptr<Gdiplus::Bitmap> image;
    IStream* stream = SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes->data()),
                                        static_cast<UINT>(bytes->size()));
    if (stream != nullptr) {
        std::unique_ptr<Gdiplus::Bitmap> read(Gdiplus::Bitmap::FromStream(stream));
        // A copy of its own, so that the decoded picture no longer needs the stream.
        if (read != nullptr && read->GetLastStatus() == Gdiplus::Ok) {
            image.reset(read->Clone(0, 0, static_cast<INT>(read->GetWidth()),
                                    static_cast<INT>(read->GetHeight()), PixelFormat32bppARGB));
        }
        read.reset();
        stream->Release();
    }
    if (image != nullptr && image->GetLastStatus() != Gdiplus::Ok) {
        image.reset();
    }
    files_.push_back({bytes, std::move(image)});
    return files_.back().image.get();
}

void PicturePainter::KeepFilesOf(const std::vector<ControlState>& shown) {
    const auto used = [&shown](const File& f) {
        return std::any_of(shown.begin(), shown.end(),
                           [&](const ControlState& c) { return c.picture.fileBytes == f.bytes; });
    };
    const auto unused = std::partition(files_.begin(), files_.end(), used);
    if (unused == files_.end()) {
        return;
    }
    files_.erase(unused, files_.end());
    for (auto it = drawn_.begin(); it != drawn_.end();) {
        if (it->first.starts_with("file:")) {
            cachedBytes_ -= it->second.bytes;
            DeleteObject(it->second.bitmap);
            it = drawn_.erase(it);
        } else {
            ++it;
        }
    }
}

// Drops the least recently used drawings until the rest fit; the one just used always stays.
void PicturePainter::Trim() {
    while (cachedBytes_ > kCacheBytes && drawn_.size() > 1) {
        auto oldest = drawn_.begin();
        for (auto it = drawn_.begin(); it != drawn_.end(); ++it) {
            if (it->second.lastUse < oldest->second.lastUse) {
                oldest = it;
            }
        }
        cachedBytes_ -= oldest->second.bytes;
        DeleteObject(oldest->second.bitmap);
        drawn_.erase(oldest);
    }
}

GdiPlusSession::GdiPlusSession() {
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token_, &input, nullptr);
}

GdiPlusSession::~GdiPlusSession() {
    Gdiplus::GdiplusShutdown(token_);
}

bool SavePng(HBITMAP bitmap, const std::wstring& path) {
    UINT count = 0;
    UINT bytes = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || bytes == 0) {
        return false;
    }
    std::vector<char> buffer(bytes);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    Gdiplus::GetImageEncoders(count, bytes, codecs);
    for (UINT i = 0; i < count; ++i) {
        if (std::wcscmp(codecs[i].MimeType, L"image/png") == 0) {
            Gdiplus::Bitmap image(bitmap, nullptr);
            return image.Save(path.c_str(), &codecs[i].Clsid, nullptr) == Gdiplus::Ok;
        }
    }
    return false;
}

} // namespace zarava
