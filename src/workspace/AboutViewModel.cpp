#include "workspace/AboutViewModel.h"

#include "workspace/BuildInfo.h"

namespace halvora::workspace {

std::string_view AboutViewModel::version() {
    return BuildInfo::version;
}

std::string AboutViewModel::versionLine() {
    return "Phiên bản " + std::string(version());
}

std::string_view AboutViewModel::authorURL() {
    return BuildInfo::authorURL;
}

std::string_view AboutViewModel::supportURL() {
    return BuildInfo::supportURL;
}

}  // namespace halvora::workspace
