#pragma once

#include "snippets/Snippet.h"
#include "util/Uuid.h"

#include <optional>
#include <vector>

namespace halvora::workspace {

/// The selection a filtered list keeps after its filter changed: the current
/// one when it is still listed, otherwise the first listed snippet (none for
/// an empty list).
std::optional<util::Uuid> keptOrFirst(const std::optional<util::Uuid>& current,
                                      const std::vector<snippets::Snippet>& listed);

/// The id of the first snippet, none for an empty list.
std::optional<util::Uuid> firstID(const std::vector<snippets::Snippet>& listed);

}  // namespace halvora::workspace
