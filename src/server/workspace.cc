#include "server/workspace.h"

#include <filesystem>
#include <string_view>
#include <system_error>

#include "server/uri.h"

namespace zunt {
namespace {

namespace fs = std::filesystem;

fs::path PathOf(const std::string& path) {
  return fs::path(std::u8string(reinterpret_cast<const char8_t*>(path.data()), path.size()));
}

// Returns whether UTF-8 text looks like Windows-1251 read as Latin-1: letters
// of U+00C0 to U+00FF and no Cyrillic.
bool LooksLikeLatin1(const std::string& utf8) {
  size_t latin = 0;
  for (size_t i = 0; i + 1 < utf8.size(); ++i) {
    unsigned char lead = static_cast<unsigned char>(utf8[i]);
    if (lead == 0xC3) ++latin;                       // U+00C0 to U+00FF
    if (lead >= 0xD0 && lead <= 0xD3) return false;  // Cyrillic
  }
  return latin >= 3;
}

}  // namespace

TWorkspace::TWorkspace(TPlatform* platform)
    : Platform(platform), ProjectsOfFiles(platform, FileStamp) {}

bool TWorkspace::ReadFile(const std::string& path, std::string* bytes) {
  // The platform opens ordinary files alone, and without waiting: never a
  // pipe, a device or the server's own input.
  std::unique_ptr<TInputFile> file;
  if (!Platform || Platform->Load(path, &file) != TLoadStatus::Ok) return false;
  *bytes = std::string(file->Bytes());
  return true;
}

bool TWorkspace::FileUsesCrLf(const std::string& path) {
  std::unique_ptr<TInputFile> file;
  if (!Platform || FileStamp(path) == 0 || Platform->Load(path, &file) != TLoadStatus::Ok) {
    return false;
  }
  std::string_view text = file->Bytes().substr(0, 4096);
  size_t lf = text.find('\n');
  return lf != std::string_view::npos && lf > 0 && text[lf - 1] == '\r';
}

TDocument& TWorkspace::Open(const std::string& uri, const std::string& path, int64_t version,
                            const std::string& utf8) {
  TDocument& document = Documents[path];
  document.Uri = uri;
  document.Path = path;
  document.Version = version;
  document.Latin1 = LooksLikeLatin1(utf8);
  document.Text.SetLatin1(document.Latin1);
  bool crlf = LineFeedsAlone(utf8) && FileUsesCrLf(path);
  document.Text.SetCrLf(crlf);
  EditorKeepsLf |= crlf;
  document.Text.AssignUtf8(utf8);
  Changed(document);
  return document;
}

TDocument& TWorkspace::Open(const std::string& uri, const std::string& path, int64_t version,
                            TConverted text) {
  TDocument& document = Documents[path];
  document.Uri = uri;
  document.Path = path;
  document.Version = version;
  document.Latin1 = text.LooksLatin1();
  document.Text.SetLatin1(document.Latin1);
  // An editor that keeps LF in its buffer (emacs) sends LF alone for a file
  // that it writes back with CR LF, as the file on disk has them.
  bool crlf = LineFeedsAlone(text.Bytes) && FileUsesCrLf(path);
  document.Text.SetCrLf(crlf);
  EditorKeepsLf |= crlf;
  document.Text.Assign(std::move(text));
  Changed(document);
  return document;
}

TDocument* TWorkspace::Find(const std::string& path) {
  auto it = Documents.find(path);
  return it == Documents.end() ? nullptr : &it->second;
}

void TWorkspace::Close(const std::string& path) {
  Documents.erase(path);
  Disk.erase(path);
  ++Generation;
}

const TText* TWorkspace::Text(const std::string& path, uint64_t* generation) {
  if (TDocument* document = Find(path)) {
    *generation = document->Generation;
    return &document->Text;
  }
  uint64_t stamp = FileStamp(path);
  if (stamp == 0) {
    Disk.erase(path);
    *generation = 0;
    return nullptr;
  }
  auto it = Disk.find(path);
  if (it == Disk.end() || it->second.Stamp != stamp) {
    std::string bytes;
    if (!ReadFile(path, &bytes)) {
      *generation = 0;
      return nullptr;
    }
    TDiskText& disk = Disk[path];
    disk.Stamp = stamp;
    disk.Text.AssignBytes(std::move(bytes));
    disk.Generation = ++Generation;
    it = Disk.find(path);
  }
  *generation = it->second.Generation;
  return &it->second.Text;
}

std::string TWorkspace::RealPath(const std::string& path) {
  std::string real;
  if (Platform && Platform->RealPath(path, &real)) return NormalPath(real, "/\\");
  return NormalPath(path, "/\\");
}

std::string TWorkspace::UriOf(const std::string& path) const {
  auto it = Documents.find(path);
  return it == Documents.end() ? UriFromPath(path) : it->second.Uri;
}

TDocumentKind TWorkspace::KindOf(const std::string& path) {
  if (HasExtension(path, ".erm")) return TDocumentKind::Script;
  if (!HasExtension(path, ".txt")) return TDocumentKind::Other;
  std::string script = WithExtension(path, ".erm");
  if (Find(script) || FileStamp(script) != 0) return TDocumentKind::Declarations;
  // An include of the file's own project, or of one read already (a file
  // that several mods share may stand outside them).
  if (TServerProject* project = ProjectsOfFiles.Of(path); project && Includes(*project, path)) {
    return TDocumentKind::Declarations;
  }
  for (auto& [file, project] : ProjectsOfFiles.All()) {
    if (Includes(project, path)) return TDocumentKind::Declarations;
  }
  return TDocumentKind::Other;
}

std::vector<std::string> TWorkspace::OpenPaths() const {
  std::vector<std::string> paths;
  for (const auto& [path, document] : Documents) paths.push_back(path);
  return paths;
}

std::string WithExtension(const std::string& path, const char* extension) {
  size_t dot = path.rfind('.');
  size_t slash = path.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
    return path + extension;
  }
  return path.substr(0, dot) + extension;
}

bool HasExtension(const std::string& path, const char* extension) {
  std::string_view ext(extension);
  if (path.size() < ext.size()) return false;
  for (size_t i = 0; i < ext.size(); ++i) {
    char c = path[path.size() - ext.size() + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c | 0x20);
    if (c != ext[i]) return false;
  }
  return true;
}

uint64_t FileStamp(const std::string& path) {
  std::error_code error;
  fs::path p = PathOf(path);
  if (!fs::is_regular_file(p, error)) return 0;
  auto time = fs::last_write_time(p, error);
  if (error) return 0;
  uint64_t size = fs::file_size(p, error);
  if (error) return 0;
  uint64_t ticks = static_cast<uint64_t>(time.time_since_epoch().count());
  return (ticks * 1000003u) ^ (size + 1);
}

}  // namespace zunt
