// The composition engine over arbitrary Unicode keys, Backspace and commits:
// after every key the shown text is the rendering of the raw keystrokes, a
// key passes exactly when the new text is the old one plus the key, a
// replacement deletes the old text's characters and types the new text, and
// everything the engine hands out is valid UTF-8.

#include "FuzzSupport.h"
#include "engine/VietInputEngine.h"
#include "text/Unicode.h"

namespace {

/// A Unicode scalar from three bytes of input, mostly near the Latin and
/// Vietnamese letters and digits, sometimes anywhere.
char32_t keyFrom(halvora::fuzz::Input& input) {
    const std::uint8_t kind = input.byte();
    const std::uint32_t a = input.byte();
    const std::uint32_t b = input.byte();
    char32_t key = 0;
    switch (kind % 4) {
        case 0:
            key = 0x20 + a % 0x5F;  // printable ASCII
            break;
        case 1:
            key = U"aeiouydwsfrxjzAEIOUYDW0123456789["[a % 33];
            break;
        case 2:
            key = 0xA0 + ((a << 8) | b) % 0x2000;  // Latin supplements, combining marks, ...
            break;
        default:
            key = ((kind << 16) | (a << 8) | b) % 0x110000;
            break;
    }
    if ((key >= 0xD800 && key <= 0xDFFF) || key == 0) {
        key = U'a';
    }
    return key;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace halvora;
    fuzz::Input input(data, size);
    engine::VietInputEngine engine;
    const std::uint8_t flags = input.byte();
    engine.vniMode = (flags & 1) != 0;
    engine.modernTone = (flags & 2) != 0;
    int steps = 0;
    while (!input.empty() && ++steps < 200) {
        const std::uint8_t op = input.byte();
        if (op % 16 == 0) {
            const std::string before = engine.composed();
            const engine::InputAction action = engine.backspace();
            fuzz::require(fuzz::isValidUtf8(engine.composed()), "Backspace leaves UTF-8");
            fuzz::require(engine.rawKeystrokes() == engine.composed() || before.empty(),
                          "after Backspace the raw keys are the shown text");
            if (action.kind == engine::InputAction::Kind::replace) {
                fuzz::require(action.text == engine.composed(),
                              "Backspace types the shortened text");
            }
            continue;
        }
        if (op % 16 == 1) {
            const std::string commit = engine.peekCommitText((op & 0x10) != 0, U' ');
            fuzz::require(fuzz::isValidUtf8(commit), "a commit is UTF-8", commit);
            engine.setWord({}, {});
            continue;
        }
        const char32_t key = keyFrom(input);
        std::string keyText;
        text::appendUtf8(keyText, key);
        const std::string before = engine.composed();
        const engine::InputAction action = engine.feed(key);
        const std::string rendered =
            engine::VietInputEngine::render(std::string_view(engine.rawKeystrokes()),
                                            engine.vniMode, engine.modernTone)
                .text;
        fuzz::require(engine.composed() == rendered, "composed == render(raw)",
                      engine.rawKeystrokes());
        fuzz::require(fuzz::isValidUtf8(engine.composed()), "the shown text is UTF-8");
        const bool plusKey = engine.composed() == before + keyText;
        fuzz::require((action.kind == engine::InputAction::Kind::passThrough) == plusKey,
                      "a key passes exactly when it types itself", engine.rawKeystrokes());
        if (action.kind == engine::InputAction::Kind::replace) {
            fuzz::require(action.text == engine.composed(), "a replacement types the new text");
            fuzz::require(action.deleteCount ==
                              static_cast<int>(text::graphemeCount(std::string_view(before))),
                          "a replacement deletes the old text");
        }
    }
    return 0;
}
