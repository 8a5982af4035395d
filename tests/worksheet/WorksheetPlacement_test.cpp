#include "worksheet/U_Shengcheng.h"

#include <gtest/gtest.h>

TEST(WorksheetWindowPlacement, MovedOnlyAsFarAsTheScreenNeeds) {
    const QRect design(664, 131, 771, 675);
    struct Case {
        const char* name;
        QRect available;
        QPoint at;
    } cases[] = {
        {"fits a large screen: stays where designed", QRect(0, 0, 1920, 1080), QPoint(664, 131)},
        {"exactly fits", QRect(0, 0, 1435, 806), QPoint(664, 131)},
        // 1366 x 768 less a 40 px task bar at the bottom.
        {"1366 x 768: left and up just enough", QRect(0, 0, 1366, 728), QPoint(595, 53)},
        {"1024 x 768", QRect(0, 0, 1024, 768), QPoint(253, 93)},
        {"task bar on the left", QRect(60, 0, 1306, 768), QPoint(595, 93)},
        {"smaller than the window: top-left stays visible", QRect(0, 0, 640, 480), QPoint(0, 0)},
        {"second screen to the right", QRect(1920, 0, 1366, 768), QPoint(1920, 93)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FitWindowToScreen(design, c.available), c.at) << c.name;
}
