#pragma once

// The Media adapters linked into the program that uses them (the tests, and
// the plugin `halvora` loads).

#include "cli/Media.h"

namespace halvora::cli {

class LinkedMedia final : public Media {
  public:
    std::unique_ptr<input::DynamicQRSource> makeQRSource(platform::UserDefaults& defaults,
                                                         platform::WorkerQueue& worker,
                                                         platform::MainQueue& main) override;
    std::unique_ptr<backup::ImageCheck> makeImageCheck() override;
    int runQrCommand(const std::vector<std::string_view>& args, std::ostream& out,
                     std::ostream& err) override;
};

}  // namespace halvora::cli
