#include "WorkspaceFixture.h"
#include "workspace/AboutViewModel.h"

#include <gtest/gtest.h>

namespace halvora::workspace {
namespace {

class AboutViewModelTest : public testing::WorkspaceFixture {};

TEST_F(AboutViewModelTest, VersionComesFromTheBuild) {
    EXPECT_EQ(AboutViewModel::versionLine(), "Phiên bản " + std::string(AboutViewModel::version()));
    const std::string_view version = AboutViewModel::version();
    ASSERT_FALSE(version.empty());
    EXPECT_EQ(version.find_first_not_of("0123456789."), std::string_view::npos) << version;
}

TEST_F(AboutViewModelTest, ButtonsOpenTheConfiguredPages) {
    AboutViewModel model(desktop_, platform_.words);
    EXPECT_FALSE(AboutViewModel::authorURL().empty());
    EXPECT_FALSE(AboutViewModel::supportURL().empty());
    model.openAuthorPage();
    model.openSupportPage();
    EXPECT_EQ(desktop_.openedUrls(),
              (std::vector<std::string>{std::string(AboutViewModel::authorURL()),
                                        std::string(AboutViewModel::supportURL())}));
}

}  // namespace
}  // namespace halvora::workspace
