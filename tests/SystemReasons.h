// The system's reasons for failed file calls, as the error messages quote them.
#pragma once

#include <string>

#ifdef _WIN32
#include "vbase/WindowsErrors.h"

#include <windows.h>
#endif

struct TSystemReasons {
  std::u16string NoSuchFile;
  std::u16string NoSuchFolder;
  std::u16string IsAFolder;
};

inline const TSystemReasons& SystemReasons() {
#ifdef _WIN32
  static const TSystemReasons Reasons{vbase::WindowsErrorText(ERROR_FILE_NOT_FOUND),
                                      vbase::WindowsErrorText(ERROR_PATH_NOT_FOUND),
                                      vbase::WindowsErrorText(ERROR_ACCESS_DENIED)};
#else
  static const TSystemReasons Reasons{u"No such file or directory", u"No such file or directory",
                                      u"Is a directory"};
#endif
  return Reasons;
}
