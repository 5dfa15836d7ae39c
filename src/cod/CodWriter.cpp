// Numbering the blocks of a Cod and writing it. The file holds, in this order:
//
//   directories 0 .. D-1 | code blocks of each directory | symbols | source names |
//   line info of each directory | local groups | memory maps of each directory |
//   long symbols | debug messages
//
// Every table is packed into 512-byte blocks: a record goes into the current
// block while it fits wholly, else it opens the next one.
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <memory>

#include "Assert.h"
#include "Cod.h"
#include "OsPath.h"
#include "Reporter.h"
#include "Trace.h"

namespace {

struct BlockCounts {
  uint64_t directories = 0;
  uint64_t rawData = 0;
  uint64_t symbols = 0;
  uint64_t sourceNames = 0;
  uint64_t lineInfo = 0;
  uint64_t localGroups = 0;
  uint64_t memMaps = 0;
  uint64_t longSymbols = 0;
  uint64_t debugMsgs = 0;

  uint64_t total() const {
    return directories + rawData + symbols + sourceNames + lineInfo + localGroups + memMaps +
           longSymbols + debugMsgs;
  }
};

uint64_t blocksFor(uint64_t records, uint64_t perBlock) {
  return (records + perBlock - 1) / perBlock;
}

// Blocks of a table of variable-sized records.
template <typename Record>
uint64_t variableBlocks(const std::list<Record>& records) {
  if (records.empty()) return 0;
  uint64_t blocks = 1, fill = 0;
  for (const Record& r : records) {
    if (fill + r.size() > kCodBlockSize) {
      ++blocks;
      fill = 0;
    }
    fill += r.size();
  }
  return blocks;
}

BlockCounts countBlocks(const Cod& cod) {
  BlockCounts c;
  c.directories = cod.cDirectories.size();
  for (const auto& map : cod.cRawDataMaps) c.rawData += map.size();
  c.symbols = blocksFor(cod.cSymbols.size(), kCodBlockSize / sizeof(Symbol));
  c.sourceNames = blocksFor(cod.cSourceNames.size(), kCodBlockSize / sizeof(SourceName));
  for (const auto& table : cod.cLineInfoTables) c.lineInfo += blocksFor(table.size(), 85);
  uint64_t entries = 0;
  for (const LocalGroup& g : cod.cLocalGroups) entries += 1 + g.Symbols.size();
  c.localGroups = blocksFor(entries, kCodBlockSize / 16);
  for (const auto& list : cod.cMemoryMapLists) c.memMaps += blocksFor(list.size(), 128);
  c.longSymbols = variableBlocks(cod.cLongSymbols);
  c.debugMsgs = variableBlocks(cod.cDebugMsgs);
  return c;
}

void dumpCounts(const BlockCounts& c) {
  std::cout << "Cod::preWrite()- dump of block mappings:\n"
            << "  numDirectoryBlock=" << c.directories << "\n"
            << "  numRawDataBlock=" << c.rawData << "\n"
            << "  numSymbolBlock=" << c.symbols << "\n"
            << "  numSourceNameBlock=" << c.sourceNames << "\n"
            << "  numLineInfoBlock=" << c.lineInfo << "\n"
            << "  numLocalGroupBlock=" << c.localGroups << "\n"
            << "  numMemMapBlock=" << c.memMaps << "\n"
            << "  numLongBlock=" << c.longSymbols << "\n"
            << "  numDebugBlock=" << c.debugMsgs << "\n";
}

// First and last block of a table of `blocks` blocks starting at `b`; both are
// 0 for an empty table. Advances `b`.
struct TableBlocks {
  uint16_t first = 0;
  uint16_t last = 0;
};

TableBlocks placeTable(uint32_t& b, uint64_t blocks) {
  TableBlocks t;
  if (blocks == 0) return t;
  t.first = static_cast<uint16_t>(b);
  t.last = static_cast<uint16_t>(b + blocks - 1);
  b += static_cast<uint32_t>(blocks);
  return t;
}

void setDateAndTime(CodDirectory& d) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[80];
  const size_t n = std::strftime(text, sizeof text, "%d%b%y", &local);
  setCodString(d.DateLen, d.Date, sizeof d.Date, std::string(text, n));
  std::strftime(text, sizeof text, "%H%M", &local);
  d.Time = static_cast<uint16_t>(std::atoi(text));
}

// A zeroed buffer that records are packed into; full buffers become blocks.
class BlockPacker {
 public:
  explicit BlockPacker(std::list<Block>& blocks) : cBlocks(blocks) { cBlocks.clear(); }

  // Where the next record of `size` bytes goes, opening a new block when it
  // would not fit wholly in the current one.
  uint8_t* place(size_t size) {
    if (!cOpen || cFill + size > kCodBlockSize) {
      cBlocks.emplace_back();
      cFill = 0;
      cOpen = true;
    }
    uint8_t* at = cBlocks.back().bytes + cFill;
    cFill += size;
    return at;
  }

 private:
  std::list<Block>& cBlocks;
  size_t cFill = 0;
  bool cOpen = false;
};

// `Records`: a std::list or std::vector of one record type.
template <typename Records>
void packBlocks(const Records& records, std::list<Block>& blocks) {
  BlockPacker packer(blocks);
  for (const auto& r : records) toBytes(r, packer.place(sizeof r));
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

std::string tooManyBlocksText(const std::string& codName, uint64_t blocks) {
  return "Cod file '" + codName + "' would need " + std::to_string(blocks) +
         " blocks; block numbers reach only " + std::to_string(kCodMaxBlocks) + ".";
}

std::string Cod::fileName() const {
  if (!cFileName.empty() || cDirectories.empty()) return cFileName;
  const CodDirectory& d = cDirectories.front();
  return codString(d.SourceLen, d.Source, sizeof d.Source);
}

bool Cod::preWrite() {
  const BlockCounts counts = countBlocks(*this);
  if (traceLevel("Cod::preWrite")) dumpCounts(counts);
  if (counts.total() > kCodMaxBlocks) {
    reportError("Cod::preWrite()", tooManyBlocksText(fileName(), counts.total()));
    return false;
  }
  if (cDirectories.empty()) return true;
  ZV_ASSERT(cRawDataMaps.size() == cDirectories.size());
  ZV_ASSERT(cLineInfoTables.size() == cDirectories.size());
  ZV_ASSERT(cMemoryMapLists.size() == cDirectories.size());

  // Code blocks follow the directories, directory by directory, in slot order.
  uint32_t b = static_cast<uint32_t>(cDirectories.size());
  for (size_t i = 0; i < cDirectories.size(); ++i) {
    for (const auto& [slot, block] : cRawDataMaps[i]) {
      ZV_ASSERT(slot >= 0 && slot < kCodBlocksPerWindow);
      cDirectories[i].Index[slot] = static_cast<uint16_t>(b++);
    }
  }
  for (size_t i = 0; i + 1 < cDirectories.size(); ++i)
    cDirectories[i].NextDir = static_cast<uint16_t>(i + 1);

  // Directory fields are unaligned: they are set by value, never by reference.
  CodDirectory& first = cDirectories.front();
  TableBlocks t = placeTable(b, counts.symbols);
  first.SymTab = t.first;
  first.SymEnd = t.last;
  t = placeTable(b, counts.sourceNames);
  first.NamTab = t.first;
  first.NamEnd = t.last;
  for (size_t i = 0; i < cDirectories.size(); ++i) {
    t = placeTable(b, blocksFor(cLineInfoTables[i].size(), 85));
    cDirectories[i].LineTab = t.first;
    cDirectories[i].LineEnd = t.last;
  }
  t = placeTable(b, counts.localGroups);
  first.LocalVars = t.first;
  first.LocalEnd = t.last;
  for (size_t i = 0; i < cDirectories.size(); ++i) {
    t = placeTable(b, blocksFor(cMemoryMapLists[i].size(), 128));
    cDirectories[i].MemMapOfs = t.first;
    cDirectories[i].MemMapEnd = t.last;
  }
  t = placeTable(b, counts.longSymbols);
  first.LSymTab = t.first;
  first.LSymEnd = t.last;
  t = placeTable(b, counts.debugMsgs);
  first.MessTab = t.first;
  first.MessEnd = t.last;
  setDateAndTime(first);
  return true;
}

void Cod::buildCodeBlocks(const std::map<int, Block>& map, std::list<Block>& blocks) const {
  blocks.clear();
  for (const auto& [slot, block] : map) blocks.push_back(block);
}

void Cod::buildLocalGroupBlocks(std::list<Block>& blocks) const {
  BlockPacker packer(blocks);
  for (const LocalGroup& g : cLocalGroups) {
    localGroupHeaderBytes(g, packer.place(16));
    for (const Symbol& s : g.Symbols) toBytes(s, packer.place(sizeof(Symbol)));
  }
}

void Cod::buildLongSymbolBlocks(std::list<Block>& blocks) const {
  BlockPacker packer(blocks);
  for (const LongSymbol& s : cLongSymbols) toBytes(s, packer.place(s.size()));
}

void Cod::buildDebugMsgBlocks(std::list<Block>& blocks) const {
  BlockPacker packer(blocks);
  for (const DebugMsg& m : cDebugMsgs) toBytes(m, packer.place(m.size()));
}

bool Cod::writeBlockList(std::FILE* file, const std::string& name, const std::list<Block>& blocks,
                         const std::string& kind) const {
  bool ok = true;
  for (const Block& block : blocks) {
    if (std::fwrite(block.bytes, 1, kCodBlockSize, file) != kCodBlockSize) {
      ok = false;
      break;
    }
  }
  if (ok && std::fflush(file) == 0) return true;
  reportError("Cod::writeBlockList()",
              "Could not write " + kind + " block in Cod file '" + name + "'.");
  return false;
}

bool Cod::write() const {
  const std::string name = fileName();
  // The blocks go to the file in writes of up to 256 KB (each table is flushed
  // at its end): a large file is thousands of blocks. The buffer, made before
  // the file, outlives its close on every path. Saves a write per block;
  // guarded by bench/vostrum_bench.sh.
  std::vector<char> buffer(size_t(1) << 18);
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(osPath(name).c_str(), "wb"));
  if (!file) {
    reportError("Cod::write()", "Could not open Cod file '" + name + "' for writing.");
    return false;
  }
  std::setvbuf(file.get(), buffer.data(), _IOFBF, buffer.size());

  // The directories, then the tables in numbering order.
  bool ok = true;
  for (const CodDirectory& d : cDirectories) {
    uint8_t bytes[kCodBlockSize];
    toBytes(d, bytes);
    ok = ok && std::fwrite(bytes, 1, kCodBlockSize, file.get()) == kCodBlockSize;
  }
  if (!ok || std::fflush(file.get()) != 0) {
    reportError("Cod::write()", "Could not write directory in Cod file '" + name + "'.");
    return false;
  }

  std::list<Block> blocks;
  auto put = [&](const std::string& kind) {
    return writeBlockList(file.get(), name, blocks, kind);
  };
  for (const auto& map : cRawDataMaps) {
    buildCodeBlocks(map, blocks);
    if (!put("code")) return false;
  }
  packBlocks(cSymbols, blocks);
  if (!put("symbol")) return false;
  packBlocks(cSourceNames, blocks);
  if (!put("source name")) return false;
  for (const auto& table : cLineInfoTables) {
    packBlocks(table, blocks);
    if (!put("line info")) return false;
  }
  buildLocalGroupBlocks(blocks);
  if (!put("local group")) return false;
  for (const auto& list : cMemoryMapLists) {
    packBlocks(list, blocks);
    if (!put("memory map")) return false;
  }
  buildLongSymbolBlocks(blocks);
  if (!put("long symbol")) return false;
  buildDebugMsgBlocks(blocks);
  if (!put("debug msg")) return false;

  // Everything has been handed over; a failing close still loses data.
  if (std::fclose(file.release()) != 0) {
    reportError("Cod::write()", "Could not write Cod file '" + name + "'.");
    return false;
  }
  return true;
}
