// The librarian's command executor: takes the parsed command through
// ArCommandSink and applies it to the library.
#ifndef ZV_LIBRARIAN_ARCHIVER_H
#define ZV_LIBRARIAN_ARCHIVER_H

#include <ostream>
#include <string>
#include <vector>

#include "ArCommandSink.h"

class Archiver : public ArCommandSink {
 public:
  // False when a command was already set; else stores the command.
  bool setCommand(ArCommand cmd, const std::string& library,
                  const std::vector<std::string>& members) override;

  // False when no command was set, else the command's result.
  bool execute();

  bool cmdCreate();
  bool cmdList();
  bool cmdDelete();
  bool cmdReplace();
  bool cmdExtract();

  void print(std::ostream& os) const;

 private:
  ArCommand cCmd = static_cast<ArCommand>(0xFF);  // none yet: dumps as "undefined"
  std::string cArchive;
  std::vector<std::string> cMembers;
  int cHasCmd = 0;
};

#endif
