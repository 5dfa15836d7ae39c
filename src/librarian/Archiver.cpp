#include "Archiver.h"

bool Archiver::setCommand(ArCommand cmd, const std::string& library,
                          const std::vector<std::string>& members) {
  if (cHasCmd) return false;
  cCmd = cmd;
  cArchive = library;
  cMembers = members;
  cHasCmd = 1;
  return true;
}

bool Archiver::execute() {
  if (!cHasCmd) return false;
  switch (cCmd) {
    case ::cmdCreate: return cmdCreate();
    case ::cmdList: return cmdList();
    case ::cmdDelete: return cmdDelete();
    case ::cmdReplace: return cmdReplace();
    case ::cmdExtract: return cmdExtract();
  }
  return false;
}

namespace {

const char* commandName(int cmd) {
  switch (cmd) {
    case ::cmdCreate: return "cmdCreate";
    case ::cmdList: return "cmdList";
    case ::cmdDelete: return "cmdDelete";
    case ::cmdReplace: return "cmdReplace";
    case ::cmdExtract: return "cmdExtract";
  }
  return "undefined";
}

}  // namespace

void Archiver::print(std::ostream& os) const {
  os << "Archiver:\n"
     << "  cCmd=" << commandName(cCmd) << '\n'
     << "  cArchive=" << cArchive << '\n'
     << "  cMembers=\n";
  for (const std::string& m : cMembers) os << "    " << m << '\n';
  os << "  cHasCmd=" << cHasCmd << '\n';
}
