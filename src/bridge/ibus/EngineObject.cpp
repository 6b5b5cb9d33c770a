#include "bridge/ibus/EngineObject.h"

#include "bridge/ibus/ContextEngine.h"

namespace halvora::bridge::ibus {
namespace {

struct HalvoraEngine {
    IBusEngine parent;
    ContextEngine* context;
};

struct HalvoraEngineClass {
    IBusEngineClass parent;
};

/// What the engine does with a signal besides its own.
IBusEngineClass* parentClass() {
    return IBUS_ENGINE_CLASS(g_type_class_peek(IBUS_TYPE_ENGINE));
}

ContextEngine* contextOf(IBusEngine* engine) {
    return reinterpret_cast<HalvoraEngine*>(engine)->context;
}

gboolean processKeyEvent(IBusEngine* engine, guint keyval, guint keycode, guint state) {
    ContextEngine* context = contextOf(engine);
    return context != nullptr && context->keyEvent(keyval, keycode, state);
}

void focusIn(IBusEngine* engine) {
    if (ContextEngine* context = contextOf(engine)) {
        context->focusIn({});
    }
}

#if IBUS_CHECK_VERSION(1, 5, 27)
void focusInId(IBusEngine* engine, const gchar* path, const gchar* client) {
    if (ContextEngine* context = contextOf(engine)) {
        context->focusIn(client != nullptr ? client : "", path != nullptr ? path : "");
    }
}
#endif

void focusOut(IBusEngine* engine) {
    if (ContextEngine* context = contextOf(engine)) {
        context->focusOut();
    }
}

#if IBUS_CHECK_VERSION(1, 5, 27)
void focusOutId(IBusEngine* engine, const gchar*) {
    focusOut(engine);
}
#endif

void reset(IBusEngine* engine) {
    if (ContextEngine* context = contextOf(engine)) {
        context->reset();
    }
}

void disable(IBusEngine* engine) {
    // Another engine takes the context over: as far as Halvora can tell,
    // the focus left it.
    focusOut(engine);
}

void setSurroundingText(IBusEngine* engine, IBusText* text, guint cursor, guint anchor) {
    // IBus keeps its own copy, which ibus_engine_get_surrounding_text reads.
    parentClass()->set_surrounding_text(engine, text, cursor, anchor);
    if (ContextEngine* context = contextOf(engine)) {
        const gchar* chars = text != nullptr ? ibus_text_get_text(text) : nullptr;
        context->surroundingText(chars != nullptr ? chars : "", cursor, anchor);
    }
}

void setContentType(IBusEngine* engine, guint purpose, guint hints) {
    parentClass()->set_content_type(engine, purpose, hints);
    if (ContextEngine* context = contextOf(engine)) {
        context->contentType(purpose, hints);
    }
}

void destroy(IBusObject* object) {
    auto* self = reinterpret_cast<HalvoraEngine*>(object);
    // The object owns its context engine, created with it.
    delete self->context;
    self->context = nullptr;
    IBUS_OBJECT_CLASS(parentClass())->destroy(object);
}

void classInit(gpointer klass, gpointer) {
    auto* engineClass = IBUS_ENGINE_CLASS(klass);
    engineClass->process_key_event = processKeyEvent;
    engineClass->focus_in = focusIn;
    engineClass->focus_out = focusOut;
#if IBUS_CHECK_VERSION(1, 5, 27)
    engineClass->focus_in_id = focusInId;
    engineClass->focus_out_id = focusOutId;
#endif
    engineClass->reset = reset;
    engineClass->disable = disable;
    engineClass->set_surrounding_text = setSurroundingText;
    engineClass->set_content_type = setContentType;
    IBUS_OBJECT_CLASS(klass)->destroy = destroy;
}

void instanceInit(GTypeInstance* instance, gpointer) {
    reinterpret_cast<HalvoraEngine*>(instance)->context = nullptr;
}

GType engineType() {
    static const GType type = g_type_register_static_simple(
        IBUS_TYPE_ENGINE, "HalvoraIBusEngine", sizeof(HalvoraEngineClass), classInit,
        sizeof(HalvoraEngine), instanceInit, static_cast<GTypeFlags>(0));
    return type;
}

}  // namespace

IBusEngine* newEngineObject(EngineHost& host, const gchar* engineName, const gchar* objectPath,
                            GDBusConnection* connection) {
    auto* engine = IBUS_ENGINE(g_object_new(engineType(), "engine-name", engineName, "object-path",
                                            objectPath, "connection", connection,
#if IBUS_CHECK_VERSION(1, 5, 27)
                                            // The focus comes with the client's name.
                                            "has-focus-id", TRUE,
#endif
                                            nullptr));
    reinterpret_cast<HalvoraEngine*>(engine)->context = new ContextEngine(host, engine);
    return engine;
}

}  // namespace halvora::bridge::ibus
