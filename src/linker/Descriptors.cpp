#include "Descriptors.h"

#include "TextHelpers.h"

namespace {

const char* locationText(uint8_t location) {
  switch (location) {
    case 0: return "progMem";
    case 1: return "dataMem";
    default: return "error!";
  }
}

const char* typeText(uint8_t type) {
  static const char* const names[] = {"unknown", "code", "idata", "udata", "romdata"};
  return type <= 4 ? names[type] : "error!";
}

}  // namespace

SectionDesc::SectionDesc(const std::string& name, const std::string& loadMemory,
                         const std::string& runMemory)
    : cName(name), cLoadMemory(loadMemory), cRunMemory(runMemory) {}

void SectionDesc::print(std::ostream& os) const {
  os << "SectionDesc:  cName=" << cName << ", cLoadMemory=" << cLoadMemory
     << ", cRunMemory=" << cRunMemory << '\n';
}

StackDesc::StackDesc(uint32_t size, const std::string& runMemory)
    : cSize(size), cRunMemory(runMemory) {}

void StackDesc::print(std::ostream& os) const {
  os << "StackDesc:  cSize=" << toHex(cSize, 4) << ", cRunMemory=" << cRunMemory << '\n';
}

SectionInfo::SectionInfo(const std::string& name, uint32_t address, uint32_t size, uint8_t location,
                         uint8_t type, int abs, int shared, int access)
    : cName(name),
      cAddress(address),
      cSize(size),
      cLocation(location),
      cType(type),
      cAbs(abs),
      cShared(shared),
      cAccess(access) {}

void SectionInfo::print(std::ostream& os) const {
  os << "SectionInfo:\n"
     << "cName=" << cName << '\n'
     << "cAddress=" << toHex(cAddress, 4) << '\n'
     << "cSize=" << toHex(cSize, 4) << '\n'
     << "cLocation=" << locationText(cLocation) << '\n'
     << "cType=" << typeText(cType) << '\n'
     << "cAbs=" << (cAbs ? "absolute" : "relocated") << '\n'
     << "cShared=" << (cShared ? "shared" : "not shared") << '\n'
     << "cAccess=" << (cAccess ? "access" : "not access") << '\n';
}

SymbolInfo::SymbolInfo(const std::string& name, uint32_t address, uint8_t location,
                       uint8_t storageClass, uint8_t kind, const std::string& file)
    : cName(name),
      cAddress(address),
      cLocation(location),
      cStorageClass(storageClass),
      cKind(kind),
      cFile(file) {}

void SymbolInfo::print(std::ostream& os) const {
  const char* storage = cStorageClass == 0 ? "ext" : cStorageClass == 1 ? "stat" : "error!";
  const char* kind = cKind == 0 ? "function" : cKind == 1 ? "variable" : "error!";
  os << "SymbolInfo: \n"
     << "cName=" << cName << '\n'
     << "cAddress=" << toHex(cAddress, 4) << '\n'
     << "cLocation=" << locationText(cLocation) << '\n'
     << "cStorageClass=" << storage << '\n'
     << "cKind=" << kind << '\n'
     << "cFile=" << cFile << '\n';
}
