#pragma once

#include <QImage>

namespace zarava {

// A picture painted in one colour on one background, its edges smoothed, kept at one byte a
// pixel: how far each pixel lies from the background towards the ink, with the mixes of the
// two as its palette. Every pixel such painting makes is such a mix, so the picture is the
// same (to a step of 1/255) in a quarter of the memory; Qt turns it into the screen's colours
// as it draws it.
QImage TwoColourImage(const QImage& painted, QRgb background, QRgb ink);

} // namespace zarava
