// The entry point of the media plugin `halvora` loads (cli/MediaPlugin.cpp).

#include "cli/LinkedMedia.h"
#include "cli/MediaPluginAbi.h"

extern "C" __attribute__((visibility("default"))) halvora::cli::Media* halvora_media_create(
    int abiVersion) {
    if (abiVersion != halvora::cli::kMediaPluginAbiVersion) {
        return nullptr;
    }
    return new halvora::cli::LinkedMedia();
}
