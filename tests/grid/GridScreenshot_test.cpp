// The worksheet's grid painted whole, as a window shows it. With SUMDRILL_GRID_PNG set to a
// file name, the picture is written there for a look, and a second one with the grid focused
// beside it ("-focused" before the extension).

#include "GridTestSupport.h"

#include <QApplication>
#include <QFileInfo>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace grid;
using namespace grid::gridtest;

TEST(GridScreenshot, WorksheetGridAsTheWindowShowsIt) {
    auto g = MakeWorksheetGrid();
    FillWorksheet(*g, 100);
    const QImage image = g->grab().toImage();
    EXPECT_EQ(image.size(), QSize(755, 577));
    // What a window shows is what the paint pass draws.
    EXPECT_EQ(image.convertToFormat(QImage::Format_RGB32), Render(*g));

    g->show();
    QApplication::setActiveWindow(g.get());
    g->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(g.get()));
    const QImage focused = g->grab().toImage();

    if (const char* path = std::getenv("SUMDRILL_GRID_PNG")) {
        const QString name = QString::fromLocal8Bit(path);
        ASSERT_TRUE(image.save(name));
        const QFileInfo info(name);
        ASSERT_TRUE(focused.save(info.path() + QLatin1Char('/') + info.completeBaseName() +
                                 QStringLiteral("-focused.") + info.suffix()));
    }
}
