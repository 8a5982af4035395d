#include "grid/GridAxis.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using grid::TGridAxis;

// Columns of 30 | 10 20 40 25 px, the first fixed.
TGridAxis Axis() {
    TGridAxis axis(5, 64);
    for (int i = 0; const int size : {30, 10, 20, 40, 25})
        axis.SetSize(i++, size);
    return axis;
}

struct Placement {
    int first, point, cell; // the cell under `point` when scrolled to `first`
};

TEST(GridAxis, CellsUnderAPointAndWhereTheyStart) {
    const TGridAxis axis = Axis();
    const Placement rows[] = {
        {1, 0, 0},   {1, 29, 0},  {1, 30, 1},  {1, 39, 1},  {1, 40, 2},   {1, 124, 4},
        {1, 125, -1}, {2, 30, 2}, {2, 55, 3},  {2, 114, 4}, {2, 115, -1}, {4, 54, 4},
        {4, 55, -1},  {1, -1, -1},
    };
    for (const Placement& r : rows) {
        EXPECT_EQ(axis.CellAt(r.point, r.first), r.cell) << r.first << " " << r.point;
        if (r.cell >= 0)
            EXPECT_LE(axis.Start(r.cell, r.first), r.point);
    }
    EXPECT_EQ(axis.Start(0, 3), 0) << "a fixed cell stays put";
    EXPECT_EQ(axis.Start(3, 3), 30) << "the first scrolled cell follows the fixed ones";
    EXPECT_EQ(axis.Start(1, 3), 0) << "scrolled-past cells lie behind the fixed ones";
    EXPECT_EQ(axis.FixedExtent(), 30);
}

struct Fit {
    int first, extent, visible, maxFirst, end;
    std::vector<int> painted;
};

TEST(GridAxis, WhatFitsInAnExtent) {
    const TGridAxis axis = Axis();
    const Fit rows[] = {
        {2, 100, 2, 3, 115, {0, 2, 3, 4}},
        {1, 1000, 4, 1, 125, {0, 1, 2, 3, 4}},
        {1, 60, 2, 4, 60, {0, 1, 2}},
        {3, 10, 1, 4, 30, {0}}, // nothing fits: still one counts as visible
    };
    for (const Fit& r : rows) {
        EXPECT_EQ(axis.VisibleCount(r.first, r.extent), r.visible) << r.first << " " << r.extent;
        EXPECT_EQ(axis.MaxFirst(r.extent), r.maxFirst) << r.extent;
        int end = 0;
        EXPECT_EQ(axis.CellsInView(r.first, r.extent, end), r.painted) << r.extent;
        EXPECT_EQ(end, r.end) << r.extent;
    }
}

TEST(GridAxis, CountsAndSizesStayInside) {
    TGridAxis axis = Axis();
    axis.SetFixed(3);
    axis.SetFixedEnd(5);
    EXPECT_EQ(axis.FixedEnd(), 1) << "what the start leaves, less one";
    axis.SetCount(2);
    EXPECT_EQ(axis.Fixed(), 1);
    EXPECT_EQ(axis.FixedEnd(), 0);
    axis.SetCount(0);
    EXPECT_EQ(axis.Count(), 1);
    EXPECT_EQ(axis.Fixed(), 0);
    axis.SetCount(3);
    EXPECT_EQ(axis.Size(2), 64) << "new cells take the default size";
    EXPECT_EQ(axis.Size(7), 64) << "and so does a cell outside";
    axis.SetSize(7, 5);
    axis.SetSize(1, -5);
    EXPECT_EQ(axis.Size(1), 0);
    axis.SetDefaultSize(12);
    EXPECT_EQ(axis.Size(0), 12) << "a new default resets every cell";
}

} // namespace
