#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "support/TestFiles.h"

namespace pictorel {
namespace {

namespace fs = std::filesystem;

// Runs pictorel-cli with the arguments; returns its standard output and sets `status`.
std::string RunCli(const std::string& args, int& status) {
    const std::string command = test::CliCommand() + " " + args + " 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    std::string out;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe.get())) out.append(buffer, n);
    status = ::pclose(pipe.release());
    return out;
}

TEST(DemoCommandTest, WritesThePicturesAndPrintsTheirPaths) {
    test::TempDir dir;
    int status = -1;
    const std::string out = RunCli("demo '" + dir.Str() + "'", status);
    EXPECT_EQ(status, 0);
    const std::string root = fs::canonical(dir.Path()).string() + "/";
    EXPECT_EQ(out, root + "gradient.jpg\n" + root + "checkerboard.jpg\n" + root +
                       "grey-ramp.jpg\n" + root + "colour.bars.jpg\n" + root + "gradient-1.jpg\n");
    std::set<std::string> files;
    for (const auto& e : fs::directory_iterator(dir.Path())) {
        files.insert(e.path().filename().string());
        const auto bytes = test::ReadFile(e.path());
        ASSERT_GE(bytes.size(), 4u);
        EXPECT_EQ(bytes[0], 0xFF);
        EXPECT_EQ(bytes[1], 0xD8);
        EXPECT_EQ(bytes[bytes.size() - 2], 0xFF);
        EXPECT_EQ(bytes[bytes.size() - 1], 0xD9);
    }
    EXPECT_EQ(files.size(), 5u);
}

TEST(DemoCommandTest, MissingFolderFailsWithoutWriting) {
    test::TempDir dir;
    int status = 0;
    EXPECT_EQ(RunCli("demo '" + dir.Str() + "missing'", status), "");
    EXPECT_NE(status, 0);
    EXPECT_TRUE(fs::is_empty(dir.Path()));
}

}  // namespace
}  // namespace pictorel
