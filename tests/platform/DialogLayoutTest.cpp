#include <gtest/gtest.h>

#include "platform/DialogLayout.h"

using namespace platform;

namespace {

// The shape of the link-part dialog: 242 x 221 units, a list, two side buttons, three bottom ones.
DialogTemplate linkPartShape()
{
    DialogTemplate d{L"c", L"f", 9, 242, 221, 0, {}};
    d.controls = {
        {-1, L"BUTTON", L"g", 7, 29, 228, 164, style::BS_GROUPBOX},
        {6042, L"LISTBOX", L"", 14, 40, 127, 141, 0},
        {6043, L"BUTTON", L"a", 149, 45, 79, 14, 0},
        {6044, L"BUTTON", L"d", 149, 64, 78, 14, 0},
        {1, L"BUTTON", L"OK", 76, 200, 50, 14, 0},
        {2, L"BUTTON", L"c", 131, 200, 50, 14, 0},
        {57670, L"BUTTON", L"h", 185, 200, 50, 14, 0},
        {-1, L"STATIC", L"t", 14, 8, 221, 18, 0},
    };
    return d;
}

bool inside(const CellRect& inner, const CellRect& outer)
{
    return inner.row >= outer.row && inner.col >= outer.col && inner.row + inner.rows <= outer.row + outer.rows &&
           inner.col + inner.cols <= outer.col + outer.cols;
}

bool overlap(const CellRect& a, const CellRect& b)
{
    return a.row < b.row + b.rows && b.row < a.row + a.rows && a.col < b.col + b.cols && b.col < a.col + a.cols;
}

} // namespace

TEST(DialogLayoutTest, TheLinkPartDialogFitsAnEightyByTwentyFourTerminal)
{
    const DialogTemplate d = linkPartShape();
    const DialogLayout layout(d, 24, 80);
    const CellRect frame = layout.frame();
    EXPECT_LE(frame.rows, 24);
    EXPECT_LE(frame.cols, 80);
    for (std::size_t i = 0; i < d.controls.size(); ++i)
        EXPECT_TRUE(inside(layout.control(i), frame)) << i;
    // The list lies in its group box, the buttons do not collide, the first line of the text
    // (29 full-width characters) fits the static's width.
    EXPECT_TRUE(inside(layout.control(1), layout.control(0)));
    EXPECT_FALSE(overlap(layout.control(2), layout.control(3)));
    EXPECT_FALSE(overlap(layout.control(4), layout.control(5)));
    EXPECT_FALSE(overlap(layout.control(5), layout.control(6)));
    EXPECT_FALSE(overlap(layout.control(7), layout.control(0)));
    EXPECT_GE(layout.control(7).cols, 58);
    EXPECT_GE(layout.control(7).rows, 2);
    EXPECT_GE(layout.control(1).rows, 10);
}

TEST(DialogLayoutTest, ASmallScreenScalesTheDialogDown)
{
    const DialogTemplate d = linkPartShape();
    const DialogLayout layout(d, 16, 50);
    EXPECT_LE(layout.frame().rows, 16);
    EXPECT_LE(layout.frame().cols, 50);
    for (std::size_t i = 0; i < d.controls.size(); ++i)
        EXPECT_TRUE(inside(layout.control(i), layout.frame())) << i;
    EXPECT_EQ(0, layout.control(99).rows);
}

TEST(DialogLayoutTest, AListWiderThanItsBoxWidensTheDialogAsFarAsTheScreenAllows)
{
    const DialogTemplate d = linkPartShape();
    struct Case {
        int screenCols, wanted, expectedListCols, expectedFrameCols;
    } cases[] = {
        {80, 0, 34, 67},    // nothing asked: the preferred scale
        {80, 36, 36, 71},   // room to spare: the list gets what it asks for
        {100, 60, 52, 100}, // the dialog fills the screen
        {60, 36, 30, 60},   // already scaled down to fit: nothing to gain
    };
    for (const Case& c : cases) {
        const DialogLayout layout(d, 24, c.screenCols, {0, c.wanted});
        EXPECT_EQ(c.expectedListCols, layout.control(1).cols) << c.screenCols << "/" << c.wanted;
        EXPECT_EQ(c.expectedFrameCols, layout.frame().cols) << c.screenCols << "/" << c.wanted;
        for (std::size_t i = 0; i < d.controls.size(); ++i)
            EXPECT_TRUE(inside(layout.control(i), layout.frame())) << i;
        EXPECT_TRUE(inside(layout.control(1), layout.control(0)));
        EXPECT_FALSE(overlap(layout.control(1), layout.control(2)));
    }
}
