// Replacing an output file: a failure at any step leaves the previous file and no temp file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace {

namespace fs = std::filesystem;

// File operations that record each call and fail at the step named in `failAt`.
struct FakeFiles {
  std::string failAt;
  std::vector<std::string> calls;
  std::string written;
  int handle = 0;

  FileOps ops() {
    FileOps o;
    o.create = [this](const char* path) -> void* {
      calls.push_back(std::string("create ") + path);
      return failAt == "create" ? nullptr : &handle;
    };
    o.write = [this](void*, const char* data, size_t size) {
      calls.push_back("write");
      size_t kept = failAt == "write" ? size / 2 : size;  // a disk that fills up part-way
      written.append(data, kept);
      return kept;
    };
    o.close = [this](void*) {
      calls.push_back("close");
      return failAt == "close" ? -1 : 0;
    };
    o.rename = [this](const char* from, const char* to) {
      calls.push_back(std::string("rename ") + from + " " + to);
      return failAt == "rename" ? -1 : 0;
    };
    o.remove = [this](const char* path) { calls.push_back(std::string("remove ") + path); };
    return o;
  }
};

// Each failing step gives -2, removes the temp file it made and never renames it over the list.
TEST(ReplaceFileWith, EveryFailingStepRemovesTheTempFileAndReportsIt) {
  struct {
    const char* failAt;
    int result;
    std::vector<std::string> calls;
  } const rows[] = {
      {"", 0, {"create list.txt.tmp", "write", "close", "rename list.txt.tmp list.txt"}},
      {"create", -2, {"create list.txt.tmp"}},
      {"write", -2, {"create list.txt.tmp", "write", "close", "remove list.txt.tmp"}},
      {"close", -2, {"create list.txt.tmp", "write", "close", "remove list.txt.tmp"}},
      {"rename",
       -2,
       {"create list.txt.tmp", "write", "close", "rename list.txt.tmp list.txt",
        "remove list.txt.tmp"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.failAt);
    FakeFiles files;
    files.failAt = row.failAt;
    EXPECT_EQ(ReplaceFileWith(files.ops(), "list.txt", "0123456789", 10), row.result);
    EXPECT_EQ(files.calls, row.calls);
  }
}

// Missing name or data is refused before anything is created.
TEST(ReplaceFileWith, NoNameOrNoDataTouchesNothing) {
  FakeFiles files;
  EXPECT_EQ(ReplaceFileWith(files.ops(), nullptr, "x", 1), -2);
  EXPECT_EQ(ReplaceFileWith(files.ops(), "", "x", 1), -2);
  EXPECT_EQ(ReplaceFileWith(files.ops(), "list.txt", nullptr, 1), -2);
  EXPECT_TRUE(files.calls.empty());
}

class RealFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::error_code error;
    dir_ = fs::temp_directory_path(error) / (std::string("vextral-replace-") + info->name());
    fs::remove_all(dir_, error);
    ASSERT_TRUE(fs::create_directories(dir_, error)) << dir_;
  }
  void TearDown() override {
    std::error_code error;
    fs::remove_all(dir_, error);
  }
  std::string Path(const std::string& name) { return (dir_ / name).string(); }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
  }
  fs::path dir_;
};

// The new content replaces the old one and no temp file stays behind.
TEST_F(RealFiles, ReplacesThePreviousFile) {
  std::string path = Path("list.txt");
  std::ofstream(path) << "old list";
  ASSERT_EQ(ReplaceFileWith(RealFileOps(), path.c_str(), "new", 3), 0);
  EXPECT_EQ(Read(path), "new");
  EXPECT_FALSE(fs::exists(path + ".tmp"));
  ASSERT_EQ(ReplaceFileWith(RealFileOps(), path.c_str(), "", 0), 0);
  EXPECT_EQ(Read(path), "");
}

// A folder that does not exist: -2 and nothing made anywhere.
TEST_F(RealFiles, MissingFolderFails) {
  std::string path = Path("no-such-folder/list.txt");
  EXPECT_EQ(ReplaceFileWith(RealFileOps(), path.c_str(), "data", 4), -2);
  EXPECT_FALSE(fs::exists(Path("no-such-folder")));
}

// When the final name cannot be replaced (a folder stands there) the rename fails: -2, the
// folder and what it holds are untouched, and the temp file is gone.
TEST_F(RealFiles, FailedRenameKeepsWhatWasThereAndRemovesTheTempFile) {
  std::string path = Path("list.txt");
  fs::create_directories(path);
  std::ofstream(Path("list.txt/inside")) << "kept";
  EXPECT_EQ(ReplaceFileWith(RealFileOps(), path.c_str(), "data", 4), -2);
  EXPECT_EQ(Read(Path("list.txt/inside")), "kept");
  EXPECT_FALSE(fs::exists(path + ".tmp"));
}

// A link left at the temp name is replaced, never written through: the file it points to
// keeps its content and the list lands under its own name.
TEST_F(RealFiles, LinkAtTheTempNameIsNotWrittenThrough) {
  std::string path = Path("list.txt");
  std::ofstream(Path("elsewhere")) << "kept";
  std::error_code error;
  fs::create_symlink(Path("elsewhere"), path + ".tmp", error);
  if (error) GTEST_SKIP() << "no symbolic links here: " << error.message();
  ASSERT_EQ(ReplaceFileWith(RealFileOps(), path.c_str(), "data", 4), 0);
  EXPECT_EQ(Read(Path("elsewhere")), "kept");
  EXPECT_EQ(Read(path), "data");
  EXPECT_FALSE(fs::exists(fs::symlink_status(path + ".tmp")));
}

}  // namespace
