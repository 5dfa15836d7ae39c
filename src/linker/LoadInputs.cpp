// Reading the inputs and checking that they belong together: the object files
// and libraries are located and read, library members are imported for the
// names that nothing else defines, every input must name the link's processor
// (or its family), like-named sections must agree, and SECTION declarations
// must not give a section a memory of the wrong kind.
#include <sys/stat.h>

#include <algorithm>
#include <iostream>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "Assert.h"
#include "FileSpec.h"
#include "NameHint.h"
#include "OsPath.h"
#include "Reporter.h"
#include "SymbolWalk.h"
#include "Trace.h"
#include "ViewMap.h"
#include "WholeFile.h"
#include "linker.h"
#include "mgproc.h"

namespace {

// Objects may lie in the current directory or on the library path; libraries
// only on the library path.
enum class Search { currentDirFirst, libPathOnly };

// Where a file named `name` is read from: a name with a directory part as
// given, a bare name in the first candidate directory that holds it. False when
// there is no such file. With `file`, each candidate is opened and read rather
// than only looked up, so that the file found is read already; one that is
// found but cannot be read that way is left unread for its reader to report.
bool locate(const std::string& name, const std::list<std::string>& libPath, Search search,
            std::string& found, WholeFile* file = nullptr) {
  std::list<std::string> candidates;
  if (FileSpec(name).hasPath()) {
    candidates.push_back(name);
  } else {
    if (search == Search::currentDirFirst) candidates.push_back(inCurrentDir(name));
    for (const std::string& dir : libPath) candidates.push_back(joinPath(dir, name));
  }
  for (const std::string& candidate : candidates) {
    const FileSpec spec(candidate);
    bool missing = false;
    if (file && spec.hasName() && file->read(osPath(candidate), Coff::kReadWholeAtMost, missing)) {
      found = candidate;
      return true;
    }
    if (!missing && spec.fileExists()) {
      found = candidate;
      return true;
    }
  }
  return false;
}

// Replaces every name of the list by the path it is read from; fails on the
// first name that is not found, before any file is converted. With `files`,
// each file found is read into its place there (see locate).
int locateAll(std::list<std::string>& names, const std::list<std::string>& libPath, Search search,
              std::string& message, std::vector<WholeFile>* files = nullptr) {
  std::list<std::string> found;
  if (files) files->resize(names.size());
  size_t i = 0;
  for (const std::string& name : names) {
    std::string path;
    if (!locate(name, libPath, search, path, files ? &(*files)[i++] : nullptr)) {
      message = "could not find file '" + name + "'.";
      return 0;
    }
    found.push_back(path);
  }
  names.swap(found);
  return 1;
}

// Line numbers point at symbols, so an input with line numbers needs a symbol
// table; the verifier lets every index pass when the table is empty. Each
// line is reported as the verifier reports a bad index.
bool linesHaveSymbols(const Coff& coff, const std::string& origin) {
  if (!coff.cSymbols.empty()) return true;
  bool ok = true;
  for (const auto& [section, lines] : coff.cLineNums) {
    for (size_t j = 0; j < lines.size(); ++j) {
      std::string where = "Coff file '" + coff.cCoffName + "', section '" + section + "' line[" +
                          std::to_string(j) + "] has an invalid ";
      reportError(origin, where + "l_srcndx.");
      reportError(origin, where + "l_fcnndx.");
      ok = false;
    }
  }
  return ok;
}

// Every check an input passes before the link takes it.
bool acceptable(const Coff& coff, const std::string& origin) {
  return coff.verify() && linesHaveSymbols(coff, origin);
}

// A name that a fill section of this link may take: ".fill_" and a number
// from 1 to `most`, written as the linker writes it (no leading zero).
bool isFillName(const std::string& name, uint64_t most) {
  const std::string prefix = ".fill_";
  if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return false;
  if (name[prefix.size()] == '0' || name.size() - prefix.size() > 19) return false;
  if (name.find_first_not_of("0123456789", prefix.size()) != std::string::npos) return false;
  return std::stoull(name.substr(prefix.size())) <= most;
}

}  // namespace

// --- Loading -------------------------------------------------------------------------

int Linker::loadObjectFiles(std::string& message) {
  if (cObjectFile.empty()) {
    message = "no input object files specified.";
    return 0;
  }
  std::vector<WholeFile> files;
  if (!locateAll(cObjectFile, cLibPath, Search::currentDirFirst, message, &files)) return 0;
  cObjectIds.reserve(files.size());
  size_t i = 0;
  for (const std::string& name : cObjectFile) {
    WholeFile& file = files[i++];
    std::unique_ptr<Coff> coff = Coff::make(name, file);
    cObjectIds.push_back(file.id());
    file.dropBytes();
    if (!coff || !acceptable(*coff, "Linker::loadObjectFiles()")) return 0;
    cCoff.push_back(std::move(coff));
  }
  return 1;
}

int Linker::loadLibraryFiles(std::string& message) {
  if (!locateAll(cLibraryFile, cLibPath, Search::libPathOnly, message)) return 0;
  for (const std::string& name : cLibraryFile) {
    std::unique_ptr<Archive> archive = Archive::make(name);
    if (!archive) return 0;
    cArchives.push_back(std::move(archive));
  }
  return 1;
}

// --- Outputs that would replace inputs ---------------------------------------------

namespace {

// A file the link writes, with its identity when it exists already.
class OutputName {
 public:
  explicit OutputName(const std::string& name) : cName(name) {
    cExists = !name.empty() && ::stat(osPath(name).c_str(), &cId) == 0;
  }

  const std::string& name() const { return cName; }

  // True when the input (found, so existing) is this file: the same name, or
  // the same device and inode, so that hard and symbolic links count.
  bool is(const std::string& input, const FileId& inputId) const {
    if (cName.empty()) return false;
    if (input == cName) return true;
    return cExists && inputId.is(cId.st_dev, cId.st_ino);
  }

 private:
  std::string cName;
  struct stat cId {};
  bool cExists = false;
};

// The identity of an input as it is now: unknown when it cannot be looked up.
FileId currentId(const std::string& input) {
  struct stat st;
  if (::stat(osPath(input).c_str(), &st) != 0) return FileId();
  return FileId{st.st_dev, st.st_ino, true};
}

}  // namespace

// The objects read whole while they were found are known by the identity
// they were opened with; every other input is looked up here.
int Linker::checkOutputsSpareInputs(std::string& message) const {
  const OutputName output(cOutputFile), map(cMapFile);
  const std::string* outputHit = nullptr;
  const std::string* mapHit = nullptr;
  auto check = [&](const std::string& input, const FileId* known) {
    const FileId id = known && known->known ? *known : currentId(input);
    if (!outputHit && output.is(input, id)) outputHit = &input;
    if (!mapHit && map.is(input, id)) mapHit = &input;
  };
  size_t i = 0;
  for (const std::string& input : cObjectFile) {
    check(input, i < cObjectIds.size() ? &cObjectIds[i] : nullptr);
    ++i;
  }
  for (const std::list<std::string>* inputs : {&cLibraryFile, &cCommandFiles})
    for (const std::string& input : *inputs) check(input, nullptr);
  if (outputHit) {
    message = "the output file '" + output.name() + "' is the input file '" + *outputHit + "'.";
    return 0;
  }
  if (mapHit) {
    message = "the map file '" + map.name() + "' is the input file '" + *mapHit + "'.";
    return 0;
  }
  return 1;
}

// --- Library import ------------------------------------------------------------------
//
// Each pass imports the member that defines the smallest undefined name that
// some library defines, from the first library (in declaration order) that
// defines it. Every input's names get ids as the input is taken in (InputNames,
// which the merge of the string tables reads later); the names defined so far
// are marked by id, the references made while undefined are kept as a list
// that is looked up in the libraries before the next pass, and the names still
// to be looked for as an ordered map, so a pass costs only the new member's
// symbols.

namespace {

// Where a library member lies: the library's place in the link's list and the
// member's in the library.
struct MemberPlace {
  uint32_t library;
  uint32_t member;
};

// The member that defines each external name of the libraries, indexed from
// the members' symbol tables: the first library that defines the name, and in
// it the first member, the one its symbol map names. The views point into the
// members, which stay where they are while the import runs (an imported member
// changes owner, not place, and no member is changed or freed before the
// import ends). Saves a lookup per library and member for every undefined
// name; guarded by bench/zorvik_bench.sh.
class LibraryIndex {
 public:
  explicit LibraryIndex(const std::vector<std::unique_ptr<Archive>>& archives) {
    size_t definitions = 0;
    for (const auto& archive : archives)
      for (const auto& member : archive->cMembers) definitions += member->cSymbols.size();
    cIndex.reserve(definitions);
    while (cFilterBits < 31 && (size_t(1) << cFilterBits) < 8 * definitions) ++cFilterBits;
    cFilter.assign((size_t(1) << cFilterBits) / 64 + 1, 0);
    for (uint32_t a = 0; a < archives.size(); ++a) {
      const auto& members = archives[a]->cMembers;
      for (uint32_t m = 0; m < members.size(); ++m)
        forEachSymbol(*members[m], [&](size_t, const syment& sym) {
          if (!isExtDef(sym)) return;
          std::string_view name = Coff::nameView(sym, members[m]->cStringTbl);
          const uint32_t hash = ViewMap<MemberPlace>::hashOf(name);
          cIndex.tryEmplace(name, hash, MemberPlace{a, m});
          const uint32_t bit = filterBit(hash);
          cFilter[bit / 64] |= uint64_t(1) << (bit % 64);
        });
    }
  }

  // `hash` is ViewMap::hashOf(name).
  const MemberPlace* find(std::string_view name, uint32_t hash) const {
    return cIndex.find(name, hash);
  }
  // False when no library defines a name of this hash; true when one may. Far
  // smaller than the index, so that the many names of the inputs that no
  // library defines are passed over without a look into it.
  bool mayDefine(uint32_t hash) const {
    const uint32_t bit = filterBit(hash);
    return (cFilter[bit / 64] >> (bit % 64)) & 1;
  }
  const ViewMap<MemberPlace>& index() const { return cIndex; }

 private:
  // The hash's high bits pick the filter's bit; the index's slots take the low ones.
  uint32_t filterBit(uint32_t hash) const { return cFilterBits ? hash >> (32 - cFilterBits) : 0; }

  ViewMap<MemberPlace> cIndex;
  unsigned cFilterBits = 0;       // a bit for each of 2^cFilterBits hashes
  std::vector<uint64_t> cFilter;  // set for the hashes of the libraries' names
};

// Orders name ids by their texts, read from InputNames at each comparison.
class ByText {
 public:
  explicit ByText(const InputNames& names) : cNames(&names) {}
  bool operator()(uint32_t a, uint32_t b) const { return cNames->text(a) < cNames->text(b); }

 private:
  const InputNames* cNames;
};

class ImportState {
 public:
  ImportState(const std::vector<std::unique_ptr<Archive>>& archives, InputNames& names)
      : cLibraries(archives), cNames(names), cPending(ByText(names)) {
    for (const auto& archive : archives) cImported.emplace_back(archive->cMembers.size(), false);
  }

  // Takes in the next input's external definitions and references. The entry
  // after a symbol is its auxiliary entry exactly when the reader took it as
  // one.
  void add(const Coff& coff) {
    const size_t file = cNames.inputs();
    cNames.addInput(coff);
    if (cDefined.size() < cNames.size())
      cDefined.resize(std::max(cNames.size(), 2 * cDefined.size()));
    const std::vector<uint32_t>& ids = cNames.symbolIds(file);
    for (size_t i = 0; i < ids.size(); ++i) {
      if (ids[i] == InputNames::kNoId) continue;
      if (isExtDef(coff.cSymbols[i].sym))
        define(ids[i]);
      else
        refer(ids[i]);
    }
  }

  // Nothing is pending. Names referenced while undefined are looked up in the
  // libraries here, once the inputs taken in so far have defined what they
  // define: most references are to other inputs. A name taken by next() may
  // come back here when a later member refers to it; its member is imported
  // already, so taking it again imports nothing.
  bool done() {
    auto hashAt = [this](size_t i) { return cNames.hash(cUndefined[i]); };
    visitLoadingAhead(cLibraries.index(), cUndefined.size(), hashAt, [this](size_t i) {
      const uint32_t id = cUndefined[i];
      if (cDefined[id]) return;
      if (const MemberPlace* place = inLibraries(id)) cPending.emplace(id, *place);
    });
    cUndefined.clear();
    return cPending.empty();
  }

  // The smallest pending name and the member that defines it; the name is no
  // longer pending afterwards, so a member that was meant to define it and
  // does not leaves it undefined for good.
  std::pair<std::string, MemberPlace> next() {
    auto first = cPending.begin();
    std::pair<std::string, MemberPlace> taken(std::string(cNames.text(first->first)),
                                              first->second);
    cPending.erase(first);
    return taken;
  }

  // True the first time a member is asked for.
  bool firstImport(const MemberPlace& place) {
    auto&& imported = cImported[place.library][place.member];
    if (imported) return false;
    imported = true;
    return true;
  }

 private:
  const MemberPlace* inLibraries(uint32_t id) const {
    return cLibraries.find(cNames.text(id), cNames.hash(id));
  }

  void define(uint32_t id) {
    if (cDefined[id]) return;
    cDefined[id] = 1;
    if (!cPending.empty()) cPending.erase(id);
  }

  // A name that no library defines is never looked for in them.
  void refer(uint32_t id) {
    if (cDefined[id] || !cLibraries.mayDefine(cNames.hash(id))) return;
    if (cUndefined.size() == cUndefined.capacity() && cUndefined.size() >= kPruneFrom) prune();
    cUndefined.push_back(id);
  }

  // Drops the names that done() would pass over: those defined since they were
  // referred to, and those no library defines. Most references of a large link
  // are to inputs taken in later, and the list would otherwise hold them all.
  // Once the list is full again it is pruned again, or doubled when most of it
  // stays.
  static constexpr size_t kPruneFrom = 4096;
  void prune() {
    auto passedOver = [this](uint32_t id) { return cDefined[id] || inLibraries(id) == nullptr; };
    cUndefined.erase(std::remove_if(cUndefined.begin(), cUndefined.end(), passedOver),
                     cUndefined.end());
    if (cUndefined.size() > cUndefined.capacity() / 2)
      cUndefined.reserve(2 * cUndefined.capacity());
  }

  const LibraryIndex cLibraries;
  InputNames& cNames;
  std::vector<uint8_t> cDefined;     // by name id: some input taken in defines it
  std::vector<uint32_t> cUndefined;  // first referenced while undefined, not yet looked up
  // Referenced, undefined, defined by a library: the names' ids in the order
  // of their texts. The keys are ids, not views, since the texts move when an
  // imported member's new names grow InputNames' block. Taking the smallest
  // name costs a step, not a scan of the pending names; guarded by
  // bench/zorvik_bench.sh.
  std::map<uint32_t, MemberPlace, ByText> cPending;
  std::vector<std::vector<bool>> cImported;  // per library, the members already taken
};

}  // namespace

int Linker::importLibraryMembers(std::string& /*message*/) {
  const int& tracing = traceLevelRef("Linker::importLibraryMembers");
  size_t strings = 0;
  for (const auto& coff : cCoff) strings += coff->cStringTbl.size();
  // Inputs share most names, so a third of their strings is room enough to
  // start with.
  cInputNames.clear();
  cInputNames.reserve(strings / 3, strings / 3 * 16);
  ImportState state(cArchives, cInputNames);
  for (const auto& coff : cCoff) state.add(*coff);
  while (!state.done()) {
    const auto [symbol, place] = state.next();
    if (!state.firstImport(place)) continue;
    // The library gives the member away whole: nothing else asks for it.
    Archive& library = *cArchives[place.library];
    std::unique_ptr<Coff> member = library.takeMember(place.member);
    ZV_ASSERT(member != nullptr);
    if (!acceptable(*member, "Linker::importLibraryMembers()")) return 0;
    if (tracing) {
      std::cout << "Linker::importLibraryMembers() - imported library '" << library.cName
                << "', member '" << member->cCoffName << "' for symbol '" << symbol << "'." << '\n';
    }
    state.add(*member);
    cCoff.push_back(std::move(member));
  }
  // The merge reads the names by id; the map from texts is no longer needed.
  cInputNames.dropMap();
  return 1;
}

// --- Processors ------------------------------------------------------------------

namespace {

// Inputs built for a whole family rather than one processor carry this flag.
constexpr uint16_t kFamilyObject = 0x8000;

bool isFamilyObject(const Coff& coff) { return (coff.cFileHdr.f_flags & kFamilyObject) != 0; }

}  // namespace

int Linker::checkProcessors(std::string& message) {
  // The reference is the first input built for one processor, or the first
  // input when all of them are family objects.
  for (size_t i = 0; i < cCoff.size(); ++i) {
    const Coff& coff = *cCoff[i];
    uint32_t id = coff.cOptHdr.proc_type;
    if (!isKnownProcType(id)) {
      message = "Unsupported processor type in file '" + coff.cCoffName + "'";
      return 0;
    }
    if (i == 0 || !isFamilyObject(coff)) {
      cProcessor = procTypeToProcessor(id);
      cFamily = processorFamily(cProcessor);
      cRomWidthBits = static_cast<uint16_t>(romWidthBits(cProcessor));
      cRamWidthBits = static_cast<uint16_t>(ramWidthBits(cProcessor));
    }
    if (!isFamilyObject(coff)) break;
  }
  for (const auto& coff : cCoff) {
    uint32_t id = coff->cOptHdr.proc_type;
    if (!isKnownProcType(id)) {
      message = "Unsupported processor type in file '" + coff->cCoffName + "'";
      return 0;
    }
    ProcessorType processor = procTypeToProcessor(id);
    bool agrees = isFamilyObject(*coff) ? processorFamily(processor) == cFamily
                                        : processor == cProcessor;
    if (!agrees) {
      message = "processor types do not agree across all input files.";
      return 0;
    }
  }
  for (Memory& memory : cCodePage) memory.setWidthBits(cRomWidthBits);
  for (std::list<Memory>* banks : {&cDataBanks, &cShareBanks, &cAccessBanks})
    for (Memory& memory : *banks) memory.setWidthBits(cRamWidthBits);
  return 1;
}

// --- Sections ----------------------------------------------------------------------

// The most fill sections this link can make: none without a FILL; else one
// per free stretch, and each section placed in a filled page adds at most one
// stretch to the one the page starts with. The sections in program memory are
// at most the inputs' sections, a ROM image for each, and the init table.
uint64_t Linker::mostFillSections() const {
  uint64_t filled = 0, sections = 0;
  for (const Memory& page : cCodePage) filled += page.hasFill() ? 1 : 0;
  if (filled == 0) return 0;
  for (const auto& coff : cCoff) sections += coff->cScnNum.size();
  return filled + 2 * sections + 1;
}

int Linker::checkSectionConsistency(std::string& message) {
  const uint64_t mostFills = mostFillSections();
  for (const auto& coff : cCoff) {
    const std::string& file = coff->cCoffName;
    for (const auto& entry : coff->cScnNum) {
      const std::string& name = entry.second;
      const scnhdr& hdr = coff->cScnHdr.at(name);
      const bool seen = cScnSize.find(name) != cScnSize.end();
      // A name that one of this link's fill sections may take is the linker's.
      if (!seen && isFillName(name, mostFills)) {
        message = reservedNameMessage(name, file);
        return 0;
      }
      bool ok = seen ? mergeSection(name, hdr, file, message)
                     : recordSection(name, hdr, file, message);
      if (!ok) return 0;
    }
  }
  // The ROM image of an initialised-data section takes its name with "_i".
  for (const auto& [name, type] : cScnType) {
    if (type != SCNTYPE_IDATA || !cScnType.count(romImageName(name))) continue;
    message = reservedNameMessage(romImageName(name), firstFileWith(romImageName(name)));
    return 0;
  }
  return 1;
}

// The name of the first input that has a section of that name.
const std::string& Linker::firstFileWith(const std::string& section) const {
  for (const auto& coff : cCoff)
    for (const auto& entry : coff->cScnNum)
      if (entry.second == section) return coff->cCoffName;
  static const std::string none;
  return none;
}

std::string Linker::reservedNameMessage(const std::string& section, const std::string& file) {
  return "section '" + section + "' in file '" + file +
         "' has a name that the linker reserves for a section of its own.";
}

// The first occurrence of a section name in the link.
int Linker::recordSection(const std::string& name, const scnhdr& hdr, const std::string& file,
                          std::string& message) {
  // Memories tell a placed section from a free stretch by its name.
  if (name.empty()) {
    message = "a section of file '" + file + "' has an empty name.";
    return 0;
  }
  if (name == cCinitScnName || (cHasStackDesc && name == cStackScnName)) {
    message = reservedNameMessage(name, file);
    return 0;
  }
  setLast(cScnSize, name, hdr.s_size);
  uint8_t type = static_cast<uint8_t>(scnType(hdr));
  if (type == SCNTYPE_UNKNOWN) {
    message = "unknown section type for '" + name + "' in file '" + file + "'.";
    return 0;
  }
  setLast(cScnType, name, type);
  setLast(cScnAbs, name, int(scnIsAbs(hdr)));
  setLast(cScnShare, name, int(scnIsShare(hdr)));
  setLast(cScnAccess, name, int(scnIsAccess(hdr)));
  if (scnIsAbs(hdr)) {
    setLast(cScnAbsStart, name, hdr.s_paddr);
    setLast(cScnAbsSize, name, hdr.s_size);
  }
  setLast(cScnOverlay, name, int(scnIsOverlay(hdr)));
  return 1;
}

// A further occurrence: it must agree with the first, and adds to the size.
int Linker::mergeSection(const std::string& name, const scnhdr& hdr, const std::string& file,
                         std::string& message) {
  if (scnIsOverlay(hdr) != (cScnOverlay[name] != 0)) {
    message = "section overlay types for '" + name + "' do not match across input files.";
    return 0;
  }
  if (scnIsOverlay(hdr)) {
    if (!mergeOverlaySection(name, hdr, message)) return 0;
  } else if (!appendSectionPart(name, hdr, file, message)) {
    return 0;
  }
  if (scnType(hdr) != cScnType[name]) {
    message = "section types for '" + name + "' do not match across input files.";
    return 0;
  }
  if (scnIsShare(hdr) != (cScnShare[name] != 0)) {
    message = "section share types for '" + name + "' do not match across input files.";
    return 0;
  }
  if (scnIsAccess(hdr) != (cScnAccess[name] != 0)) {
    message = "section access types for '" + name + "' do not match across input files.";
    return 0;
  }
  if (!scnIsOverlay(hdr) && (scnIsAbs(hdr) || cScnAbs[name])) {
    message = "section '" + name +
              "' type is non-overlay and absolute but occurs in more than one input file.";
    return 0;
  }
  return 1;
}

// Overlay parts share one place: the section is as large as its largest part.
int Linker::mergeOverlaySection(const std::string& name, const scnhdr& hdr, std::string& message) {
  cScnSize[name] = std::max(cScnSize[name], hdr.s_size);
  if (scnIsAbs(hdr) != (cScnAbs[name] != 0)) {
    message = "section absolute types for '" + name + "' do not match across input files.";
    return 0;
  }
  if (!scnIsAbs(hdr)) return 1;
  if (hdr.s_paddr != cScnAbsStart[name]) {
    message = "starting addresses for absolute overlay section '" + name +
              "' do not match across all input files.";
    return 0;
  }
  cScnAbsSize[name] = cScnSize[name];
  return 1;
}

// Other parts are laid end to end. In program memory of 2-byte locations each
// part starts on a location boundary, so an odd part before it counts with its
// padding byte. The total is held in 64 bits and must fit 32.
int Linker::appendSectionPart(const std::string& name, const scnhdr& hdr, const std::string& file,
                              std::string& message) {
  uint64_t total = cScnSize[name];
  uint8_t type = cScnType[name];
  uint64_t perLocation = (type == SCNTYPE_CODE || type == SCNTYPE_ROMDATA)
                             ? (cRomWidthBits + 7u) / 8u
                             : 1u;
  if (perLocation > 1) total = (total + perLocation - 1) / perLocation * perLocation;
  total += hdr.s_size;
  if (total > UINT32_MAX) {
    message = "total size of section '" + name + "' exceeds 0xffffffff bytes in file '" + file +
              "'.";
    return 0;
  }
  cScnSize[name] = static_cast<uint32_t>(total);
  return 1;
}

int Linker::checkMemoryAttributes(std::string& message) {
  for (const SectionDesc& desc : cSectionDesc) {
    std::string fault;
    auto it = cScnType.find(desc.getName());
    if (it == cScnType.end()) continue;
    const std::string prefix = "section '" + desc.getName() + "' contains ";
    const std::string suffix = " memory attribute specified in the linker command file.";
    bool hasRom = !desc.getLoadMemory().empty();
    bool hasRam = !desc.getRunMemory().empty();
    switch (it->second) {
      case SCNTYPE_CODE:
        if (hasRam) fault = prefix + "code and can not have a 'RAM'" + suffix;
        break;
      case SCNTYPE_IDATA:
        if (hasRom) fault = prefix + "initialized data and can not have a 'ROM'" + suffix;
        break;
      case SCNTYPE_UDATA:
        if (hasRom) fault = prefix + "uninitialized data and can not have a 'ROM'" + suffix;
        break;
      case SCNTYPE_ROMDATA:
        if (hasRam) fault = prefix + "initialized rom data and can not have a 'RAM'" + suffix;
        break;
      default: break;
    }
    if (!fault.empty()) {
      message = fault;
      return 0;
    }
  }
  return 1;
}
