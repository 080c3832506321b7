// An older project that a new one is about to replace, kept under a second name of the same
// file until the new one has passed its check: a stop during the check puts it back. The check
// runs once the run has given its memory back, which checking before the replacement would not
// allow.
#pragma once

#include <filesystem>
#include <optional>

namespace vui {

class TKeptOlderProject {
public:
  // Keeps the file at aPath (a link's target), if there is one.
  explicit TKeptOlderProject(const std::filesystem::path& aPath);
  // The kept name goes; the new project stays.
  ~TKeptOlderProject();
  TKeptOlderProject(const TKeptOlderProject&) = delete;
  TKeptOlderProject& operator=(const TKeptOlderProject&) = delete;

  // The new project is given up: the older one takes its place again, or, where there was none,
  // the new one is removed. An older project that could not be kept leaves the new one, whole and
  // saved, in its place rather than nothing.
  void GiveUpNewProject();

private:
  std::filesystem::path fTarget;
  bool fExisted = false;
  std::optional<std::filesystem::path> fKept;
};

} // namespace vui
