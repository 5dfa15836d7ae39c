// The linker's small value records: a SECTION and the STACK declaration of a
// linker command file on their way from the parser to the allocation, and the
// rows of the map file's section and symbol tables.
#ifndef ZV_LINKER_DESCRIPTORS_H
#define ZV_LINKER_DESCRIPTORS_H

#include <cstdint>
#include <ostream>
#include <string>

// SECTION NAME=... [ROM=...] [RAM=...]
class SectionDesc {
 public:
  SectionDesc() = default;
  SectionDesc(const std::string& name, const std::string& loadMemory, const std::string& runMemory);

  std::string getName() const { return cName; }
  std::string getLoadMemory() const { return cLoadMemory; }
  std::string getRunMemory() const { return cRunMemory; }

  // Declarations are told apart by name only.
  bool operator<(const SectionDesc& other) const { return cName < other.cName; }
  bool operator==(const SectionDesc& other) const { return cName == other.cName; }

  void print(std::ostream& os) const;

  std::string cName;
  std::string cLoadMemory;  // CODEPAGE of ROM=, empty when none
  std::string cRunMemory;   // data memory of RAM=, empty when none
};

// STACK SIZE=... [RAM=...]
class StackDesc {
 public:
  StackDesc() = default;
  StackDesc(uint32_t size, const std::string& runMemory);

  uint32_t getSize() const { return cSize; }
  std::string getRunMemory() const { return cRunMemory; }

  bool operator<(const StackDesc& other) const { return cSize < other.cSize; }
  bool operator==(const StackDesc& other) const { return cSize == other.cSize; }

  void print(std::ostream& os) const;

  uint32_t cSize = 0;  // bytes
  std::string cRunMemory;
};

// One row of the map file's section table.
class SectionInfo {
 public:
  SectionInfo() = default;
  SectionInfo(const std::string& name, uint32_t address, uint32_t size, uint8_t location,
              uint8_t type, int abs, int shared, int access);

  bool operator<(const SectionInfo& other) const { return cAddress < other.cAddress; }

  void print(std::ostream& os) const;

  std::string cName;
  uint32_t cAddress = 0;
  uint32_t cSize = 0;     // bytes
  uint8_t cLocation = 0;  // 0 program memory, 1 data memory
  uint8_t cType = 0;      // 0 unknown, 1 code, 2 idata, 3 udata, 4 romdata
  int cAbs = 0;
  int cShared = 0;
  int cAccess = 0;
};

// One row of the map file's symbol tables.
class SymbolInfo {
 public:
  SymbolInfo() = default;
  SymbolInfo(const std::string& name, uint32_t address, uint8_t location, uint8_t storageClass,
             uint8_t kind, const std::string& file);

  bool operator<(const SymbolInfo& other) const { return cAddress < other.cAddress; }
  // The order of the table sorted by name: byte-wise on the names.
  static bool lessByName(const SymbolInfo& a, const SymbolInfo& b) { return a.cName < b.cName; }

  void print(std::ostream& os) const;

  std::string cName;
  uint32_t cAddress = 0;
  uint8_t cLocation = 0;      // 0 program memory, 1 data memory
  uint8_t cStorageClass = 0;  // 0 external, 1 static
  uint8_t cKind = 0;          // 0 function, 1 variable
  std::string cFile;          // source file that defines the symbol
};

#endif
