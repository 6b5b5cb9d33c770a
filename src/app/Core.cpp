#include "app/Core.h"

#include <optional>
#include <utility>

namespace halvora::app {

Core::Core(platform::Platform& platform, snippets::PanelHost& panels,
           std::filesystem::path dataFolder, input::DynamicQRSource* qrSource)
    : platform_(platform),
      store_(std::move(dataFolder), platform.log),
      keyboard_(store_, platform, panels, qrSource,
                // Called only from the controller's own queued work, never
                // while this assembly is being built or taken down.
                [this](std::optional<snippets::ReplyPasteTarget> target) {
                    picker_.openPicker(std::move(target));
                }),
      picker_(keyboard_, store_, platform, panels) {}

Core::~Core() = default;

}  // namespace halvora::app
