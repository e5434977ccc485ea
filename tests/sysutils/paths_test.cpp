// Path splitting, joining and the absolute-path test as case tables; file tests on a scratch
// directory.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include <vesk/sysutils.h>

using Vesk::CSysUtils;

namespace {

struct sPathCase_t {
    const char* path;
    const char* dir;
    const char* name;
    const char* extension;
};

const sPathCase_t kPathCases[] = {
    {"a/b/c.txt", "a/b", "c.txt", "txt"},
    {"a\\b\\c.txt", "a\\b", "c.txt", "txt"},
    {"c.txt", "", "c.txt", "txt"},
    {"/c.txt", "", "c.txt", "txt"},
    {"a/b/", "a/b", "", ""},
    {"a\\b", "a", "b", ""},
    {"a/b.tar.gz", "a", "b.tar.gz", "gz"},
    {"a/b.d/file", "a/b.d", "file", ""},
    {"a\\b.d/file", "a\\b.d", "file", ""},
    {"file", "", "file", ""},
    {"file.", "", "file.", ""},
    {".profile", "", ".profile", "profile"},
    {"x\\y.z", "x", "y.z", "z"},
    {"a/.", "a", ".", ""},
    {"", "", "", ""},
};

TEST(Paths, SplitIntoDirectoryNameAndExtension) {
    for (const sPathCase_t& c : kPathCases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(CSysUtils::ExtractDir(c.path), c.dir);
        EXPECT_EQ(CSysUtils::ExtractFileName(c.path), c.name);
        EXPECT_EQ(CSysUtils::ExtractFileExtension(c.path), c.extension);
    }
}

TEST(Paths, MakeFullPathInsertsOnlyMissingSlash) {
    const struct {
        const char* dir;
        const char* name;
        const char* full;
    } cases[] = {{"a", "b", "a/b"},   {"a/", "b", "a/b"},    {"", "b", "b"},
                 {"a", "/b", "a//b"}, {"a\\", "b", "a\\/b"}, {"a", "", "a/"}};
    for (const auto& c : cases) {
        EXPECT_EQ(CSysUtils::MakeFullPath(c.dir, c.name), c.full) << c.dir << " + " << c.name;
    }
}

TEST(Paths, AbsolutePathDecidedByFirstSeparatorOrDot) {
    const struct {
        const char* path;
        bool absolute;
    } cases[] = {{"/x", true},    {"\\x", true},    {"C:\\x", true},     {"C:/x", true},
                 {"C:x", false},  {"x/y", false},   {"./x", false},      {".\\x", false},
                 {"../x", false}, {"x.y/z", false}, {"file.txt", false}, {"", false},
                 {"abc", false},  {"ab:/x", true}};
    for (const auto& c : cases) {
        EXPECT_EQ(CSysUtils::IsAbsolutePath(c.path), c.absolute) << c.path;
    }
}

TEST(Paths, PlatformNoOpsReturnTheirInput) {
    EXPECT_EQ(CSysUtils::GetExecutableDir(), ".");
    EXPECT_EQ(CSysUtils::ExpandEnvironmentVariables("$HOME/%TEMP%"), "$HOME/%TEMP%");
    EXPECT_EQ(CSysUtils::ResolveRelativePath("../x/./y"), "../x/./y");
    bool called = false;
    CSysUtils::SearchFiles(
        ".", "*",
        [](const char*, void* context) {
            *static_cast<bool*>(context) = true;
            return 0;
        },
        &called);
    EXPECT_FALSE(called);
}

TEST(Files, ExistsDirectoryAndRemove) {
    char scratch[] = "/tmp/vesk_paths_XXXXXX";
    ASSERT_NE(mkdtemp(scratch), nullptr);
    const std::string dir = scratch;
    const std::string file = CSysUtils::MakeFullPath(dir, "f.txt");
    const std::string missing = CSysUtils::MakeFullPath(dir, "missing");

    FILE* stream = std::fopen(file.c_str(), "w");
    ASSERT_NE(stream, nullptr);
    std::fclose(stream);

    EXPECT_TRUE(CSysUtils::FileExists(file));
    EXPECT_FALSE(CSysUtils::DirectoryExists(file));
    EXPECT_TRUE(CSysUtils::DirectoryExists(dir));
    EXPECT_FALSE(CSysUtils::FileExists(missing));
    EXPECT_FALSE(CSysUtils::DirectoryExists(missing));
    EXPECT_FALSE(CSysUtils::DirectoryExists(""));

    EXPECT_TRUE(CSysUtils::RemoveFile(file));
    EXPECT_FALSE(CSysUtils::FileExists(file));
    EXPECT_FALSE(CSysUtils::RemoveFile(file));
    EXPECT_TRUE(CSysUtils::RemoveFile(dir));  // an empty directory goes too
    EXPECT_FALSE(CSysUtils::DirectoryExists(dir));
}

}  // namespace
