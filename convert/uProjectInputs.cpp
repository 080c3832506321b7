#include "vconvert/uProjectInputs.h"

#include "vbase/Utf8.h"
#include "vbase/Utf8Path.h"
#include "vconvert/uVLP5Reader.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace vconvert {

using vbase::PathOfUtf8;
using vbase::Utf8Decode;
using vbase::Utf8Encode;
using vbase::Utf8OfPath;

namespace fs = std::filesystem;

namespace {

bool IsProjectFile(const fs::directory_entry& aEntry) {
  std::error_code error;
  return IsOldProjectPath(Utf8Decode(Utf8OfPath(aEntry.path().filename()))) &&
         aEntry.is_regular_file(error);
}

// Why a subfolder cannot be listed, if it cannot. Links to folders are not followed by the walk,
// so they need no look.
std::optional<std::string> UnreadableFolderError(const fs::directory_entry& aEntry) {
  std::error_code error;
  if (aEntry.is_symlink(error) || !aEntry.is_directory(error))
    return std::nullopt;
  fs::directory_iterator probe(aEntry.path(), error);
  return error ? std::optional(error.message()) : std::nullopt;
}

// A subfolder that cannot be read is reported rather than skipped: a batch that leaves projects
// out must not look like one that converted everything.
std::vector<TInputItem> ProjectsInFolder(const std::string& aFolder) {
  std::vector<TInputItem> items;
  for (fs::recursive_directory_iterator entry(PathOfUtf8(aFolder)), end; entry != end; ++entry) {
    if (std::optional<std::string> error = UnreadableFolderError(*entry)) {
      items.push_back({Utf8OfPath(entry->path()), std::move(error)});
      entry.disable_recursion_pending();
    } else if (IsProjectFile(*entry)) {
      items.push_back({Utf8OfPath(entry->path()), std::nullopt});
    }
  }
  std::sort(items.begin(), items.end(), [](const TInputItem& aLeft, const TInputItem& aRight) {
    return aLeft.Path < aRight.Path;
  });
  return items;
}

} // namespace

std::string AbsolutePath(const std::string& aPath) {
  std::error_code error;
  const fs::path absolute = fs::absolute(PathOfUtf8(aPath), error);
  if (error)
    return aPath;
  fs::path result;
  for (const fs::path& part : absolute)
    if (part != ".")
      result /= part;
  return Utf8OfPath(result);
}

bool IsUtf8Path(const std::string& aPath) {
  return Utf8Encode(Utf8Decode(aPath)) == aPath;
}

std::vector<TInputItem> ProjectsOfInput(const std::string& aInput) {
  const std::string path = AbsolutePath(aInput);
  std::error_code error;
  if (fs::is_directory(PathOfUtf8(path), error))
    return ProjectsInFolder(path);
  return {{path, std::nullopt}};
}

std::vector<TInputItem> ExpandInputs(const std::vector<std::string>& aInputs) {
  std::vector<TInputItem> items;
  for (const std::string& input : aInputs) {
    try {
      std::vector<TInputItem> projects = ProjectsOfInput(input);
      if (projects.empty())
        items.push_back({AbsolutePath(input), "no .vlp file in this folder"});
      for (TInputItem& project : projects) {
        if (!project.Error && !IsUtf8Path(project.Path))
          project.Error = "the path is not valid UTF-8";
        items.push_back(std::move(project));
      }
    } catch (const fs::filesystem_error& error) {
      items.push_back({AbsolutePath(input), error.code().message()});
    }
  }
  return items;
}

} // namespace vconvert
