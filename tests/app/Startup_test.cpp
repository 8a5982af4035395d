#include "startup/Startup.h"

#include "platform/PrintService.h"
#include "platform/PrintServiceRecording.h"
#include "preview/frxPreview.h"
#include "report/frxClass.h"
#include "report/frxRuntime.h"
#include "store/frxPreviewPages.h"

#include <gtest/gtest.h>

namespace {

using platform::Registry;

// What the program installs at start-up: every service a library looks up, and the machine's
// services handed in.
TEST(Startup, TheProgramInstallsEveryServiceTheLibrariesLookUp) {
    auto printers = std::make_shared<platform::RecordingPrintService>();
    QStringList errors;
    startup::EngineScope program(startup::Everything,
                                 {printers, [&](const QString& text) { errors << text; }});
    EXPECT_NE(frxComponentStreamer(), nullptr);
    EXPECT_NO_THROW(frxEvaluator());
    const TfrxRuntimeFactory& factory = frxRuntimeFactory();
    EXPECT_TRUE(factory.CreatePreviewPages && factory.CreateEngine && factory.CreateProgress &&
                factory.ShowPreview);
    EXPECT_TRUE(frxHasPrintHandler());
    EXPECT_TRUE(frxHasExportHandler());
    using H = TfrxPreview::Hook;
    for (H hook : {H::Save, H::Load, H::Find, H::FindNext, H::PageSetup})
        EXPECT_TRUE(TfrxPreview::HasHook(hook)) << static_cast<int>(hook);
    const auto* makeDocument = Registry::Find<platform::PdfDocumentFactory>();
    EXPECT_TRUE(makeDocument && *makeDocument);
    EXPECT_EQ(Registry::Find<platform::PrintService>(), printers.get());
    platform::ShowErrorBox(QStringLiteral("Out of paper"));
    EXPECT_EQ(errors, QStringList{QStringLiteral("Out of paper.")});
}

// Parts asked for later keep the parts installed before; the scope takes them all away.
TEST(Startup, PartsAddToWhatIsInstalled) {
    {
        startup::EngineScope model(startup::Model);
        startup::Install(startup::PreviewWindow | startup::Search);
        const TfrxRuntimeFactory& factory = frxRuntimeFactory();
        EXPECT_TRUE(factory.CreateEngine && factory.ShowPreview);
        EXPECT_FALSE(factory.CreateProgress);
        EXPECT_TRUE(TfrxPreview::HasHook(TfrxPreview::Hook::Find));
        EXPECT_FALSE(TfrxPreview::HasHook(TfrxPreview::Hook::Save));
    }
    EXPECT_FALSE(TfrxPreview::HasHook(TfrxPreview::Hook::Find));
}

} // namespace
