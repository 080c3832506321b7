#include "vbase/FileContent.h"

namespace vbase {

void ReadToEnd(TFileReader& AFile, std::string& ABytes) {
  char piece[65536];
  while (const std::size_t count = AFile.Read(piece, sizeof piece))
    ABytes.append(piece, count);
}

} // namespace vbase
