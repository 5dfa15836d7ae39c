// The linker's picture of the target's memories. Every CODEPAGE, DATABANK,
// SHAREBANK and ACCESSBANK declaration becomes one Memory, cut into Ranges:
// free holes and the place of exactly one section each.
//
// Units: starts, ends and range sizes count locations (one program word, or
// one byte in data memory and in byte-addressed program memory); section
// lengths handed in and sizes handed out count bytes. One location takes
// (width + 7) / 8 bytes. Sizes and byte counts that can pass 32 bits (a memory
// 0..0xFFFFFFFF has 2^32 locations) are held in 64 bits.
//
// Input files are told apart by their position in the linker's input list
// (FileKey), never by name: two inputs may share a name. The name is kept for
// the dumps.
#ifndef ZV_LINKER_MEMTARG_H
#define ZV_LINKER_MEMTARG_H

#include <cstdint>
#include <list>
#include <map>
#include <ostream>
#include <string>
#include <vector>

enum MemType : uint8_t { rom = 0, ram = 1 };

// Position of an input file in the linker's input list (cCoff).
using FileKey = uint32_t;

class Range {
 public:
  Range() = default;  // start 0, size 0, ram, width 8
  Range(uint32_t start, uint64_t size, uint8_t type, uint16_t widthBits);

  uint32_t getStart() const { return cStart; }
  uint32_t getEnd() const;  // last location; the range must not be empty
  uint16_t getWidthBits() const;
  void setWidthBits(uint16_t bits) { cWidthBits = bits; }
  uint16_t bytesPerLoc() const;
  uint64_t sizeInBytes() const;
  uint64_t locs(uint64_t bytes) const;  // rounded up
  bool isAllocated() const { return !allocName.empty(); }

  bool canFit(uint64_t length, uint32_t alignment) const;  // relocatable placement
  bool canFitAt(uint32_t start, uint64_t length) const;    // fixed placement
  // Turns this free range into the section's range; the free remainders are
  // appended to `pieces`, the one before the section first.
  void allocate(const std::string& name, uint32_t start, uint64_t length,
                std::vector<Range>& pieces, bool overlay);

  bool isLoaded(FileKey file) const;
  void loadAppend(FileKey file, const std::string& fileName, uint64_t length);
  void load(FileKey file, const std::string& fileName, uint32_t start, uint64_t length);
  bool loadComplete() const { return cComplete; }
  uint32_t getFileStart(FileKey file) const;  // a location
  uint64_t getFileSize(FileKey file) const;   // bytes

  void print(std::ostream& os) const;

  std::string allocName;  // empty while free
  uint32_t cStart = 0;
  uint64_t cSize = 0;  // locations
  uint64_t pc = 0;     // where the next input file's part goes
  uint8_t type = ram;
  uint16_t cWidthBits = 8;
  bool isOverlay = false;
  bool cComplete = false;
  std::vector<FileKey> cFiles;             // load order
  std::vector<std::string> cFileNames;     // beside cFiles, for the dumps
  std::map<FileKey, uint32_t> cFileStart;  // location
  std::map<FileKey, uint64_t> cFileSize;   // bytes
};

class Memory {
 public:
  Memory();  // ram, flags 0, empty name and fill, start = end = 0
  Memory(const std::string& name, uint32_t start, uint32_t end, uint8_t type, bool isProtected,
         bool hasFill, const std::string& fill);

  const std::string& getName() const { return name; }
  uint32_t getStart() const { return start; }
  uint32_t getEnd() const { return end; }
  uint8_t getType() const { return type; }
  bool isProtected() const { return cProtected; }
  bool hasFill() const { return cHasFill; }
  const std::string& getFill() const { return fill; }
  uint64_t getSize() const { return uint64_t(end) - start + 1; }  // locations
  bool overlaps(const Memory& other) const;

  void setWidthBits(uint16_t bits);  // every free range

  bool isAllocated(const std::string& secName) const;
  bool isLoaded(FileKey file, const std::string& secName) const;
  bool canFit(uint64_t length, uint32_t alignment) const;
  bool canFitAt(uint32_t start, uint64_t length) const;
  void allocateRel(const std::string& secName, uint64_t length, bool overlay, uint32_t alignment);
  void allocateAbs(const std::string& secName, uint32_t start, uint64_t length, bool overlay);
  void loadSectionAppend(FileKey file, const std::string& fileName, const std::string& secName,
                         uint64_t length);
  void loadSection(FileKey file, const std::string& fileName, const std::string& secName,
                   uint32_t start, uint64_t length);
  uint32_t getScnStart(const std::string& secName) const;  // location
  uint64_t getScnSize(const std::string& secName) const;   // bytes
  uint32_t getFileStart(FileKey file, const std::string& secName) const;
  uint64_t getFileSize(FileKey file, const std::string& secName) const;
  bool loadComplete() const;
  uint64_t largestHole() const;  // bytes; 0 when there is no hole

  // Calls `callback(user, *this, start, end, fill)` for each hole in list
  // order, only when the memory has a FILL.
  using HoleCallback = void (*)(void* user, const Memory& memory, uint32_t start, uint32_t end,
                                const std::string& fill);
  void walkHoles(HoleCallback callback, void* user) const;

  void print(std::ostream& os) const;
  void printUsage(std::ostream& os, bool header) const;  // the error map's block

  std::string name;
  uint8_t type = ram;
  bool cProtected = false;
  bool cHasFill = false;
  std::string fill;
  uint32_t start = 0;
  uint32_t end = 0;
  std::vector<Range> cUnallocated;          // holes, in hole order
  std::map<std::string, Range> cAllocated;  // one range per section name

 private:
  void sortHoles();
  void place(const std::string& secName, size_t hole, uint32_t at, uint64_t length, bool overlay);
};

// A candidate memory with its largest hole, for best-fit placement.
struct MemSize {
  Memory* memory = nullptr;
  uint64_t size = 0;  // bytes
  bool operator<(const MemSize& other) const { return size < other.size; }
};

#endif
