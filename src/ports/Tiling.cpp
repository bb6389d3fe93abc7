#include "ports/Tiling.h"

namespace zarava {

namespace {

// Splits `length` into `parts` slices of length / parts. The last slice also takes the pixels
// the integer division leaves over, so the slices add up to the whole length and no strip of
// frame background shows at the right or bottom edge.
int SliceStart(int length, int parts, int index) {
    return length / parts * index;
}

int SliceLength(int length, int parts, int index) {
    return index + 1 < parts ? length / parts : length - SliceStart(length, parts, index);
}

} // namespace

std::vector<Rect> TileVertically(int count, Rect area) {
    std::vector<Rect> cells;
    if (count < 1) {
        return cells;
    }
    int rows = 1;
    while ((rows + 1) * (rows + 1) <= count) {
        ++rows;
    }
    const int columns = count / rows;
    cells.reserve(static_cast<std::size_t>(count));
    for (int column = 0; column < columns; ++column) {
        const bool last = column + 1 == columns;
        const int inColumn = last ? count - rows * (columns - 1) : rows;
        for (int row = 0; row < inColumn; ++row) {
            cells.push_back({area.left + SliceStart(area.width, columns, column),
                             area.top + SliceStart(area.height, inColumn, row),
                             SliceLength(area.width, columns, column),
                             SliceLength(area.height, inColumn, row)});
        }
    }
    return cells;
}

} // namespace zarava
