// The files the server knows: the documents open in the editor, whose text
// overrides the file on disk, and the other files, read from disk as
// Windows-1251 and read again when they change.
#ifndef ZUNT_SERVER_WORKSPACE_H_
#define ZUNT_SERVER_WORKSPACE_H_

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "server/projects.h"
#include "server/text.h"

namespace zunt {

/// What a file is to the tool, decided by its path.
enum class TDocumentKind { Script, Declarations, Other };

/// An open document.
struct TDocument {
  std::string Uri;
  std::string Path;
  int64_t Version = 0;
  TText Text;
  uint64_t Generation = 0;  // changes with every change of the text
  bool Latin1 = false;      // its text looked like Windows-1251 read as Latin-1
  bool OutOfStep = false;   // a change could not be applied: the editor's text differs
};

class TWorkspace {
 public:
  /// Finds the projects through the platform; with none, there are no projects.
  explicit TWorkspace(TPlatform* platform = nullptr);
  /// Opens a document with the editor's text.
  TDocument& Open(const std::string& uri, const std::string& path, int64_t version,
                  const std::string& utf8);
  /// Opens a document with the editor's text converted already.
  TDocument& Open(const std::string& uri, const std::string& path, int64_t version,
                  TConverted text);
  /// Returns the open document at path, or nullptr.
  TDocument* Find(const std::string& path);
  /// Closes a document: the file on disk counts again.
  void Close(const std::string& path);
  /// Marks an open document's text as changed.
  void Changed(TDocument& document) { document.Generation = ++Generation; }
  /// Forgets what is known of a file on disk, so that it is read again.
  void Forget(const std::string& path) { Disk.erase(path); }

  /// Returns a file's text: the open document's, or the file on disk's (read
  /// again when its time or size changed); nullptr when there is no such
  /// file. *generation becomes a number that changes whenever the text does.
  const TText* Text(const std::string& path, uint64_t* generation);
  /// Returns the URI of a path: the open document's, or one made from the path.
  std::string UriOf(const std::string& path) const;
  /// Returns what the file at path is.
  TDocumentKind KindOf(const std::string& path);
  /// Returns the open documents' paths.
  std::vector<std::string> OpenPaths() const;
  /// Returns the projects of the files.
  TProjects& Projects() { return ProjectsOfFiles; }
  /// Returns what the file system calls a path, every symbolic link followed
  /// (without a platform, or when it cannot tell: the path, lexically normal).
  std::string RealPath(const std::string& path);
  /// Returns the line end of text that edits insert: LF once the editor has
  /// sent LF alone for a file with CR LF (it keeps LF in its buffers and
  /// writes CR LF back), else CR LF.
  const char* EditLineEnd() const { return EditorKeepsLf ? "\n" : "\r\n"; }

 private:
  struct TDiskText {
    uint64_t Stamp = 0;
    TText Text;
    uint64_t Generation = 0;
  };
  // Reads a whole ordinary file through the platform; false when it cannot
  // (no platform: no file).
  bool ReadFile(const std::string& path, std::string* bytes);
  // Returns whether the file's first line ends with CR LF (false when there
  // is no such file or no line end in it).
  bool FileUsesCrLf(const std::string& path);

  TPlatform* Platform;
  std::map<std::string, TDocument> Documents;
  std::map<std::string, TDiskText> Disk;
  uint64_t Generation = 0;
  TProjects ProjectsOfFiles;
  bool EditorKeepsLf = false;
};

/// Returns the path with its extension replaced ("a/b.erm", ".txt" gives "a/b.txt").
std::string WithExtension(const std::string& path, const char* extension);

/// Returns whether the path ends in the extension, in any letter case.
bool HasExtension(const std::string& path, const char* extension);

/// Returns a stamp of the file's modification time and size, 0 when it is no ordinary file.
uint64_t FileStamp(const std::string& path);

}  // namespace zunt

#endif  // ZUNT_SERVER_WORKSPACE_H_
