#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

struct Greeting {
    std::function<int()> Say;
};
class Printer {
public:
    virtual ~Printer() = default;
    virtual int Pages() const = 0;
};
class TwoPages : public Printer {
public:
    int Pages() const override { return 2; }
};

using platform::Registry;
using platform::RegistryScope;

// One slot per type; a scope puts back every slot, the ones it saw change and the ones that
// came inside it, and gives each a new stamp, so caches built inside it are built again.
TEST(Registry, ServicesByTypeAndScopesThatPutThemBack) {
    RegistryScope outer;
    EXPECT_EQ(Registry::Find<Greeting>(), nullptr);
    Registry::Install(Greeting{[] { return 1; }});
    const auto before = Registry::Stamp<Greeting>();
    EXPECT_GT(before, 0u);
    {
        RegistryScope inner;
        Registry::Install(Greeting{[] { return 2; }});
        Registry::Install<Printer>(std::make_shared<TwoPages>());
        EXPECT_EQ(Registry::Find<Greeting>()->Say(), 2);
        EXPECT_EQ(Registry::Find<Printer>()->Pages(), 2);
        const std::shared_ptr<Printer> held = Registry::Shared<Printer>();
        Registry::Remove<Printer>();
        EXPECT_EQ(Registry::Find<Printer>(), nullptr);
        EXPECT_EQ(held->Pages(), 2) << "a service in use outlives its removal";
    }
    EXPECT_EQ(Registry::Find<Greeting>()->Say(), 1);
    EXPECT_EQ(Registry::Find<Printer>(), nullptr);
    EXPECT_NE(Registry::Stamp<Greeting>(), before);
    const auto printerStamp = Registry::Stamp<Printer>();
    {
        RegistryScope untouched;
    }
    EXPECT_NE(Registry::Stamp<Printer>(), printerStamp);
}

} // namespace
