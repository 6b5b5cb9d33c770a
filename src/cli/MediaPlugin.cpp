// loadMedia for `halvora`: the plugin beside the program in the build tree,
// else the installed one.

#include "cli/Media.h"
#include "cli/MediaPluginAbi.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>

#ifndef HALVORA_INSTALLED_MEDIA_PLUGIN
#define HALVORA_INSTALLED_MEDIA_PLUGIN ""
#endif
#ifndef HALVORA_MEDIA_PLUGIN_FROM_PREFIX
#define HALVORA_MEDIA_PLUGIN_FROM_PREFIX ""
#endif

namespace halvora::cli {
namespace {

/// Owns the loaded library and the object it made; the object goes first.
class PluginMedia final : public Media {
  public:
    PluginMedia(void* library, Media* media) : library_(library), media_(media) {}
    ~PluginMedia() override {
        media_.reset();
        // Qt and the network library keep threads and atexit handlers: the
        // library stays mapped until the process ends.
        (void)library_;
    }

    std::unique_ptr<input::DynamicQRSource> makeQRSource(platform::UserDefaults& defaults,
                                                         platform::WorkerQueue& worker,
                                                         platform::MainQueue& main) override {
        return media_->makeQRSource(defaults, worker, main);
    }
    std::unique_ptr<backup::ImageCheck> makeImageCheck() override {
        return media_->makeImageCheck();
    }
    int runQrCommand(const std::vector<std::string_view>& args, std::ostream& out,
                     std::ostream& err) override {
        return media_->runQrCommand(args, out, err);
    }

  private:
    void* library_;
    std::unique_ptr<Media> media_;
};

std::vector<std::filesystem::path> candidates() {
    std::vector<std::filesystem::path> paths;
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        // The build tree, then an installation under any prefix (bin/..).
        paths.push_back(self.parent_path() / kMediaPluginFile);
        const std::filesystem::path fromPrefix = HALVORA_MEDIA_PLUGIN_FROM_PREFIX;
        if (!fromPrefix.empty()) {
            paths.push_back(self.parent_path().parent_path() / fromPrefix);
        }
    }
    const std::filesystem::path installed = HALVORA_INSTALLED_MEDIA_PLUGIN;
    if (!installed.empty()) {
        paths.push_back(installed);
    }
    return paths;
}

}  // namespace

std::unique_ptr<Media> loadMedia(std::string& error) {
    error = "halvora: " + std::string(kMediaPluginFile) + " not found";
    for (const std::filesystem::path& path : candidates()) {
        std::error_code missing;
        if (!std::filesystem::exists(path, missing)) {
            continue;
        }
        void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) {
            const char* reason = ::dlerror();
            error = "halvora: cannot load " + path.string() + ": " + (reason ? reason : "?");
            continue;
        }
        using Create = Media* (*)(int);
        const auto create = reinterpret_cast<Create>(::dlsym(library, kMediaPluginEntry));
        Media* media = create ? create(kMediaPluginAbiVersion) : nullptr;
        if (media == nullptr) {
            error = "halvora: " + path.string() + " is not this version's media plugin";
            ::dlclose(library);
            continue;
        }
        return std::make_unique<PluginMedia>(library, media);
    }
    return nullptr;
}

}  // namespace halvora::cli
