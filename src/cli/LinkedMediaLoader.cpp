// loadMedia for programs that link the adapters (the tests).

#include "cli/LinkedMedia.h"

namespace halvora::cli {

std::unique_ptr<Media> loadMedia(std::string&) {
    return std::make_unique<LinkedMedia>();
}

}  // namespace halvora::cli
