#include "platform/Registry.h"

#include <unordered_map>

namespace platform {

namespace {
struct Slot {
    std::shared_ptr<void> service;
    std::uint64_t stamp = 0;
};
using Slots = std::unordered_map<std::type_index, Slot>;

Slots& AllSlots() {
    static Slots slots;
    return slots;
}
std::uint64_t& LastStamp() {
    static std::uint64_t stamp = 0;
    return stamp;
}
} // namespace

void Registry::Put(std::type_index type, std::shared_ptr<void> service) {
    Slot& slot = AllSlots()[type];
    slot.service = std::move(service);
    slot.stamp = ++LastStamp();
}

const std::shared_ptr<void>& Registry::Get(std::type_index type) {
    static const std::shared_ptr<void> none;
    const Slots& slots = AllSlots();
    const auto it = slots.find(type);
    return it == slots.end() ? none : it->second.service;
}

std::uint64_t Registry::StampOf(std::type_index type) {
    const Slots& slots = AllSlots();
    const auto it = slots.find(type);
    return it == slots.end() ? 0 : it->second.stamp;
}

struct RegistryScope::Saved {
    Slots slots;
};

RegistryScope::RegistryScope() : m_saved(std::make_unique<Saved>(Saved{AllSlots()})) {}

RegistryScope::~RegistryScope() {
    // Every slot that was there, or came while the scope lasted, changes its stamp: a cache
    // built inside the scope is built again.
    Slots& slots = AllSlots();
    for (auto& [type, slot] : slots)
        m_saved->slots.try_emplace(type);
    for (auto& [type, slot] : m_saved->slots)
        slot.stamp = ++LastStamp();
    slots = std::move(m_saved->slots);
}

} // namespace platform
