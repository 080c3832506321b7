// The plain sentence the window's error box leads with when a project could not be read, before
// the error's own message; the presenter gives it to both windows.
#pragma once

#include "vbase/Errors.h"

#include <string>

namespace vconvert {

// "The project "NAME" could not be read: line L, column C." for a fault at a place,
// ""NAME" is not an XML document." for a file that holds none, "The project "NAME" could not be
// read." when no place is known (a file that cannot be opened), and empty for an error that did
// not come from reading a file. NAME is the file's name without its folder.
std::u16string ReadFailureSentence(const vbase::Exception& aError);

} // namespace vconvert
