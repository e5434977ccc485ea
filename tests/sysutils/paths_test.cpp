// Path splitting, joining and the absolute-path test as case tables; file tests in a scratch
// folder.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>

#include <vesk/sysutils.h>

using Vesk::CSysUtils;

namespace {

TEST(Paths, SplitIntoDirectoryNameAndExtension) {
    const struct {
        const char *path, *dir, *name, *extension;
    } cases[] = {{"a/b/c.txt", "a/b", "c.txt", "txt"},
                 {"a\\b\\c.txt", "a\\b", "c.txt", "txt"},
                 {"/c.txt", "", "c.txt", "txt"},
                 {"a/b/", "a/b", "", ""},
                 {"a/b.tar.gz", "a", "b.tar.gz", "gz"},
                 {"a\\b.d/file", "a\\b.d", "file", ""},
                 {"file.", "", "file.", ""},
                 {".profile", "", ".profile", "profile"},
                 {"", "", "", ""}};
    for (const auto& c : cases) {
        EXPECT_EQ(CSysUtils::ExtractDir(c.path), c.dir) << c.path;
        EXPECT_EQ(CSysUtils::ExtractFileName(c.path), c.name) << c.path;
        EXPECT_EQ(CSysUtils::ExtractFileExtension(c.path), c.extension) << c.path;
    }
}

TEST(Paths, JoinAndAbsoluteTest) {
    EXPECT_EQ(CSysUtils::MakeFullPath("a", "b"), "a/b");
    EXPECT_EQ(CSysUtils::MakeFullPath("a/", "b"), "a/b");
    EXPECT_EQ(CSysUtils::MakeFullPath("", "b"), "b");
    EXPECT_EQ(CSysUtils::MakeFullPath("a", "/b"), "a//b");
    EXPECT_EQ(CSysUtils::MakeFullPath("a\\", "b"), "a\\/b");
    for (const char* path : {"/x", "\\x", "C:\\x", "C:/x"}) {
        EXPECT_TRUE(CSysUtils::IsAbsolutePath(path)) << path;
    }
    for (const char* path : {"C:x", "x/y", "./x", "../x", "x.y/z", "abc", ""}) {
        EXPECT_FALSE(CSysUtils::IsAbsolutePath(path)) << path;
    }
    EXPECT_EQ(CSysUtils::GetExecutableDir(), ".");
    EXPECT_EQ(CSysUtils::ExpandEnvironmentVariables("$HOME/%TMP%"), "$HOME/%TMP%");
}

TEST(Files, ExistsDirectoryAndRemove) {
    char scratch[] = "/tmp/vesk_paths_XXXXXX";
    ASSERT_NE(mkdtemp(scratch), nullptr);
    const std::string file = CSysUtils::MakeFullPath(scratch, "f.txt");
    FILE* stream = std::fopen(file.c_str(), "w");
    ASSERT_NE(stream, nullptr);
    std::fclose(stream);

    EXPECT_TRUE(CSysUtils::FileExists(file));
    EXPECT_FALSE(CSysUtils::DirectoryExists(file));
    EXPECT_TRUE(CSysUtils::DirectoryExists(scratch));
    EXPECT_FALSE(CSysUtils::DirectoryExists(file + "x"));
    EXPECT_TRUE(CSysUtils::RemoveFile(file));
    EXPECT_FALSE(CSysUtils::FileExists(file));
    EXPECT_FALSE(CSysUtils::RemoveFile(file));
    EXPECT_TRUE(CSysUtils::RemoveFile(scratch));  // an empty directory goes too
}

}  // namespace
