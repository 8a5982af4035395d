// The grid's colour names and the report's live side by side: a unit that includes both and
// uses the grid's names unqualified compiles, and each side keeps its own values.

#include "grid/BaseGrid.h"
#include "report/frxClass.h"

#include <gtest/gtest.h>

#include <type_traits>

using namespace grid;

TEST(ColorNames, GridAndReportNamesInOneUnit) {
    const TColor gridSilver = clSilver; // the grid's, through the using-directive
    const frxClass::TColor reportBlack = frxClass::clBlack;
    static_assert(std::is_same_v<std::remove_const_t<decltype(clBlack)>, grid::TColor>);
    EXPECT_EQ(gridSilver, 0xC0C0C0u);
    EXPECT_EQ(reportBlack, 0);
    EXPECT_EQ(frxClass::frxColorToQColor(frxClass::clTransparent).alpha(), 0);
}
