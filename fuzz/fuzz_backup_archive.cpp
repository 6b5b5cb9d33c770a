// The backup archive: any bytes either are refused with a BackupError or
// decode to an archive that passes validation or is refused by it; an
// accepted archive encodes and decodes back to itself.

#include "FuzzSupport.h"
#include "backup/BackupArchive.h"
#include "backup/BackupError.h"
#include "backup/BackupService.h"
#include "platform/sim/SimImageCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace halvora;
    static const platform::sim::SimImageCodec codec;
    backup::HalvoraBackup archive;
    try {
        archive = backup::decodeArchive(std::string(reinterpret_cast<const char*>(data), size));
    } catch (const backup::BackupError& error) {
        fuzz::require(error.kind() == backup::BackupError::Kind::invalidFile,
                      "decoding refuses as invalid");
        return 0;
    }
    fuzz::require(backup::HalvoraBackup::isValidDate(archive.createdAt), "a decoded date converts");
    try {
        backup::BackupService::validate(archive, codec);
    } catch (const backup::BackupError&) {
        return 0;
    }
    const std::string encoded = backup::encodeArchive(archive);
    backup::HalvoraBackup again;
    try {
        again = backup::decodeArchive(encoded);
    } catch (const backup::BackupError& error) {
        fuzz::fail("an encoded archive decodes", error.what());
    }
    fuzz::require(again == archive, "an encoded archive decodes to itself");
    return 0;
}
