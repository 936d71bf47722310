#include "server/uri.h"

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
  if (IsDriveLetter(path)) path.erase(0, 1);  // "/c:/x" is "c:/x"
  return path;
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
