// Folder names in the one form the program stores, compares and joins.
#pragma once

#include <string>
#include <string_view>

namespace liga {

// `folder` without trailing slashes; the root stays "/". Nothing else is changed, so a name
// the user gave is kept as given.
inline std::string NormaliseFolder(std::string_view folder) {
  std::string f(folder);
  while (f.size() > 1 && f.back() == '/') f.pop_back();
  return f;
}

}  // namespace liga
