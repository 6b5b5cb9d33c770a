// ibus-engine-halvora: the Halvora input method of IBus. IBus starts it
// with --ibus when a context first selects Halvora (the component file says
// so); started by hand, it registers the component itself.

#include "bridge/ibus/EngineHost.h"
#include "bridge/ibus/EngineObject.h"
#include "bridge/ibus/GLibHandles.h"

#include <ibus.h>

#include <cstring>
#include <string>

namespace {

using namespace halvora::bridge::ibus;

constexpr const char* componentName = "vn.halvora.IBus.Halvora";
constexpr const char* engineName = "halvora";

/// Engines for IBus's factory, one per input context.
struct Engines {
    EngineHost host;
    GDBusConnection* connection = nullptr;
    unsigned int created = 0;
};

IBusEngine* createEngine(IBusFactory*, const gchar* name, gpointer data) {
    auto& engines = *static_cast<Engines*>(data);
    if (std::strcmp(name, engineName) != 0) {
        return nullptr;
    }
    const std::string path =
        "/org/freedesktop/IBus/Engine/Halvora/" + std::to_string(++engines.created);
    return newEngineObject(engines.host, name, path.c_str(), engines.connection);
}

/// The component as the installed component file describes it, for a run
/// by hand.
ObjectRef<IBusComponent> ownComponent(const char* program) {
    ObjectRef<IBusComponent> component = adoptObject(ibus_component_new(
        componentName, "Halvora", "0.1.0", "", "Halvora", "", program, "halvora"));
    ibus_component_add_engine(
        component.get(),
        ibus_engine_desc_new_varargs("name", engineName, "longname", "Halvora", "description",
                                     "Bộ gõ tiếng Việt Halvora", "language", "vi", "layout",
                                     "default", "symbol", "Vi", "icon", "input-keyboard", nullptr));
    return component;
}

}  // namespace

int main(int argc, char** argv) {
    const bool startedByIBus = argc > 1 && std::strcmp(argv[1], "--ibus") == 0;
    ibus_init();
    ObjectRef<IBusBus> bus = adoptObject(ibus_bus_new());
    if (!ibus_bus_is_connected(bus.get())) {
        g_warning("Halvora bridge: cannot connect to ibus-daemon");
        return 1;
    }
    // The engine lives as long as the daemon it serves.
    g_signal_connect(bus.get(), "disconnected",
                     G_CALLBACK(+[](IBusBus*, gpointer) { ibus_quit(); }), nullptr);

    Engines engines;
    engines.connection = ibus_bus_get_connection(bus.get());
    ObjectRef<IBusFactory> factory = adoptObject(ibus_factory_new(engines.connection));
    g_signal_connect(factory.get(), "create-engine", G_CALLBACK(createEngine), &engines);

    if (startedByIBus) {
        ibus_bus_request_name(bus.get(), componentName, 0);
    } else {
        const ObjectRef<IBusComponent> component = ownComponent(argv[0]);
        ibus_bus_register_component(bus.get(), component.get());
    }
    ibus_main();
    return 0;
}
