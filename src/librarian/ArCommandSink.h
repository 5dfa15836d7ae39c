// What the command-line parser hands its parsed command to.
#ifndef ZV_LIBRARIAN_ARCOMMANDSINK_H
#define ZV_LIBRARIAN_ARCOMMANDSINK_H

#include <string>
#include <vector>

#include "ArCommand.h"

class ArCommandSink {
 public:
  virtual ~ArCommandSink() = default;
  // Takes the command, the library name and the member names in command-line
  // order; false refuses them (a command was already set).
  virtual bool setCommand(ArCommand cmd, const std::string& library,
                          const std::vector<std::string>& members) = 0;
};

#endif
