// Old projects for the conversion tests, on top of the shared file helpers.
#pragma once

#include "TestFiles.h"

#include <string>

// An old project whose root holds aBody.
inline std::string OldProject(const std::string& aBody) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PROJECT>" + aBody + "</PROJECT>\n";
}
