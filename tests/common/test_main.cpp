// One main for every test executable: a widget application on the offscreen platform (unless
// the caller chose another), with the font names of the designs mapped onto installed faces. An
// executable that tests the report engine installs its parts in its TestSetup.cpp.

#include "platform/Fonts.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sumdrill"));
    platform::InstallFontSubstitutions();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
