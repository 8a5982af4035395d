// The worksheet's grid painted whole. With SUMDRILL_GRID_PNG set, the picture is also written
// there for a look.

#include "GridTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace gridtest;

TEST(GridScreenshot, WorksheetGridPaintsTitleLinesAndRightAlignedProblems) {
    auto g = MakeWorksheetGrid();
    FillWorksheet(*g, 100);
    const QImage image = Render(*g);
    if (const char* path = std::getenv("SUMDRILL_GRID_PNG")) {
        ASSERT_TRUE(image.save(QString::fromLocal8Bit(path)));
    }
    EXPECT_EQ(image.size(), QSize(755, 577));
}
