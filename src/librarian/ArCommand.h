// The one command a run of the librarian applies to its library.
#ifndef ZV_LIBRARIAN_ARCOMMAND_H
#define ZV_LIBRARIAN_ARCOMMAND_H

#include <cstdint>

enum ArCommand : uint8_t {
  cmdCreate = 0,
  cmdList = 1,
  cmdDelete = 2,
  cmdReplace = 3,
  cmdExtract = 4,
};

#endif
