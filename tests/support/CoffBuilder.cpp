#include "CoffBuilder.h"

#include <cstring>
#include <sstream>

#include "Assert.h"
#include "ByteOrder.h"

CoffBuilder::CoffBuilder(const std::string& name) {
  cCoff.cCoffName = name;
  cCoff.cFileHdr.f_magic = kCoffMagic;
  cCoff.cFileHdr.f_opthdr = kOptHdrSize;
}

CoffBuilder& CoffBuilder::optionalHeader(uint32_t procType, uint32_t romWidthBits,
                                         uint32_t ramWidthBits, uint16_t magic, uint16_t vstamp) {
  opthdr& h = cCoff.cOptHdr;
  h.magic = magic;
  h.vstamp = vstamp;
  h.proc_type = procType;
  h.rom_width_bits = romWidthBits;
  h.ram_width_bits = ramWidthBits;
  return *this;
}

CoffBuilder& CoffBuilder::fileFlags(uint16_t flags) {
  cCoff.cFileHdr.f_flags = flags;
  return *this;
}

CoffBuilder& CoffBuilder::timeStamp(uint32_t seconds) {
  cTime = seconds;
  return *this;
}

// --- sections --------------------------------------------------------------------

int CoffBuilder::section(const std::string& name, uint32_t flags, uint32_t paddr, uint32_t vaddr,
                         bool inStringTable) {
  ZV_ASSERT(cCoff.cScnHdr.count(name) == 0);
  scnhdr h;
  setName(h.s_name, name, inStringTable);
  h.s_paddr = paddr;
  h.s_vaddr = vaddr;
  h.s_flags = flags;
  int number = static_cast<int>(cCoff.cScnNum.size()) + 1;
  cCoff.cScnNum[number] = name;
  cCoff.cScnHdr[name] = h;
  return number;
}

const std::string& CoffBuilder::nameOf(int scn) const {
  auto it = cCoff.cScnNum.find(scn);
  ZV_ASSERT(it != cCoff.cScnNum.end());
  return it->second;
}

CoffBuilder& CoffBuilder::contents(int scn, const std::vector<uint8_t>& bytes) {
  nameOf(scn);
  std::vector<uint8_t>& c = cContents[scn];
  c.insert(c.end(), bytes.begin(), bytes.end());
  return *this;
}

CoffBuilder& CoffBuilder::words(int scn, const std::vector<uint16_t>& words) {
  nameOf(scn);
  std::vector<uint8_t>& c = cContents[scn];
  for (uint16_t w : words) {
    c.resize(c.size() + 2);
    putU16(&c[c.size() - 2], w);
  }
  return *this;
}

CoffBuilder& CoffBuilder::zeros(int scn, uint32_t count) {
  nameOf(scn);
  cContents[scn].resize(cContents[scn].size() + count);
  return *this;
}

CoffBuilder& CoffBuilder::reloc(int scn, uint32_t vaddr, uint32_t symndx, int16_t offset,
                                uint16_t type) {
  ::reloc r;
  r.r_vaddr = vaddr;
  r.r_symndx = symndx;
  r.r_offset = offset;
  r.r_type = type;
  cCoff.cRelocs[nameOf(scn)].push_back(r);
  return *this;
}

CoffBuilder& CoffBuilder::line(int scn, uint32_t srcndx, uint16_t lnno, uint32_t paddr,
                               uint16_t flags, uint32_t fcnndx) {
  coff_lineno l;
  l.l_srcndx = srcndx;
  l.l_lnno = lnno;
  l.l_paddr = paddr;
  l.l_flags = flags;
  l.l_fcnndx = fcnndx;
  cCoff.cLineNums[nameOf(scn)].push_back(l);
  return *this;
}

// --- symbols ---------------------------------------------------------------------

uint32_t CoffBuilder::symbol(const std::string& name, uint32_t value, int16_t scnum, uint8_t sclass,
                             uint16_t type, bool inStringTable) {
  SymEntry e;
  setName(e.sym.n_name, name, inStringTable);
  e.sym.n_value = value;
  e.sym.n_scnum = scnum;
  e.sym.n_type = type;
  e.sym.n_sclass = sclass;
  uint32_t index = static_cast<uint32_t>(cCoff.cSymbols.size());
  cCoff.cSymbols.push_back(e);
  cCoff.cAuxKinds.push_back(AUX_NONE);
  return index;
}

uint32_t CoffBuilder::aux(const SymEntry& entry) {
  ZV_ASSERT(!cCoff.cSymbols.empty() && cCoff.cAuxKinds.back() == AUX_NONE);
  syment& owner = cCoff.cSymbols.back().sym;
  owner.n_numaux = 1;
  unsigned kind = auxKind(owner);
  uint32_t index = static_cast<uint32_t>(cCoff.cSymbols.size());
  cCoff.cSymbols.push_back(entry);
  cCoff.cAuxKinds.push_back(kind);
  return index;
}

uint32_t CoffBuilder::fileSymbol(const std::string& source) {
  uint32_t index = symbol(".file", 0, N_DEBUG, C_FILE);
  SymEntry e;
  e.file = aux_file();
  e.file.x_offset = addString(source);
  aux(e);
  return index;
}

uint32_t CoffBuilder::function(const std::string& name, uint32_t value, int16_t scnum,
                               uint32_t size) {
  uint32_t index = symbol(name, value, scnum, C_EXT, 0x20);  // derived slot 0: function
  SymEntry e;
  e.fcn = aux_fcn();
  e.fcn.x_size = size;
  aux(e);
  return index;
}

uint32_t CoffBuilder::sectionSymbol(int scn, uint32_t scnlen, uint16_t nreloc, uint16_t nlinno) {
  uint32_t index = symbol(nameOf(scn), 0, static_cast<int16_t>(scn), C_STAT);
  SymEntry e;
  e.scn = aux_scn();
  e.scn.x_scnlen = scnlen;
  e.scn.x_nreloc = nreloc;
  e.scn.x_nlinno = nlinno;
  aux(e);
  return index;
}

uint32_t CoffBuilder::addString(const std::string& text) {
  ZV_ASSERT(!text.empty() && text.find('\0') == std::string::npos);
  uint32_t offset = cCoff.cStringTbl.lowestOffset(text);
  if (offset != StringTbl::kAbsent) return offset;
  offset = cCoff.cStringTbl.nextOffset();
  cCoff.cStringTbl.set(offset, text);
  return offset;
}

void CoffBuilder::setName(char* field, const std::string& name, bool inStringTable) {
  if (name.size() <= 8 && !inStringTable) {
    setInlineName(field, name);
    return;
  }
  setInlineName(field, "");
  putU32(reinterpret_cast<uint8_t*>(field) + 4, addString(name));
}

// --- output ----------------------------------------------------------------------

Coff CoffBuilder::image() const {
  Coff c(cCoff);
  for (const auto& entry : cContents) {
    const std::vector<uint8_t>& bytes = entry.second;
    c.cRawData[nameOf(entry.first)] = Data(static_cast<uint32_t>(bytes.size()), bytes.data());
  }
  c.preWrite();
  c.cFileHdr.f_timdat = cTime;
  return c;
}

std::string CoffBuilder::bytes() const {
  std::ostringstream out;
  int written = image().write(out, 0);
  ZV_ASSERT(written == 1);
  return out.str();
}

bool CoffBuilder::writeFile(const std::string& path) const {
  Coff c = image();
  c.cCoffName = path;
  return c.write() == 1;
}

// --- byte patches ----------------------------------------------------------------

namespace {
uint8_t* at(std::string& image, size_t offset) {
  return reinterpret_cast<uint8_t*>(&image[offset]);
}
const uint8_t* at(const std::string& image, size_t offset) {
  return reinterpret_cast<const uint8_t*>(image.data() + offset);
}
}  // namespace

void putU16(std::string& image, size_t offset, uint16_t value) {
  ZV_ASSERT(offset + 2 <= image.size());
  putU16(at(image, offset), value);
}

void putU32(std::string& image, size_t offset, uint32_t value) {
  ZV_ASSERT(offset + 4 <= image.size());
  putU32(at(image, offset), value);
}

uint16_t getU16(const std::string& image, size_t offset) {
  ZV_ASSERT(offset + 2 <= image.size());
  return getU16(at(image, offset));
}

uint32_t getU32(const std::string& image, size_t offset) {
  ZV_ASSERT(offset + 4 <= image.size());
  return getU32(at(image, offset));
}
