#include "backup/FileWriter.h"

#include "util/Files.h"

#include <system_error>

namespace halvora::backup {

void AtomicFileWriter::writeAtomically(const std::filesystem::path& file, std::string_view bytes) {
    util::writeFileAtomically(file, bytes);
}

bool AtomicFileWriter::remove(const std::filesystem::path& file) noexcept {
    std::error_code error;
    std::filesystem::remove(file, error);
    return !error;
}

}  // namespace halvora::backup
