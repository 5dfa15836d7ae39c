// Cod::make: reads a COD file back into a Cod.
//
// No block number in the file is trusted: every block read must lie wholly
// inside the file and is read at most once, whichever table claims it, so the
// reader never reads more than the file holds. The directory chain must go
// forward; a table's last block must not lie below its first.
#include <cstring>
#include <functional>
#include <istream>

#include "ArchiveReadBuf.h"
#include "ByteOrder.h"
#include "Cod.h"
#include "OsPath.h"
#include "Reporter.h"

namespace {

const char kOrigin[] = "Cod::make()";

uint32_t getBe32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

class CodReading {
 public:
  CodReading(std::istream& in, const std::string& name) : cIn(in), cName(name), cCod(new Cod) {
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    cFileBlocks = size > 0 ? static_cast<uint64_t>(size) / kCodBlockSize : 0;
    cClaimed.assign(static_cast<size_t>(cFileBlocks), false);
  }

  std::unique_ptr<Cod> run() {
    if (!readDirectories()) return nullptr;
    const CodDirectory& first = cCod->cDirectories.front();
    if (!readTable(first.SymTab, first.SymEnd, "symbol table",
                   [&](const uint8_t* b) { return takeSymbols(b); }))
      return nullptr;
    if (!readTable(first.NamTab, first.NamEnd, "name table",
                   [&](const uint8_t* b) { return takeSourceNames(b); }))
      return nullptr;
    if (!readPerDirectory()) return nullptr;
    if (!readTable(first.LSymTab, first.LSymEnd, "long symbol table",
                   [&](const uint8_t* b) { return takeLongSymbols(b); }))
      return nullptr;
    if (!readTable(first.LocalVars, first.LocalEnd, "local vars table",
                   [&](const uint8_t* b) { return takeLocalEntries(b); }))
      return nullptr;
    if (!readTable(first.MessTab, first.MessEnd, "debug message table",
                   [&](const uint8_t* b) { return takeDebugMsgs(b); }))
      return nullptr;
    if (!readCode()) return nullptr;
    return std::move(cCod);
  }

 private:
  bool fail(const std::string& what) {
    reportError(kOrigin, "Cod file '" + cName + "' does not have " + what + ".");
    return false;
  }

  // Block n, once: it must lie wholly inside the file and not be read before.
  bool readBlock(uint32_t n, uint8_t* out) {
    if (n >= cFileBlocks || cClaimed[n]) return false;
    cClaimed[n] = true;
    cIn.clear();
    cIn.seekg(static_cast<std::streamoff>(n) * kCodBlockSize);
    cIn.read(reinterpret_cast<char*>(out), kCodBlockSize);
    return cIn.gcount() == static_cast<std::streamsize>(kCodBlockSize);
  }

  bool readDirectories() {
    uint8_t bytes[kCodBlockSize];
    if (!readBlock(0, bytes)) return fail("a properly formed first directory");
    uint32_t at = 0;
    while (true) {
      cCod->cDirectories.emplace_back();
      fromBytes(bytes, cCod->cDirectories.back());
      const uint32_t next = cCod->cDirectories.back().NextDir;
      if (next == 0) break;
      if (next <= at || !readBlock(next, bytes)) return fail("a properly formed linked directory");
      at = next;
    }
    const size_t n = cCod->cDirectories.size();
    cCod->cLineInfoTables.resize(n);
    cCod->cMemoryMapLists.resize(n);
    cCod->cRawDataMaps.resize(n);
    return true;
  }

  // Blocks first..last of a table, each handed to `take`; no table when
  // first is 0.
  bool readTable(uint32_t first, uint32_t last, const std::string& table,
                 const std::function<bool(const uint8_t*)>& take) {
    const std::string what = "a proper " + table;
    if (first == 0) return true;
    if (last < first) return fail(what);
    uint8_t bytes[kCodBlockSize];
    for (uint32_t b = first; b <= last; ++b)
      if (!readBlock(b, bytes) || !take(bytes)) return fail(what);
    return true;
  }

  bool readPerDirectory() {
    for (size_t i = 0; i < cCod->cDirectories.size(); ++i) {
      const CodDirectory& d = cCod->cDirectories[i];
      std::vector<LineInfo>& lines = cCod->cLineInfoTables[i];
      if (!readTable(d.LineTab, d.LineEnd, "line info table",
                     [&](const uint8_t* b) { return takeLines(b, lines); }))
        return false;
    }
    for (size_t i = 0; i < cCod->cDirectories.size(); ++i) {
      const CodDirectory& d = cCod->cDirectories[i];
      std::list<MemoryMap>& maps = cCod->cMemoryMapLists[i];
      if (!readTable(d.MemMapOfs, d.MemMapEnd, "memory map table",
                     [&](const uint8_t* b) { return takeMaps(b, maps); }))
        return false;
    }
    return true;
  }

  bool readCode() {
    for (size_t i = 0; i < cCod->cDirectories.size(); ++i) {
      const CodDirectory& d = cCod->cDirectories[i];
      for (int k = 0; k < kCodBlocksPerWindow; ++k) {
        if (d.Index[k] == 0) continue;
        Block& block = cCod->cRawDataMaps[i][k];
        if (!readBlock(d.Index[k], block.bytes)) return fail("a proper Index");
      }
    }
    return true;
  }

  static bool readSymbol(const uint8_t* p, Symbol& s) {
    fromBytes(p, s);
    return s.NameLen <= Symbol::MAX_LENGTH;
  }

  bool takeSymbols(const uint8_t* block) {
    for (size_t at = 0; at + sizeof(Symbol) <= kCodBlockSize; at += sizeof(Symbol)) {
      Symbol s;
      if (!readSymbol(block + at, s)) return false;
      if (s.NameLen != 0) cCod->cSymbols.push_back(s);
    }
    return true;
  }

  bool takeSourceNames(const uint8_t* block) {
    for (size_t at = 0; at + sizeof(SourceName) <= kCodBlockSize; at += sizeof(SourceName)) {
      SourceName s;
      fromBytes(block + at, s);
      if (s.FileNameLen > SourceName::MAX_LENGTH) return false;
      if (s.FileNameLen != 0) cCod->cSourceNames.push_back(s);
    }
    return true;
  }

  static bool takeLines(const uint8_t* block, std::vector<LineInfo>& lines) {
    for (size_t at = 0; at + sizeof(LineInfo) <= kCodBlockSize; at += sizeof(LineInfo)) {
      LineInfo l;
      fromBytes(block + at, l);
      if (l.FileNum != 0 || l.Line != 0 || l.CodeAddress != 0) lines.push_back(l);
    }
    return true;
  }

  static bool takeMaps(const uint8_t* block, std::list<MemoryMap>& maps) {
    for (size_t at = 0; at + sizeof(MemoryMap) <= kCodBlockSize; at += sizeof(MemoryMap)) {
      MemoryMap m;
      fromBytes(block + at, m);
      if (m.Start != 0 || m.Last != 0) maps.push_back(m);
    }
    return true;
  }

  bool takeLongSymbols(const uint8_t* block) {
    for (size_t at = 0; at < kCodBlockSize && block[at] != 0;) {
      const size_t len = block[at];
      if (at + len + 7 > kCodBlockSize) break;
      LongSymbol s(std::string(reinterpret_cast<const char*>(block + at + 1), len),
                   getU16(block + at + 1 + len), getBe32(block + at + 3 + len));
      cCod->cLongSymbols.push_back(s);
      at += len + 7;
    }
    return true;
  }

  // Local groups run on across blocks: a header entry (7, "__LOCAL") opens a
  // group and the symbol entries after it belong to it; empty entries fill the
  // end of the table.
  bool takeLocalEntries(const uint8_t* block) {
    for (size_t at = 0; at + 16 <= kCodBlockSize; at += 16) {
      const uint8_t* p = block + at;
      if (p[0] == 7 && std::memcmp(p + 1, "__LOCAL", 7) == 0) {
        cCod->cLocalGroups.emplace_back(getU32(p + 8), getU32(p + 12), std::list<Symbol>());
        continue;
      }
      if (p[0] == 0) continue;
      Symbol s;
      if (!readSymbol(p, s) || cCod->cLocalGroups.empty()) return false;
      cCod->cLocalGroups.back().Symbols.push_back(s);
    }
    return true;
  }

  bool takeDebugMsgs(const uint8_t* block) {
    for (size_t at = 0; at + 6 <= kCodBlockSize;) {
      const size_t len = block[at + 5];
      if (len == 0 || at + 6 + len > kCodBlockSize) break;
      cCod->cDebugMsgs.emplace_back(
          getBe32(block + at), block[at + 4],
          std::string(reinterpret_cast<const char*>(block + at + 6), len));
      at += len + 6;
    }
    return true;
  }

  std::istream& cIn;
  const std::string& cName;
  std::unique_ptr<Cod> cCod;
  uint64_t cFileBlocks = 0;
  std::vector<bool> cClaimed;  // per block of the file: read already
};

}  // namespace

std::unique_ptr<Cod> Cod::make(const std::string& name) {
  // Opened without waiting, and only as a regular file.
  ArchiveReadBuf file;
  if (!file.open(osPath(name))) {
    reportError(kOrigin, "Could not open Cod file '" + name + "' for reading.");
    return nullptr;
  }
  std::istream in(&file);
  return CodReading(in, name).run();
}
