// One COD symbol file in memory: the debugging companion of a linked program.
//
// The file is a run of 512-byte blocks; block n starts at byte 512 * n. Block
// numbers are unsigned 16-bit, and a table is a run of consecutive blocks named
// by its first and last block (first 0: the table is empty).
//
//   block 0 .. D-1   directories, one per 64 KB window of program-memory bytes,
//                    chained by NextDir
//   then             code blocks (each directory's, in slot order), symbols,
//                    source names, line info (per directory), local groups,
//                    memory maps (per directory), long symbols, debug messages
//
// Fields are little-endian except the value of a long symbol and the address
// of a debug message, which are big-endian. A string field is a length byte and
// the characters, zero-filled to its width.
//
// The records below are held in memory with host-order fields; the toBytes /
// fromBytes pairs give their file form. The fixed-size ones (directory,
// Symbol, SourceName, LineInfo, MemoryMap) are packed at their file offsets.
#ifndef ZV_COD_COD_H
#define ZV_COD_COD_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <list>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

constexpr uint32_t kCodBlockSize = 512;
// Block numbers are 16 bits wide: a file holds at most this many blocks.
constexpr uint32_t kCodMaxBlocks = 0x10000;
// Code blocks of one 64 KB window.
constexpr int kCodBlocksPerWindow = 128;

// Symbol types that the converter gives its symbols.
constexpr uint8_t kCodTypeAddress = 46;
constexpr uint8_t kCodTypeConstant = 47;

#pragma pack(push, 1)

struct CodDirectory {
  CodDirectory() = default;

  uint16_t Index[kCodBlocksPerWindow]{};  // code block of each 512-byte slot
  uint8_t SourceLen = 0;
  char Source[63]{};  // the COD file's own name
  uint8_t DateLen = 0;
  char Date[7]{};     // "%d%b%y"
  uint16_t Time = 0;  // hours * 100 + minutes
  uint8_t VersionLen = 0;
  char Version[19]{};
  uint8_t CompilerLen = 0;
  char Compiler[11]{};
  uint8_t NoticeLen = 0;
  char Notice[63]{};
  uint16_t SymTab = 0;
  uint16_t SymEnd = 0;
  uint16_t NamTab = 0;
  uint16_t NamEnd = 0;
  uint16_t LineTab = 0;
  uint16_t LineEnd = 0;
  uint8_t AddrSize = 0;
  uint16_t HighAddr = 0;  // window number: upper 16 bits of its byte addresses
  uint16_t NextDir = 0;
  uint16_t MemMapOfs = 0;
  uint16_t MemMapEnd = 0;
  uint16_t LocalVars = 0;
  uint16_t LocalEnd = 0;
  uint16_t CodType = 1;
  uint8_t ProcessorLen = 0;
  char Processor[8]{};
  uint16_t LSymTab = 0;
  uint16_t LSymEnd = 0;
  uint16_t MessTab = 0;
  uint16_t MessEnd = 0;
  uint8_t Spare[43]{};  // only the first 42 reach the file
};

// 512 raw bytes of program memory, or one packed block of a table.
struct Block {
  uint8_t bytes[kCodBlockSize]{};
};

struct Symbol {
  static constexpr size_t MAX_LENGTH = 12;
  Symbol() = default;
  Symbol(const std::string& name, int type, int value);

  uint8_t NameLen = 0;
  char Name[MAX_LENGTH]{};
  uint8_t SymbolType = 0;
  uint16_t SymbolValue = 0;
};

struct SourceName {
  static constexpr size_t MAX_LENGTH = 63;
  SourceName() = default;
  explicit SourceName(const std::string& name);

  uint8_t FileNameLen = 0;
  char FileName[MAX_LENGTH]{};
};

struct LineInfo {
  LineInfo() = default;
  LineInfo(int fileNum, int flags, int line, int codeAddress);

  uint8_t FileNum = 0;
  uint8_t Flags = 0;
  uint16_t Line = 0;
  uint16_t CodeAddress = 0;
};

struct MemoryMap {
  MemoryMap() = default;
  MemoryMap(int start, int last);

  uint16_t Start = 0;  // offsets inside the directory's 64 KB window
  uint16_t Last = 0;
};

#pragma pack(pop)

static_assert(sizeof(CodDirectory) == kCodBlockSize + 1,
              "a directory is 512 bytes on file, 513 in memory");
static_assert(offsetof(CodDirectory, SourceLen) == 256 && offsetof(CodDirectory, Time) == 328 &&
                  offsetof(CodDirectory, SymTab) == 426 &&
                  offsetof(CodDirectory, HighAddr) == 439 &&
                  offsetof(CodDirectory, CodType) == 451 &&
                  offsetof(CodDirectory, LSymTab) == 462 && offsetof(CodDirectory, Spare) == 470,
              "directory fields lie at their file offsets");
static_assert(sizeof(Block) == kCodBlockSize, "a block is 512 bytes");
static_assert(sizeof(Symbol) == 16, "a symbol record is 16 bytes");
static_assert(sizeof(SourceName) == 64, "a source name record is 64 bytes");
static_assert(sizeof(LineInfo) == 6, "a line record is 6 bytes");
static_assert(sizeof(MemoryMap) == 4, "a memory map record is 4 bytes");

// A symbol with its whole name (1 to 255 characters) and 32-bit value.
struct LongSymbol {
  static constexpr size_t MAX_LENGTH = 255;
  LongSymbol() = default;
  LongSymbol(const std::string& name, int type, uint32_t value);
  size_t size() const { return NameLen + 7u; }  // on file

  uint8_t NameLen = 0;
  std::string Name;
  uint16_t Type = 0;
  uint32_t Value = 0;
};

// A group of local symbols; the system never makes one.
struct LocalGroup {
  LocalGroup() = default;
  LocalGroup(uint32_t startAddr, uint32_t endAddr, const std::list<Symbol>& symbols);

  uint32_t StartAddr = 0;
  uint32_t EndAddr = 0;
  std::list<Symbol> Symbols;
};

// A message tied to an address; the system never makes one.
struct DebugMsg {
  static constexpr size_t MAX_LENGTH = 255;
  DebugMsg() = default;
  DebugMsg(uint32_t address, int type, const std::string& msg);
  size_t size() const { return MsgLen + 6u; }  // on file

  uint32_t Address = 0;
  uint8_t Type = 0;
  uint8_t MsgLen = 0;
  std::string Msg;
};

// File form of the records: `p` holds (or receives) the record's bytes.
void toBytes(const CodDirectory& d, uint8_t* p);  // 512 bytes
void fromBytes(const uint8_t* p, CodDirectory& d);
void toBytes(const Symbol& r, uint8_t* p);
void fromBytes(const uint8_t* p, Symbol& r);
void toBytes(const SourceName& r, uint8_t* p);
void fromBytes(const uint8_t* p, SourceName& r);
void toBytes(const LineInfo& r, uint8_t* p);
void fromBytes(const uint8_t* p, LineInfo& r);
void toBytes(const MemoryMap& r, uint8_t* p);
void fromBytes(const uint8_t* p, MemoryMap& r);
void toBytes(const LongSymbol& r, uint8_t* p);  // r.size() bytes, Value big-endian
void toBytes(const DebugMsg& r, uint8_t* p);    // r.size() bytes, Address big-endian
// The 16-byte header entry that opens a local group: 7, "__LOCAL", the addresses.
void localGroupHeaderBytes(const LocalGroup& g, uint8_t* p);

// Sets a length-prefixed string field of `width` characters, cutting the text.
void setCodString(uint8_t& len, char* field, size_t width, const std::string& text);
std::string codString(uint8_t len, const char* field, size_t width);

// Names of the symbol type codes 0..151; ", <bad type>" for any other code.
const char* symbolTypeName(unsigned type);

// Dumps of the records, as Cod::print writes them.
void print(std::ostream& os, const CodDirectory& d);
void print(std::ostream& os, const Symbol& r);
void print(std::ostream& os, const SourceName& r);
void print(std::ostream& os, const LineInfo& r);
void print(std::ostream& os, const MemoryMap& r);
void print(std::ostream& os, const LongSymbol& r);
void print(std::ostream& os, const LocalGroup& r);
void print(std::ostream& os, const DebugMsg& r);
void print(std::ostream& os, const Block& r);

class Cod {
 public:
  Cod() = default;

  std::vector<CodDirectory> cDirectories;  // directory 0 first
  std::list<Symbol> cSymbols;
  std::list<SourceName> cSourceNames;
  std::vector<std::vector<LineInfo>> cLineInfoTables;  // one table per directory
  std::vector<std::list<MemoryMap>> cMemoryMapLists;   // one list per directory
  std::list<LongSymbol> cLongSymbols;
  std::list<LocalGroup> cLocalGroups;
  std::list<DebugMsg> cDebugMsgs;
  std::vector<std::map<int, Block>> cRawDataMaps;  // per directory: slot -> code block
  // The name the file is written under; directory 0's Source holds it cut to
  // 63 characters. Empty: the Source field's text.
  std::string cFileName;

  void addSymbol(const Symbol& r) { cSymbols.push_back(r); }
  void addSourceName(const SourceName& r) { cSourceNames.push_back(r); }
  void addLongSymbol(const LongSymbol& r) { cLongSymbols.push_back(r); }
  void addLocalGroup(const LocalGroup& r) { cLocalGroups.push_back(r); }
  void addDebugMsg(const DebugMsg& r) { cDebugMsgs.push_back(r); }
  void addLineInfo(std::vector<LineInfo>& table, const LineInfo& r) { table.push_back(r); }
  void addMemoryMap(std::list<MemoryMap>& list, const MemoryMap& r) { list.push_back(r); }

  // Numbers every block and fills the directories' Index, NextDir, table
  // fields, Date and Time. False, after a report, when the file would need
  // more blocks than 16-bit block numbers reach. Runs after the last record
  // has been added.
  bool preWrite();
  // Creates the file and writes it; false after a reported failure.
  bool write() const;
  // The file name the Cod is written under.
  std::string fileName() const;

  // Reads a COD file; null after a reported failure.
  static std::unique_ptr<Cod> make(const std::string& name);

  void print(std::ostream& os) const;

  // Block builders: each empties `blocks`, then appends its table's blocks.
  void buildCodeBlocks(const std::map<int, Block>& map, std::list<Block>& blocks) const;
  void buildLocalGroupBlocks(std::list<Block>& blocks) const;
  void buildLongSymbolBlocks(std::list<Block>& blocks) const;
  void buildDebugMsgBlocks(std::list<Block>& blocks) const;
  // Writes each block as 512 bytes and hands them to the file; false after
  // reporting "Could not write <kind> block ...".
  bool writeBlockList(std::FILE* file, const std::string& name, const std::list<Block>& blocks,
                      const std::string& kind) const;
};

// The text of the refusal when a file would need more blocks than block
// numbers reach.
std::string tooManyBlocksText(const std::string& codName, uint64_t blocks);

#endif
