#include "platform/kmbase/KMUtil.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <unistd.h>

TEST(KMUtil, FileExistMeansAnExistingRegularFile)
{
    testing_support::TempDir dir;
    const std::string file = dir.File("template.xml");
    testing_support::WriteFile(file, "<Window/>");
    EXPECT_TRUE(KMUtil::FileExist(file.c_str()));
    EXPECT_FALSE(KMUtil::FileExist(dir.Path().c_str()));
    EXPECT_FALSE(KMUtil::FileExist(dir.File("missing.xml").c_str()));
    EXPECT_FALSE(KMUtil::FileExist(""));
    EXPECT_FALSE(KMUtil::FileExist(nullptr));
    ASSERT_EQ(symlink(file.c_str(), dir.File("link.xml").c_str()), 0);
    EXPECT_TRUE(KMUtil::FileExist(dir.File("link.xml").c_str()));
}

TEST(KMUtil, ModulePathIsTheFolderOfTheLoadedCode)
{
    // The tests link the library statically, so the module is the test program itself.
    char exe[PATH_MAX] = {};
    ASSERT_GT(readlink("/proc/self/exe", exe, sizeof(exe) - 1), 0);
    std::string folder = exe;
    folder.erase(folder.rfind('/') + 1);
    EXPECT_EQ(KMUtil::GetModulePath().str(), folder);
}
