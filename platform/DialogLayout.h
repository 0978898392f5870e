#pragma once
#include <vector>

#include "platform/DialogTemplate.h"

namespace platform {

// A rectangle on the character grid.
struct CellRect {
    int row = 0, col = 0, rows = 0, cols = 0;
};

// A dialog template laid out on a character grid. A cell stands for a half-width character; a
// dialog unit is a quarter of an average character across and an eighth of a line down, so the
// preferred scale is 3.75 units per column (a shade narrower than one character, so that a line
// of full-width text fits the width the template gives it) and 10 units per row (a terminal line
// is taller than a dialog line; this keeps a 221-unit dialog within 24 lines). When the screen is
// smaller, the scale grows until the dialog fits. When a control asks for more columns than the
// preferred scale gives it (a list whose items are wider), the whole dialog widens, as far as the
// screen allows, until the control gets them.
class DialogLayout {
public:
    static constexpr double kUnitsPerColumn = 3.75;
    static constexpr double kUnitsPerRow = 10.0;

    // Lays out the template centred on a screen of screenRows x screenCols cells. wantedCols: the
    // columns (border included) each control would like, by template index; missing or 0 asks
    // for nothing.
    DialogLayout(const DialogTemplate& dialog, int screenRows, int screenCols, const std::vector<int>& wantedCols = {});

    // The whole dialog with its frame (the caption stands on the frame's top line).
    const CellRect& frame() const { return frame_; }
    // The control's rectangle, in screen cells, for the template's control at index (in template
    // order); an empty rectangle for an index outside the template.
    CellRect control(std::size_t index) const;
    double unitsPerColumn() const { return unitsPerColumn_; }
    double unitsPerRow() const { return unitsPerRow_; }

private:
    void place(const DialogTemplate& dialog, int screenRows, int screenCols);

    CellRect frame_;
    std::vector<CellRect> controls_;
    double unitsPerColumn_;
    double unitsPerRow_;
};

} // namespace platform
