// A test fixture with a fresh folder for the test's files, removed with
// everything in it afterwards.
#ifndef ZUNT_TESTS_SCRATCH_TEST_H_
#define ZUNT_TESTS_SCRATCH_TEST_H_

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace zunt {

struct TScratchTest : testing::Test {
  std::filesystem::path dir;

  void SetUp() override {
    std::random_device random;
    do {
      dir = std::filesystem::temp_directory_path() / ("zunt-test-" + std::to_string(random()));
    } while (!std::filesystem::create_directory(dir));
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  /// Returns the path of a file in the folder.
  std::string PathOf(const std::string& name) const { return (dir / name).string(); }
  /// Writes a file in the folder.
  void Put(const std::string& name, const std::string& data) const {
    std::ofstream(PathOf(name), std::ios::binary) << data;
  }
  /// Returns a file's bytes.
  std::string Get(const std::string& name) const {
    std::ostringstream out;
    out << std::ifstream(PathOf(name), std::ios::binary).rdbuf();
    return out.str();
  }
  /// Loads a file with the platform into *data: its bytes, or "" when loading
  /// fails. Returns how loading went.
  static TLoadStatus LoadText(TPlatform& platform, const std::string& path, std::string* data) {
    std::unique_ptr<TInputFile> file;
    TLoadStatus status = platform.Load(path, &file);
    *data = file ? std::string(file->Bytes()) : "";
    return status;
  }
  /// Returns the names in the folder or one of its subfolders, sorted.
  std::vector<std::string> Names(const std::string& folder = "") const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir / folder)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
};

}  // namespace zunt

#endif  // ZUNT_TESTS_SCRATCH_TEST_H_
