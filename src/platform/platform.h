// What the driver needs from the system: the input files, the output file,
// the error message and the success sound.
#ifndef ZUNT_PLATFORM_PLATFORM_H_
#define ZUNT_PLATFORM_PLATFORM_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cursor/fold.h"

namespace zunt {

class TFail;

/// Inputs larger than this are not loaded: they get the load-error message
/// and a note of the limit.
inline constexpr uint64_t kMaxInputSize = uint64_t{1} << 30;

/// What a path names, as far as the driver cares.
enum class TFileKind {
  Missing,  // nothing there, or a directory
  Regular,  // an ordinary file
  Other,    // something else (a pipe, a device): it exists but is never read
};

/// How loading a whole file ended.
enum class TLoadStatus {
  Ok,
  CannotOpen,  // missing, locked, not an ordinary file, or no permission
  ReadShort,   // fewer bytes arrived than the file holds
  TooLarge,    // the file is larger than the platform's limit
};
// Out of memory while loading throws std::bad_alloc, as everywhere in a run.

/// How writing the output file ended.
enum class TWriteStatus {
  Ok,
  CannotCreate,  // the temporary file could not be made, or not moved over the output
  CannotWrite,   // a write, flush or close failed or wrote short
  SameAsInput,   // the output path names one of the input files: nothing was written
};

/// Identifies a folder: its file system and its number there.
struct TFolderId {
  uint64_t Device = 0;
  uint64_t Number = 0;
  bool operator==(const TFolderId&) const = default;
};

/// Whether a file's contents can be trusted to come from the user who runs
/// the program: not when another user owns it, or anyone may write it.
enum class TTrust { Trusted, OtherOwner, WritableByOthers };

/// A name in a folder.
struct TFolderEntry {
  std::string Name;
  bool Folder = false;
};

/// A whole input file in memory, held for as long as the object lives.
class TInputFile {
 public:
  virtual ~TInputFile() = default;
  /// Returns the file's bytes.
  virtual std::string_view Bytes() const = 0;
  /// Learns that the bytes from `from` up to `to` are read and seldom looked
  /// at again: a mapped file lets go of their memory (they stay readable).
  virtual void Release(size_t from, size_t to) {
    (void)from;
    (void)to;
  }
};

/// An input file read into a string.
class TTextFile final : public TInputFile {
 public:
  explicit TTextFile(std::string text) : Text(std::move(text)) {}
  std::string_view Bytes() const override { return Text; }

  std::string Text;
};

/// An output file written in pieces. The old file stays as it was until
/// Finish puts the complete new one in its place; destroyed unfinished, the
/// stream leaves nothing behind.
class TOutputStream {
 public:
  virtual ~TOutputStream() = default;
  /// Appends bytes; returns false once writing has failed (Finish then tells).
  virtual bool Write(std::string_view data) = 0;
  /// Puts the complete output in place; returns how the whole writing went.
  virtual TWriteStatus Finish() = 0;
  /// Returns the system's reason (an errno value) for the failure that
  /// Finish reported, or 0 when it is not known.
  virtual int ErrorNumber() const { return 0; }
};

/// An output that could not be opened: it takes no bytes, and Finish reports
/// the failure with the system's reason.
class TFailedOutput final : public TOutputStream {
 public:
  TFailedOutput(TWriteStatus status, int error) : Status(status), Error(error) {}
  bool Write(std::string_view) override { return false; }
  TWriteStatus Finish() override { return Status; }
  int ErrorNumber() const override { return Error; }

 private:
  TWriteStatus Status;
  int Error;
};

class TPlatform {
 public:
  virtual ~TPlatform() = default;

  /// Returns the bytes that separate the parts of a path ("/" on POSIX).
  virtual std::string_view PathSeparators() const = 0;
  /// Returns the prefix that names the parent of the working directory ("../").
  virtual std::string_view ParentPrefix() const = 0;

  /// Returns what the path names.
  virtual TFileKind Probe(const std::string& path) = 0;
  /// Finds the identity of the folder at path ("" is the working folder);
  /// returns false when there is no such folder.
  virtual bool IdentifyFolder(const std::string& folder, TFolderId* id) {
    (void)folder;
    (void)id;
    return false;
  }
  /// Returns the working folder as an absolute path, or "" when it cannot be told.
  virtual std::string WorkingFolder() { return {}; }
  /// Returns whether the file at path can be trusted (see TTrust).
  virtual TTrust Trust(const std::string& path) {
    (void)path;
    return TTrust::Trusted;
  }
  /// Lists the names in a folder ("" is the working folder), without "." and
  /// ".."; returns false when it cannot be read.
  virtual bool ListFolder(const std::string& folder, std::vector<TFolderEntry>* entries) {
    (void)folder;
    (void)entries;
    return false;
  }
  /// Finds what the file system calls the path: every symbolic link followed,
  /// no "." or ".." left (for a missing file, its folder's name and its own);
  /// returns false when it cannot tell.
  virtual bool RealPath(const std::string& path, std::string* real) {
    (void)path;
    (void)real;
    return false;
  }
  /// Makes a folder and the parents it lacks; returns whether it exists then.
  virtual bool MakeFolders(const std::string& folder) {
    (void)folder;
    return false;
  }
  /// Loads a whole file into *file, which is left empty unless it went well;
  /// returns how it went.
  virtual TLoadStatus Load(const std::string& path, std::unique_ptr<TInputFile>* file) = 0;
  /// Replaces the file at path by data, so that a failure leaves any old file
  /// as it was and nothing else behind; returns how it went. Refuses when path
  /// names the same file as one of the inputs (after following links).
  virtual TWriteStatus WriteOutput(const std::string& path, std::string_view data,
                                   const std::vector<std::string>& inputs) = 0;

  /// Opens the output at path for writing in pieces, sizeHint bytes expected;
  /// returns nothing, with the reason in *status, when it cannot, or a failed
  /// output (TFailedOutput) that keeps the system's reason too. By default
  /// the pieces are kept and handed to WriteOutput whole by Finish, which then
  /// also does every check.
  virtual std::unique_ptr<TOutputStream> OpenOutput(const std::string& path,
                                                    const std::vector<std::string>& inputs,
                                                    uint64_t sizeHint, TWriteStatus* status);

  /// Writes data to the standard output, all or nothing visible to the
  /// caller; returns how it went (CannotWrite when it failed, with the
  /// system's reason in *error, an errno value, or 0 when it is not known).
  virtual TWriteStatus WriteStandardOutput(std::string_view data, int* error) = 0;

  /// Returns the key of this run's name tables: sixteen bytes from the
  /// system's random source where there is one, the fixed key otherwise.
  virtual THashSeed HashSeed() { return kFixedHashSeed; }

  /// Shows a fatal error to the user.
  virtual void ShowFailure(const TFail& fail) = 0;
  /// Plays the success sound, if the platform has one; waits until it ends.
  virtual void PlaySuccessSound() = 0;
};

/// The output kept in memory and written whole at the end, for a platform
/// that writes its output in one piece.
class TWholeOutput final : public TOutputStream {
 public:
  TWholeOutput(TPlatform& platform, std::string path, std::vector<std::string> inputs)
      : Platform(platform), Path(std::move(path)), Inputs(std::move(inputs)) {}
  bool Write(std::string_view data) override {
    Data += data;
    return true;
  }
  TWriteStatus Finish() override { return Platform.WriteOutput(Path, Data, Inputs); }

 private:
  TPlatform& Platform;
  std::string Path;
  std::vector<std::string> Inputs;
  std::string Data;
};

inline std::unique_ptr<TOutputStream> TPlatform::OpenOutput(const std::string& path,
                                                            const std::vector<std::string>& inputs,
                                                            uint64_t sizeHint,
                                                            TWriteStatus* status) {
  (void)sizeHint;
  *status = TWriteStatus::Ok;
  return std::make_unique<TWholeOutput>(*this, path, inputs);
}

/// Writes data through the platform's own output stream, in one piece: the
/// WriteOutput of a platform whose OpenOutput streams.
inline TWriteStatus WriteThroughStream(TPlatform& platform, const std::string& path,
                                       std::string_view data,
                                       const std::vector<std::string>& inputs) {
  TWriteStatus status;
  std::unique_ptr<TOutputStream> output = platform.OpenOutput(path, inputs, data.size(), &status);
  if (!output) return status;
  output->Write(data);
  return output->Finish();
}

}  // namespace zunt

#endif  // ZUNT_PLATFORM_PLATFORM_H_
