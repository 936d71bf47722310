// The platform on Windows: files through the kernel's *A functions in the
// system's ANSI code page, the message in a message box, the sound through
// winmm.
#ifndef ZUNT_PLATFORM_WINDOWS_H_
#define ZUNT_PLATFORM_WINDOWS_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace zunt {

class TWindowsPlatform : public TPlatform {
 public:
  std::string_view PathSeparators() const override { return "\\/:"; }
  std::string_view ParentPrefix() const override { return "..\\"; }
  TFileKind Probe(const std::string& path) override;
  TLoadStatus Load(const std::string& path, std::unique_ptr<TInputFile>* file) override;
  TWriteStatus WriteOutput(const std::string& path, std::string_view data,
                           const std::vector<std::string>& inputs) override;
  TWriteStatus WriteStandardOutput(std::string_view data) override;
  void ShowFailure(const TFail& fail) override;
  void PlaySuccessSound() override;

  /// Inputs larger than this are not loaded (the load-error message).
  uint64_t MaxInputSize = kMaxInputSize;
};

/// Returns the UTF-16 text of bytes in a code page (CP_ACP: the system's own).
std::wstring WideFromCodePage(std::string_view bytes, unsigned codePage);

/// Returns a failure's message in UTF-16: Windows-1251 text, the path in CP_ACP.
std::wstring WideMessage(const TFail& fail);

/// Returns the caption of every message box in UTF-16.
std::wstring WideCaption();

}  // namespace zunt

#endif  // ZUNT_PLATFORM_WINDOWS_H_
