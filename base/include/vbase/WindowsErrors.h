// The system's own text for a Windows error code, as its programs show it.
#pragma once

#include <string>

namespace vbase {

// Without the trailing full stop and line break, so that it ends a message as the POSIX
// system's error texts do.
std::u16string WindowsErrorText(unsigned long aError);

} // namespace vbase
