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

/// Asked for when a list adds an item: the item's editor, once it is made,
/// puts the cursor in its title field. Answered once.
class TitleFocusRequest {
  public:
    void request(const util::Uuid& id) { id_ = id; }
    void clear() { id_.reset(); }
    /// True once, for the item asked for.
    bool take(const util::Uuid& id) {
        if (id_ != id) {
            return false;
        }
        id_.reset();
        return true;
    }

  private:
    std::optional<util::Uuid> id_;
};

}  // namespace halvora::workspace
