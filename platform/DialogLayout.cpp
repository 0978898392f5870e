#include "platform/DialogLayout.h"

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

// A control a cell short of its wish gets it within a few steps; the bound only keeps a degenerate
// template from looping long.
constexpr int kMaxNarrowingSteps = 50;

int cellOf(int units, double scale)
{
    return static_cast<int>(std::floor(units / scale));
}

int cellsSpanned(int units, double scale)
{
    return static_cast<int>(std::ceil(units / scale));
}

} // namespace

DialogLayout::DialogLayout(const DialogTemplate& dialog, int screenRows, int screenCols,
                           const std::vector<int>& wantedCols)
{
    // The frame takes one cell on each side.
    const int innerRows = std::max(1, screenRows - 2);
    const int innerCols = std::max(1, screenCols - 2);
    // The narrowest columns (the widest dialog) that still fit the screen.
    const double fittingColumn = static_cast<double>(dialog.width) / innerCols;
    unitsPerColumn_ = std::max(kUnitsPerColumn, fittingColumn);
    unitsPerRow_ = std::max(kUnitsPerRow, static_cast<double>(dialog.height) / innerRows);
    place(dialog, screenRows, screenCols);

    for (std::size_t i = 0; i < wantedCols.size() && i < controls_.size(); ++i) {
        const int wanted = wantedCols[i];
        const int units = dialog.controls[i].width;
        if (wanted <= controls_[i].cols || units <= 0 || unitsPerColumn_ <= fittingColumn)
            continue;
        // Cells fall on whole units, so the exact scale may still leave the control a cell short;
        // narrow the columns a step further until it is not or the dialog fills the screen.
        double scale = std::clamp(units / static_cast<double>(wanted), fittingColumn, unitsPerColumn_);
        for (int step = 0; step < kMaxNarrowingSteps; ++step) {
            unitsPerColumn_ = scale;
            place(dialog, screenRows, screenCols);
            if (controls_[i].cols >= wanted || scale <= fittingColumn)
                break;
            scale = std::max(fittingColumn, scale * 0.98);
        }
    }
}

void DialogLayout::place(const DialogTemplate& dialog, int screenRows, int screenCols)
{
    const int clientRows = std::max(1, cellsSpanned(dialog.height, unitsPerRow_));
    const int clientCols = std::max(1, cellsSpanned(dialog.width, unitsPerColumn_));
    frame_.rows = std::min(clientRows + 2, std::max(screenRows, 3));
    frame_.cols = std::min(clientCols + 2, std::max(screenCols, 3));
    frame_.row = std::max(0, (screenRows - frame_.rows) / 2);
    frame_.col = std::max(0, (screenCols - frame_.cols) / 2);

    controls_.clear();
    for (const ControlTemplate& c : dialog.controls) {
        CellRect r;
        r.row = frame_.row + 1 + cellOf(c.y, unitsPerRow_);
        r.col = frame_.col + 1 + cellOf(c.x, unitsPerColumn_);
        const int bottom = frame_.row + 1 + cellOf(c.y + c.height, unitsPerRow_);
        const int right = frame_.col + 1 + cellOf(c.x + c.width, unitsPerColumn_);
        r.rows = std::max(1, bottom - r.row);
        r.cols = std::max(1, right - r.col);
        // Keep every control inside the frame.
        const int lastRow = frame_.row + frame_.rows - 2;
        const int lastCol = frame_.col + frame_.cols - 2;
        r.row = std::min(r.row, lastRow);
        r.col = std::min(r.col, lastCol);
        r.rows = std::min(r.rows, lastRow - r.row + 1);
        r.cols = std::min(r.cols, lastCol - r.col + 1);
        controls_.push_back(r);
    }
}

CellRect DialogLayout::control(std::size_t index) const
{
    return index < controls_.size() ? controls_[index] : CellRect{};
}

} // namespace platform
