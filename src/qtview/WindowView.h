#pragma once

#include "ports/WindowState.h"

#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class QPainter;

namespace zarava {

// Draws one child window (a room window, the start-up picture) from its design and the last
// state its handlers published, at whatever size the frame gives it. Every control's position
// and size scale with the ratio of the widget's size to the design's client size, across and
// down on their own; fonts scale with the vertical ratio. It decides nothing and has no child
// widgets: everything is painted, so many windows repaint cheaply.
class WindowView final : public QWidget {
    Q_OBJECT

public:
    explicit WindowView(QWidget* parent = nullptr);

    // Takes a whole state over and schedules a repaint of the window.
    void setSnapshot(const WindowSnapshot& snapshot);
    // Takes the changes over and schedules a repaint of the changed controls only.
    void applyChanges(const WindowChanges& changes);
    const WindowSnapshot& snapshot() const { return snapshot_; }

signals:
    // The user clicked into the window: it becomes the one that takes the keyboard.
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct DesignBox {
        int left, top, width, height;
    };

    void ForgetUnusedFileImages();
    // Where a control (with what it contains) shows in the widget.
    QRect Area(std::size_t index) const;
    bool Shown(std::size_t index) const;
    DesignBox Box(std::size_t index) const;
    QRect PixelRect(const DesignBox& box) const;
    void DrawImage(QPainter& painter, const QRect& rect, const Picture& picture);
    void DrawText(QPainter& painter, const QRect& rect, const ControlDesign& design,
                  const ControlState& state) const;
    QPixmap DesignPixmap(const QString& name, QSize device);
    QPixmap FilePixmap(const std::shared_ptr<const std::string>& bytes, QSize device);

    WindowSnapshot snapshot_;
    QHash<QString, QPixmap> bitmaps_; // pictures without an outline, by name and device size
    struct FilePicture {
        std::shared_ptr<const std::string> bytes; // held so the address names only this
        QSize decodedAt;
        QPixmap pixmap; // decoded at that size; null when the bytes are no picture
    };
    std::vector<FilePicture> files_;
    QRect unpainted_; // changed since the last paint
};

} // namespace zarava
