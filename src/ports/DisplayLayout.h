#pragma once

#include "ports/Geometry.h"
#include "ports/WindowState.h"

#include <cstddef>
#include <vector>

namespace zarava {

// Where things go on the frame, the same for every view: the band's height and pace, the cells
// of the child windows, and each control's place in its window. Views on different window
// systems draw from these numbers, so their pictures and their state reports agree pixel for
// pixel on every rectangle.

// The band's height on a frame of the given height: 44 pixels on a 768-pixel screen, as
// designed, and proportionally more on taller ones.
int BandHeight(int frameHeight);

// The speed of the band's text aimed at, in band heights per second: tied to the height because
// a taller band has bigger text, and the eye reads whole characters per second.
inline constexpr double kBandHeightsPerSecond = 2.5;

// Device pixels the band's text moves per refresh: the whole number nearest the aimed-at speed,
// at least 1. A refresh rate the screen does not know counts as 60 Hz.
int BandStepPixels(int bandHeight, double refreshHz);

// The refresh rate the band paces itself by: the screen's own when it reports a sensible one,
// else 60 Hz.
double UsableRefreshRate(double reportedHz);

// Every child window has a border this wide inside its cell, as a child window of the window
// system has, so that rooms of one colour tiled edge to edge read apart.
inline constexpr int kChildBorder = 2;

// The cells of `count` tiled child windows in frame pixels, in stacking order (the most recently
// shown first): the frame below the band, tiled vertically.
std::vector<Rect> ChildCells(int frameWidth, int frameHeight, int count);

// The part of a cell inside the child window's border.
Rect ChildClient(Rect cell);

// Whether a control shows: its own flag, and that of every frame it lies in.
bool ControlShown(const WindowSnapshot& window, std::size_t control);

// Where a control (with what it contains) lies in a client area of the given size, in pixels:
// its design box, following the top its handlers gave it, scaled across and down on their own
// by the ratio of the client size to the design's. Edges are rounded rather than sizes, so
// neighbouring controls meet without gaps. Empty for controls below the design's client area
// (palettes, swatches), which are never seen.
Rect ControlRect(const WindowSnapshot& window, std::size_t control, int clientWidth,
                 int clientHeight);

} // namespace zarava
