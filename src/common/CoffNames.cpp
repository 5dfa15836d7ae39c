// Section, symbol and source-file names: inline in an 8-byte field or held in
// the string table. A string that a sound file always has is missing only in a
// corrupt file, and that ends the program.
#include <algorithm>

#include "ByteOrder.h"
#include "Coff.h"
#include "Reporter.h"

namespace {

std::string lookUp(uint32_t offset, const StringTbl& strings, const char* missing) {
  auto it = strings.find(offset);
  if (it == strings.end()) reportFatal("Coff::getName()", missing);
  return std::string(it->second);
}

// `what` names the kind of name in the message: "section" or "symbol".
void store(char* field, const std::string& name, const StringTbl& strings, const char* what) {
  if (name.size() <= 8) {
    setInlineName(field, name);
    return;
  }
  uint32_t offset = strings.lowestOffset(name);
  if (offset == StringTbl::kAbsent)
    reportFatal("Coff::setName()",
                std::string("Could not find ") + what + " name '" + name + "' in string table.");
  setInlineName(field, "");
  putU32(reinterpret_cast<uint8_t*>(field) + 4, offset);
}

}  // namespace

std::string Coff::getName(const scnhdr& hdr, const StringTbl& strings) {
  if (!nameInStringTable(hdr)) return inlineName(hdr.s_name);
  return lookUp(hdr.s_offset(), strings, "Unable to find section name in string table.");
}

std::string Coff::getName(const syment& sym, const StringTbl& strings) {
  if (!nameInStringTable(sym)) return inlineName(sym.n_name);
  return lookUp(sym.n_offset(), strings, "Unable to find symbol name in string table.");
}

std::string Coff::getName(const aux_file& aux, const StringTbl& strings) {
  return lookUp(aux.x_offset, strings, "Unable to find aux_file name in string table.");
}

std::string_view Coff::nameView(const syment& sym, const StringTbl& strings) {
  if (!nameInStringTable(sym)) {
    const char* field = sym.n_name;
    return std::string_view(field, static_cast<size_t>(std::find(field, field + 8, '\0') - field));
  }
  auto it = strings.find(sym.n_offset());
  if (it == strings.end())
    reportFatal("Coff::getName()", "Unable to find symbol name in string table.");
  return it->second;
}

void Coff::setName(scnhdr& hdr, const std::string& name, const StringTbl& strings) {
  store(hdr.s_name, name, strings, "section");
}

void Coff::setName(syment& sym, const std::string& name, const StringTbl& strings) {
  store(sym.n_name, name, strings, "symbol");
}
