#pragma once
// The program's services, one per type. A library declares the service it needs (an interface,
// or a struct of functions) and looks it up here; start-up (the startup library's Startup unit)
// installs what provides it. A library never installs a service of its own accord, so what runs
// is decided in one place.
//
// Used on the GUI thread: services are installed before the first window, and changed later
// only by tests, inside a RegistryScope that puts back what was there.

#include <cstdint>
#include <memory>
#include <type_traits>
#include <typeindex>
#include <utility>

namespace platform {

class Registry {
public:
    template <class Service>
    static void Install(std::shared_ptr<Service> service) {
        Put(typeid(Service), std::shared_ptr<void>(std::move(service)));
    }
    // A service held by value (a struct of functions, a flag set).
    template <class Service>
        requires std::is_copy_constructible_v<Service>
    static void Install(Service value) {
        Install<Service>(std::make_shared<Service>(std::move(value)));
    }
    template <class Service>
    static void Remove() {
        Put(typeid(Service), nullptr);
    }
    // Null when none is installed.
    template <class Service>
    static Service* Find() {
        return static_cast<Service*>(Get(typeid(Service)).get());
    }
    template <class Service>
    static std::shared_ptr<Service> Shared() {
        return std::static_pointer_cast<Service>(Get(typeid(Service)));
    }
    // Changes whenever the service of that type is installed, removed or put back by a scope
    // (0 while it never was): for caches built from a service.
    template <class Service>
    static std::uint64_t Stamp() {
        return StampOf(typeid(Service));
    }

private:
    static void Put(std::type_index type, std::shared_ptr<void> service);
    static const std::shared_ptr<void>& Get(std::type_index type);
    static std::uint64_t StampOf(std::type_index type);
    friend class RegistryScope;
};

// Keeps every service as it is when made and puts them all back when it goes.
class RegistryScope {
public:
    RegistryScope();
    ~RegistryScope();
    RegistryScope(const RegistryScope&) = delete;
    RegistryScope& operator=(const RegistryScope&) = delete;

private:
    struct Saved;
    std::unique_ptr<Saved> m_saved;
};

} // namespace platform
