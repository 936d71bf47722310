#include "server/uri.h"

#include <vector>

namespace zunt {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsDriveLetter(std::string_view path) {
  return path.size() >= 3 && path[0] == '/' &&
         ((path[1] | 0x20) >= 'a' && (path[1] | 0x20) <= 'z') && path[2] == ':';
}

}  // namespace

std::string PathFromUri(std::string_view uri) {
  constexpr std::string_view kScheme = "file://";
  if (uri.size() < kScheme.size()) return {};
  for (size_t i = 0; i < kScheme.size(); ++i) {
    if ((uri[i] | (i < 4 ? 0x20 : 0)) != kScheme[i]) return {};
  }
  uri.remove_prefix(kScheme.size());
  size_t slash = uri.find('/');
  if (slash == std::string_view::npos) return {};
  std::string_view host = uri.substr(0, slash);
  if (!host.empty() && host != "localhost") return {};
  uri.remove_prefix(slash);
  std::string path;
  for (size_t i = 0; i < uri.size(); ++i) {
    if (uri[i] == '%' && i + 2 < uri.size() + 0 && HexValue(uri[i + 1]) >= 0 &&
        HexValue(uri[i + 2]) >= 0) {
      path.push_back(static_cast<char>(HexValue(uri[i + 1]) * 16 + HexValue(uri[i + 2])));
      i += 2;
    } else if (uri[i] == '?' || uri[i] == '#') {
      break;
    } else {
      path.push_back(uri[i]);
    }
  }
  for (char c : path) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return {};
  }
  if (IsDriveLetter(path)) path.erase(0, 1);  // "/c:/x" is "c:/x"
  return NormalPath(path, "/");
}

std::string NormalPath(std::string_view path, std::string_view separators) {
  auto separator = [&](char c) { return separators.find(c) != std::string_view::npos; };
  char slash = separators.find('/') != std::string_view::npos ? '/' : separators.front();
  // The root: "/", "c:", "c:/", or a leading pair of separators (a share).
  size_t at = 0;
  if (path.size() >= 2 && separator(path[0]) && separator(path[1])) {
    at = 2;
  } else if (path.size() >= 2 && path[1] == ':' && !separator(path[0])) {
    at = 2;
  }
  bool absolute = at < path.size() && separator(path[at]);
  std::string normal(path.data(), at);
  if (absolute) {
    normal.push_back(slash);
    ++at;
  }
  size_t root = normal.size();
  absolute = absolute || root == 2;  // a share or a bare drive
  std::vector<std::string_view> parts;
  bool folder = !path.empty() && separator(path.back());  // the path names a folder
  while (at <= path.size()) {
    size_t end = at;
    while (end < path.size() && !separator(path[end])) ++end;
    std::string_view part = path.substr(at, end - at);
    if (part == "..") {
      if (!parts.empty() && parts.back() != "..") {
        parts.pop_back();
      } else if (!absolute) {
        parts.push_back(part);
      }
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    at = end + 1;
  }
  for (size_t i = 0; i < parts.size(); ++i) {
    if (normal.size() != root) normal.push_back(slash);
    normal.append(parts[i]);
  }
  if (folder && !parts.empty()) normal.push_back(slash);
  if (normal.empty()) normal.push_back('.');
  return normal;
}

std::string UriFromPath(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  if (!path.empty() && path[0] != '/') uri += '/';  // a drive letter
  for (char c : path) {
    unsigned char b = static_cast<unsigned char>(c);
    if (c == '\\') c = '/';
    if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || c == '/' ||
        c == '-' || c == '.' || c == '_' || c == '~' || c == ':') {
      uri.push_back(c);
    } else {
      uri.push_back('%');
      uri.push_back(kHex[b >> 4]);
      uri.push_back(kHex[b & 15]);
    }
  }
  return uri;
}

}  // namespace zunt
