#include "workspace/ListSelection.h"

#include <algorithm>

namespace halvora::workspace {

std::optional<util::Uuid> keptOrFirst(const std::optional<util::Uuid>& current,
                                      const std::vector<snippets::Snippet>& listed) {
    if (current && std::any_of(listed.begin(), listed.end(),
                               [&](const snippets::Snippet& s) { return s.id == *current; })) {
        return current;
    }
    return firstID(listed);
}

std::optional<util::Uuid> firstID(const std::vector<snippets::Snippet>& listed) {
    if (listed.empty()) {
        return std::nullopt;
    }
    return listed.front().id;
}

}  // namespace halvora::workspace
