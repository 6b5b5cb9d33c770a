#pragma once

// The command-line tool's real adapters for images, the network and QR
// read-back (Qt, libcurl, zxing-cpp, libheif). Most commands need none of
// them, so `halvora` loads them only when a command first does: they are
// a plugin beside the program, and the commands start on the core alone.

#include "backup/ImageCheck.h"
#include "input/DynamicQRSource.h"
#include "platform/MainQueue.h"
#include "platform/UserDefaults.h"
#include "platform/WorkerQueue.h"

#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace halvora::cli {

class Media {
  public:
    virtual ~Media() = default;

    /// Real QR generation for a simulated paste (bank directory and image
    /// service over HTTP, rasterised and read back).
    virtual std::unique_ptr<input::DynamicQRSource> makeQRSource(platform::UserDefaults& defaults,
                                                                 platform::WorkerQueue& worker,
                                                                 platform::MainQueue& main) = 0;

    /// The backup's image check: a full decode on Qt's readers and libheif.
    virtual std::unique_ptr<backup::ImageCheck> makeImageCheck() = 0;

    /// `halvora qr` with its arguments (cli/QrCommand.h).
    virtual int runQrCommand(const std::vector<std::string_view>& args, std::ostream& out,
                             std::ostream& err) = 0;
};

/// The adapters, or null with the reason in `error`.
std::unique_ptr<Media> loadMedia(std::string& error);

}  // namespace halvora::cli
