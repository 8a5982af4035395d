#pragma once
// The engine as a test executable meets it: the parts start-up would install, installed through
// the same composition root, and the services a test swaps put back when the test ends.

#include "platform/Error.h"
#include "platform/Registry.h"
#include "startup/Startup.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <optional>

// Installs `parts` before the first test of the executable and takes them away after the last:
//   static auto* const engine = AddEngineParts(startup::Model);
class EngineParts : public ::testing::Environment {
public:
    explicit EngineParts(unsigned parts) : m_parts(parts) {}
    void SetUp() override { m_scope.emplace(m_parts); }
    void TearDown() override { m_scope.reset(); }

private:
    unsigned m_parts;
    std::optional<startup::EngineScope> m_scope;
};
inline ::testing::Environment* AddEngineParts(unsigned parts) {
    return ::testing::AddGlobalTestEnvironment(new EngineParts(parts));
}

// The error texts the box would have shown while this lives (every other service kept too).
class CollectedErrors {
    platform::RegistryScope m_saved;

public:
    QStringList texts;
    CollectedErrors() {
        platform::Registry::Install(
            platform::ErrorSink([this](const QString& text) { texts << text; }));
    }
};
