// file: URIs, as editors name documents, and the paths they stand for.
#ifndef ZUNT_SERVER_URI_H_
#define ZUNT_SERVER_URI_H_

#include <string>
#include <string_view>

namespace zunt {

/// Returns the path of a file: URI ("file:///c%3A/x" gives "c:/x"),
/// lexically normal; an empty string for any other URI, and for one whose
/// path holds a control character (as "%00") or whose host is not localhost.
std::string PathFromUri(std::string_view uri);

/// Returns a path with its "." parts, empty parts and "name/.." pairs taken
/// out (a ".." above the root of an absolute path too), and every separator
/// a "/" when "/" is one of them. A leading pair of separators stays.
std::string NormalPath(std::string_view path, std::string_view separators);

/// Returns the file: URI of an absolute path.
std::string UriFromPath(std::string_view path);

}  // namespace zunt

#endif  // ZUNT_SERVER_URI_H_
