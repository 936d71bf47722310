// file: URIs, as editors name documents, and the paths they stand for.
#ifndef ZUNT_SERVER_URI_H_
#define ZUNT_SERVER_URI_H_

#include <string>
#include <string_view>

namespace zunt {

/// Returns the path of a file: URI ("file:///c%3A/x" gives "c:/x"), or an
/// empty string for any other URI.
std::string PathFromUri(std::string_view uri);

/// Returns the file: URI of an absolute path.
std::string UriFromPath(std::string_view path);

}  // namespace zunt

#endif  // ZUNT_SERVER_URI_H_
