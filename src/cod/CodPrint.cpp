// Text dumps of a Cod and its records, for looking into a file by hand:
//
//   Directory[0]=
//   Directory:
//      Index[0]=1
//      SourceLen=8
//      Source=prog.cod
//      ...
//   Symbol:    NameLen=4,  Name=main,  SymbolType=46, address,  SymbolValue=256
//   LongSymbol:    NameLen=4,  Type=46,  Value=256,  Name= main
//   RawDataMap[0]=
//   Code Index=0
//   Block: --sizeof(Block)=512
//   00 01 02 ...
#include <iomanip>

#include "Cod.h"

namespace {

std::string text(uint8_t len, const char* field, size_t width) {
  return codString(len, field, width);
}

}  // namespace

void print(std::ostream& os, const CodDirectory& d) {
  os << "Directory: \n";
  for (int k = 0; k < kCodBlocksPerWindow; ++k)
    if (d.Index[k]) os << "   Index[" << k << "]=" << d.Index[k] << "\n";
  os << "   SourceLen=" << int(d.SourceLen) << "\n"
     << "   Source=" << text(d.SourceLen, d.Source, sizeof d.Source) << "\n"
     << "   DateLen=" << int(d.DateLen) << "\n"
     << "   Date=" << text(d.DateLen, d.Date, sizeof d.Date) << "\n"
     << "   Time=" << d.Time << "\n"
     << "   VersionLen=" << int(d.VersionLen) << "\n"
     << "   Version=" << text(d.VersionLen, d.Version, sizeof d.Version) << "\n"
     << "   CompilerLen=" << int(d.CompilerLen) << "\n"
     << "   Compiler=" << text(d.CompilerLen, d.Compiler, sizeof d.Compiler) << "\n"
     << "   NoticeLen=" << int(d.NoticeLen) << "\n"
     << "   Notice=" << text(d.NoticeLen, d.Notice, sizeof d.Notice) << "\n"
     << "   SymTab=" << d.SymTab << "\n"
     << "   SymEnd=" << d.SymEnd << "\n"
     << "   NamTab=" << d.NamTab << "\n"
     << "   NamEnd=" << d.NamEnd << "\n"
     << "   LineTab=" << d.LineTab << "\n"
     << "   LineEnd=" << d.LineEnd << "\n"
     << "   AddrSize=" << int(d.AddrSize) << "\n"
     << "   HighAddr=" << d.HighAddr << "\n"
     << "   NextDir=" << d.NextDir << "\n"
     << "   MemMapOfs=" << d.MemMapOfs << "\n"
     << "   MemMapEnd=" << d.MemMapEnd << "\n"
     << "   LocalVars=" << d.LocalVars << "\n"
     << "   LocalEnd=" << d.LocalEnd << "\n"
     << "   CodType=" << d.CodType << "\n"
     << "   ProcessorLen=" << int(d.ProcessorLen) << "\n"
     << "   Processor=" << text(d.ProcessorLen, d.Processor, sizeof d.Processor) << "\n"
     << "   LSymTab=" << d.LSymTab << "\n"
     << "   LSymEnd=" << d.LSymEnd << "\n"
     << "   MessTab=" << d.MessTab << "\n"
     << "   MessEnd=" << d.MessEnd << "\n"
     << "   Spare=";
  for (int i = 0; i < 42; ++i) os << ' ' << int(d.Spare[i]);
  os << "\n";
}

void print(std::ostream& os, const Symbol& r) {
  os << "Symbol: "
     << "   NameLen=" << int(r.NameLen) << ",  Name=" << text(r.NameLen, r.Name, sizeof r.Name)
     << ",  SymbolType=" << int(r.SymbolType) << ", " << symbolTypeName(r.SymbolType)
     << ",  SymbolValue=" << r.SymbolValue << "\n";
}

void print(std::ostream& os, const SourceName& r) {
  os << "SourceName: "
     << "   FileNameLen=" << int(r.FileNameLen)
     << ",  FileName=" << text(r.FileNameLen, r.FileName, sizeof r.FileName) << "\n";
}

void print(std::ostream& os, const LineInfo& r) {
  os << "LineInfo: "
     << "   FileNum=" << int(r.FileNum) << ",  Flags=" << int(r.Flags) << ",  Line=" << r.Line
     << ",  CodeAddress=" << r.CodeAddress << "\n";
}

void print(std::ostream& os, const MemoryMap& r) {
  os << "MemoryMap: "
     << "   Start=" << r.Start << ",  Last=" << r.Last << "\n";
}

void print(std::ostream& os, const LongSymbol& r) {
  os << "LongSymbol: "
     << "   NameLen=" << int(r.NameLen) << ",  Type=" << r.Type << ",  Value=" << r.Value
     << ",  Name= " << r.Name << "\n";
}

void print(std::ostream& os, const LocalGroup& r) {
  os << "LocalGroup----{\n"
     << "   StartAddr=" << r.StartAddr << ",  EndAddr=" << r.EndAddr << "\n";
  for (const Symbol& s : r.Symbols) print(os, s);
  os << "}----LocalGroup\n";
}

void print(std::ostream& os, const DebugMsg& r) {
  os << "DebugMsg: "
     << "   Address=" << r.Address << ",  Type=" << int(r.Type) << ",  MsgLen=" << int(r.MsgLen)
     << ",  Msg= " << r.Msg << "\n";
}

void print(std::ostream& os, const Block& r) {
  os << "Block: "
     << "--sizeof(Block)=" << sizeof(Block) << "\n";
  const std::ios::fmtflags flags = os.flags();
  const char fill = os.fill('0');
  for (size_t i = 0; i < kCodBlockSize; ++i)
    os << std::hex << std::setw(2) << int(r.bytes[i]) << ((i % 32 == 31) ? "\n" : " ");
  os.flags(flags);
  os.fill(fill);
}

void Cod::print(std::ostream& os) const {
  for (size_t i = 0; i < cDirectories.size(); ++i) {
    os << "Directory[" << i << "]=\n";
    ::print(os, cDirectories[i]);
  }
  for (const Symbol& s : cSymbols) ::print(os, s);
  for (const SourceName& s : cSourceNames) ::print(os, s);
  for (size_t i = 0; i < cLineInfoTables.size(); ++i) {
    os << "LineInfoTable[" << i << "]=\n";
    for (const LineInfo& l : cLineInfoTables[i]) ::print(os, l);
  }
  for (size_t i = 0; i < cMemoryMapLists.size(); ++i) {
    os << "MemoryMapList[" << i << "]=\n";
    for (const MemoryMap& m : cMemoryMapLists[i]) ::print(os, m);
  }
  for (const LongSymbol& s : cLongSymbols) ::print(os, s);
  for (const LocalGroup& g : cLocalGroups) ::print(os, g);
  for (const DebugMsg& m : cDebugMsgs) ::print(os, m);
  for (size_t i = 0; i < cRawDataMaps.size(); ++i) {
    os << "RawDataMap[" << i << "]=\n";
    for (const auto& [slot, block] : cRawDataMaps[i]) {
      os << "Code Index=" << slot << "\n";
      ::print(os, block);
    }
  }
}
