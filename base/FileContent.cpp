#include "vbase/FileContent.h"

namespace vbase {

void ReadToEnd(TFileReader& aFile, std::string& aBytes) {
  char piece[65536];
  while (const std::size_t count = aFile.Read(piece, sizeof piece))
    aBytes.append(piece, count);
}

} // namespace vbase
