// Fuzz target: a whole run on the in-memory platform. The input is split at
// its first zero byte into the declarations file and the script; a run must
// end with a message or an output, never a crash or a hang.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "driver/driver.h"
#include "platform/fake.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  size_t split = input.find('\0');
  if (split == std::string_view::npos) split = input.size() / 2;

  zunt::TFakePlatform platform;
  platform.AddFile("quest.txt", std::string(input.substr(0, split)));
  platform.AddFile("quest.erm", std::string(input.substr(std::min(split + 1, input.size()))));
  int status = zunt::Run(platform, "quest");

  bool wrote = platform.Files.count("../quest.erm") != 0;
  if ((status == 0) != wrote || (status == 0) == platform.Shown.has_value()) std::abort();
  return 0;
}
