#include "driver/fail.h"

#include "driver/cp1251.h"

namespace zunt {

TFail::TFail(std::string_view before, std::string_view path, std::string_view after) {
  Message.reserve(before.size() + path.size() + after.size());
  Message.append(before);
  PathBegin = Message.size();
  Message.append(path);
  PathEnd = Message.size();
  Message.append(after);
}

void Fail(std::string message) { throw TFail(std::move(message)); }

std::string LineSuffix(uint64_t line) {
  static const std::string kText = Win1251("\r\nОшибка в строке №");
  return kText + std::to_string(line);
}

}  // namespace zunt
