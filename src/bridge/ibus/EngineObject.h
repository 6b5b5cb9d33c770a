#pragma once

// The GObject type IBus knows the engine by: an IBusEngine whose signals go
// to a ContextEngine it owns.

#include "bridge/ibus/EngineHost.h"

#include <ibus.h>

namespace halvora::bridge::ibus {

/// A new engine object for IBus's factory, at `objectPath` on
/// `connection`, serving through `host`. IBus takes the returned reference.
IBusEngine* newEngineObject(EngineHost& host, const gchar* engineName, const gchar* objectPath,
                            GDBusConnection* connection);

}  // namespace halvora::bridge::ibus
