#pragma once

// The archive file: one compact JSON object
//   {"version":1,"createdAt":<seconds since 2001>,"snippets":[...],
//    "images":{"<UPPER-CASE UUID>":{"fileExtension":"png","data":"<Base64>"},...},
//    "qrProfile":{"bankID":...,"accountNumber":...,"accountName":...,"amount":...,
//                 "randomMemo":true,"defaultMemo":...}}
// with the snippets exactly as in the snippets file. Readers look keys up by
// name and accept ids in either case.

#include "backup/HalvoraBackup.h"

#include <string>

namespace halvora::backup {

std::string encodeArchive(const HalvoraBackup& backup);

/// Decodes the archive's JSON. `bytes` is taken so that it can be read in
/// place (with room for the parser's padding) and let go with the call. Throws
/// BackupError::invalidFile with "không đọc được định dạng" for anything that is not an archive
/// (bad JSON, a missing key, a wrong type, an id that is not a UUID, data that is not Base64).
/// Checks nothing further: see BackupService::validate.
HalvoraBackup decodeArchive(std::string bytes);

}  // namespace halvora::backup
