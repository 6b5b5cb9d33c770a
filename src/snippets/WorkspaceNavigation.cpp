#include "snippets/WorkspaceNavigation.h"

namespace halvora::snippets {

void WorkspaceNavigation::setPage(WorkspacePage page) {
    page_ = page;
    changed_.emit(page_);
}

util::Connection WorkspaceNavigation::observe(std::function<void(WorkspacePage)> onChange) {
    return changed_.connect(
        [onChange = std::move(onChange)](const WorkspacePage& page) { onChange(page); });
}

}  // namespace halvora::snippets
