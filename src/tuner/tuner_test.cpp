#include "tuner/tuner.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A folder without the library gives one line that names the file that was looked for.
TEST(BindTunerLibrary, MissingFileIsNamed) {
  TunerApi api;
  char error[512] = "";
  EXPECT_EQ(BindTunerLibrary("no-such-folder/", &api, error, sizeof error), 0);
  std::string line = error;
  EXPECT_EQ(line.rfind("Can't load tuner library no-such-folder/", 0), 0u) << line;
  EXPECT_EQ(line.find('\n'), std::string::npos);
  EXPECT_EQ(api.CheckForDVBEx, nullptr);
}

// A library that lacks one operation is refused, naming the missing export, and nothing is bound.
TEST(BindTunerLibrary, MissingExportIsNamed) {
  TunerApi api;
  char error[512] = "";
  EXPECT_EQ(BindTunerLibrary(VEXTRAL_INCOMPLETE_DIR, &api, error, sizeof error), 0);
  EXPECT_NE(std::string(error).find("has no export StopDVB"), std::string::npos) << error;
  EXPECT_EQ(api.Vextral, nullptr);
}

// The test double has every export.
TEST(BindTunerLibrary, CompleteLibraryBindsAll) {
  TunerApi api;
  char error[512] = "";
  ASSERT_EQ(BindTunerLibrary(VEXTRAL_DOUBLE_DIR, &api, error, sizeof error), 1) << error;
  EXPECT_NE(api.StopDVB, nullptr);
  EXPECT_NE(api.Vextral, nullptr);
}

}  // namespace
