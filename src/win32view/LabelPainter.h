#pragma once

#include "ports/WindowState.h"

#include <windows.h>

#include <string>
#include <vector>

namespace zarava {

// Draws a label control: its background, and its caption in the design's font scaled with the
// window. A plain label is a fixed-size label: its lines keep their size from the top and are
// clipped. A text label tall enough for two lines is a notice panel: its text is wrapped with
// the Japanese line-breaking rules and centred, shrunk only when it cannot fit. A lower text
// label is a band or heading: one line with its ink centred down the label, shrunk when wider.
// `scaleX` and `scaleY` are the window's size over its design size.
void PaintLabel(HDC dc, const RECT& rect, const ControlDesign& design, const ControlState& state,
                double scaleX, double scaleY);

// The lines of `text` that fit `width` in the font selected into `dc`, broken between
// characters: a line never starts with closing punctuation, a small kana or a prolonged sound
// mark, never ends with an opening bracket, and a run of Latin letters and digits stays
// together when it fits on a line. A line feed always breaks; carriage returns are dropped.
std::vector<std::wstring> BreakJapaneseLines(HDC dc, const std::wstring& text, int width);

} // namespace zarava
