// The linker's map files: the full map of a finished link and the partial
// error map written right after section allocation (Linker::writeErrorMapFile).
#ifndef ZV_LINKER_MAPFILE_H
#define ZV_LINKER_MAPFILE_H

#include <cstdint>
#include <string>

#include "Coff.h"

class MapFile {
 public:
  // 1 when the whole map was written; 0 after a reported failure to open or
  // to write the file.
  static int write(const std::string& name, const Coff& output, uint32_t totalProgramMemory);
};

// The words of the map's columns; empty for a code outside each table.
std::string scnTypeName(uint8_t type);
std::string locationName(uint8_t location);
std::string storageName(uint8_t storageClass);
std::string kindName(uint8_t kind);

#endif
