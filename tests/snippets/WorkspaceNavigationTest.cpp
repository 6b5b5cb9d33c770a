#include "snippets/WorkspaceNavigation.h"

#include <gtest/gtest.h>

#include <vector>

namespace halvora::snippets {
namespace {

TEST(WorkspaceNavigationTest, StartsOnSnippetsAndAnnouncesEveryAssignment) {
    WorkspaceNavigation navigation;
    EXPECT_EQ(navigation.page(), WorkspacePage::snippets);

    std::vector<WorkspacePage> seen;
    {
        util::Connection connection =
            navigation.observe([&](WorkspacePage page) { seen.push_back(page); });
        navigation.setPage(WorkspacePage::qr);
        navigation.setPage(WorkspacePage::qr);
        navigation.setPage(WorkspacePage::about);
    }
    navigation.setPage(WorkspacePage::backup);  // no observer any more

    EXPECT_EQ(seen, (std::vector<WorkspacePage>{WorkspacePage::qr, WorkspacePage::qr,
                                                WorkspacePage::about}));
    EXPECT_EQ(navigation.page(), WorkspacePage::backup);
}

}  // namespace
}  // namespace halvora::snippets
