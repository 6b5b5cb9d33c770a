#pragma once

// What the program and its media plugin agree on. Both are built from the
// same tree with the same compiler, so C++ objects may cross; the number
// guards against a plugin left behind by another version.

namespace halvora::cli {

inline constexpr int kMediaPluginAbiVersion = 1;
inline constexpr const char* kMediaPluginEntry = "halvora_media_create";
inline constexpr const char* kMediaPluginFile = "halvora-media.so";

}  // namespace halvora::cli
