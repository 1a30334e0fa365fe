#include "base/PathText.h"

#include <gtest/gtest.h>

#include "base/UserFolders.h"

namespace pictorel {
namespace {

TEST(PathTextTest, ApplicationFolderAndRemoveAll) {
    EXPECT_EQ(ApplicationFolder("/opt/pictorel/pictorel"), "/opt/pictorel/");
    EXPECT_EQ(ApplicationFolder("/pictorel"), "/");
    EXPECT_EQ(ApplicationFolder("pictorel"), "");
    EXPECT_EQ(RemoveAll("2026/12/08", "/"), "20261208");
    EXPECT_EQ(RemoveAll("//", "/"), "");
    EXPECT_EQ(RemoveAll("abc", ""), "abc");
}

}  // namespace
}  // namespace pictorel
