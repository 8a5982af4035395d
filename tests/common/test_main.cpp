// One main for every test executable: a widget application on the offscreen platform (unless
// the caller chose another), with the font names of the designs mapped onto installed faces.

#include "platform/Fonts.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>

// A test executable whose tests need the parts start-up installs (serializer, evaluator,
// store, engine, ...) defines this; the others leave it out.
__attribute__((weak)) void SumdrillTestSetup();

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sumdrill"));
    platform::InstallFontSubstitutions();
    if (SumdrillTestSetup)
        SumdrillTestSetup();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
