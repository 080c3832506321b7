// The projects a list of paths stands for: each path stands for one project, or for every project
// below a folder.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vconvert {

// One project an argument stands for, or the place that could not be read and why.
struct TInputItem {
  std::string Path;
  std::optional<std::string> Error;
  bool operator==(const TInputItem&) const = default;
};

// The projects an argument stands for: itself, or every .vlp below a folder in sorted order,
// where a subfolder that cannot be read is an item that fails; each made absolute without
// resolving links. Raises filesystem_error when the folder itself cannot be read.
std::vector<TInputItem> ProjectsOfInput(const std::string& aInput);

// The projects of every argument, in argument order. An argument that cannot be read, a folder
// without projects and a path that is not UTF-8 are items that fail.
std::vector<TInputItem> ExpandInputs(const std::vector<std::string>& aInputs);

// Absolute, without resolving links; "." parts are dropped, ".." parts are kept since a link
// may stand before them.
std::string AbsolutePath(const std::string& aPath);

// Files are named in UTF-16 inside the converter; a path that is not UTF-8 would come back from
// that round trip as the name of another file.
bool IsUtf8Path(const std::string& aPath);

} // namespace vconvert
