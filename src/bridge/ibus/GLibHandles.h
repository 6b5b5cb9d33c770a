#pragma once

// Ownership of the GLib and GObject things the engine holds: one reference
// of an object, an event source, a bus-name watch. Each releases what it
// holds when it goes, and moves but does not copy.

#include <gio/gio.h>
#include <glib-object.h>
#include <glib.h>

#include <memory>
#include <utility>

namespace halvora::bridge::ibus {

struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};

/// One reference of a GObject.
template <typename T>
using ObjectRef = std::unique_ptr<T, ObjectUnref>;

/// Takes a new object, sinking its floating reference if it has one (IBus's
/// objects start floating).
template <typename T>
ObjectRef<T> adoptObject(T* object) {
    if (object != nullptr && g_object_is_floating(object)) {
        g_object_ref_sink(object);
    }
    return ObjectRef<T>(object);
}

/// A source of the main loop, removed when this goes.
class SourceId {
  public:
    SourceId() = default;
    explicit SourceId(guint id) : id_(id) {}
    SourceId(SourceId&& other) noexcept : id_(std::exchange(other.id_, 0)) {}
    SourceId& operator=(SourceId&& other) noexcept {
        if (this != &other) {
            reset();
            id_ = std::exchange(other.id_, 0);
        }
        return *this;
    }
    ~SourceId() { reset(); }

    void reset() {
        if (id_ != 0) {
            g_source_remove(std::exchange(id_, 0));
        }
    }
    /// The source removed itself (its callback answered G_SOURCE_REMOVE).
    void forget() { id_ = 0; }
    explicit operator bool() const { return id_ != 0; }

  private:
    guint id_ = 0;
};

/// A watch of a bus name, ended when this goes.
class NameWatch {
  public:
    NameWatch() = default;
    explicit NameWatch(guint id) : id_(id) {}
    NameWatch(NameWatch&& other) noexcept : id_(std::exchange(other.id_, 0)) {}
    NameWatch& operator=(NameWatch&& other) noexcept {
        if (this != &other) {
            reset();
            id_ = std::exchange(other.id_, 0);
        }
        return *this;
    }
    ~NameWatch() { reset(); }

    void reset() {
        if (id_ != 0) {
            g_bus_unwatch_name(std::exchange(id_, 0));
        }
    }

  private:
    guint id_ = 0;
};

}  // namespace halvora::bridge::ibus
