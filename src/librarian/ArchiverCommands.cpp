// The five commands of the librarian, each on one library.
//
//   quandel /t lib.lib
//   Member: 'a.o'                      Size: 1024   Date: Thu Dec 10 10:20:55 2026
//   quandel /x lib.lib
//   Extracting member 'a.o'.
#include <cstdint>
#include <ctime>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "Archive.h"
#include "ArchiveReplacementFile.h"
#include "Archiver.h"
#include "Coff.h"
#include "LibraryLock.h"
#include "MemberName.h"
#include "OsPath.h"
#include "Reporter.h"
#include "SameFile.h"
#include "TextHelpers.h"
#include "Trace.h"

namespace {

// Reads an object file that is to become a member. Only a sound object with
// this system's optional header goes in: the reader has reported a missing
// one, the verifier every bad index.
std::unique_ptr<Coff> readObject(const std::string& typed) {
  std::unique_ptr<Coff> obj = Coff::make(typed);
  if (!obj || obj->cFileHdr.f_opthdr != kOptHdrSize || !obj->verify()) return nullptr;
  obj->cCoffName = memberName(typed);
  return obj;
}

// The first member of that name, or end.
std::vector<std::unique_ptr<Coff>>::iterator findMember(Archive& archive,
                                                        const std::string& typed) {
  std::string name = memberName(typed);
  auto it = archive.cMembers.begin();
  while (it != archive.cMembers.end() && (*it)->cCoffName != name) ++it;
  return it;
}

void notAMember(const char* origin, const std::string& typed, const std::string& library) {
  reportError(origin, "'" + typed + "' is not a member of library '" + library + "'.");
}

std::string padRight(std::string text, std::string::size_type width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

std::string listLine(const Coff& member) {
  return "Member: " + padRight("'" + member.cCoffName + "'", 25) +
         "  Size: " + padRight(std::to_string(member.size()), 6) +
         " Date: " + localTimeText(member.cFileHdr.f_timdat) + " \n";
}

// Extraction names the files after the members: a name that would leave the
// current directory, or reach it through a directory that is a symbolic link,
// is refused; so is one that leads to the library itself.
bool allExtractable(const std::vector<const Coff*>& chosen, const std::string& library) {
  bool ok = true;
  for (const Coff* m : chosen) {
    const std::string prefix = "Member '" + m->cCoffName + "' of library '" + library +
                               "' is not extracted: ";
    if (!isExtractableName(m->cCoffName) || passesThroughLink(m->cCoffName)) {
      reportError("Archiver::cmdExtract", prefix + "its name leaves the current directory.");
      ok = false;
    } else if (sameFile(m->cCoffName, library)) {
      reportError("Archiver::cmdExtract", prefix + "it would replace the library.");
      ok = false;
    }
  }
  return ok;
}

// An object file that is the library itself (through a link: the library is
// replaced where a symbolic link points) would be replaced by the new library.
bool sparesLibrary(const std::string& typed, const std::string& library, const char* origin) {
  if (!sameFile(typed, library)) return true;
  reportError(origin, "Object file '" + typed + "' is the library file '" + library +
                          "'; the input would be overwritten.");
  return false;
}

// Writes the member to the file of its name. The new file takes the place of
// the directory entry: a symbolic link of that name is replaced, never written
// through.
bool extract(const Coff& member) {
  const std::string& name = member.cCoffName;
  ReplacementFile file(osPath(name), ReplacementFile::Links::replace, ReplacementFile::Sync::none);
  if (!file.open()) {
    reportError("Coff::write()", "Could not open Coff file '" + name + "' for writing.");
    return false;
  }
  if (!member.write(file.stream(), 0)) return false;  // reported by the writer
  if (!file.commit()) {
    reportError("Coff::write()", "Coff file '" + name + "' could not write string.");
    return false;
  }
  return true;
}

// A command that changes the library holds it from its read to its replacement.
bool holdLibrary(LibraryLock& lock, const std::string& library, const char* origin) {
  if (lock.acquire()) return true;
  reportError(origin, "Could not lock library file '" + library + "'.");
  return false;
}

}  // namespace

bool Archiver::cmdCreate() {
  LibraryLock held(osPath(cArchive));
  if (!holdLibrary(held, cArchive, "Archiver::cmdCreate")) return false;
  // An existing library of that name is replaced without being read.
  Archive archive(cArchive);
  for (const std::string& typed : cMembers) {
    if (!sparesLibrary(typed, cArchive, "Archiver::cmdCreate")) return false;
    std::unique_ptr<Coff> obj = readObject(typed);
    if (!obj) return false;
    archive.cMembers.push_back(std::move(obj));
  }
  if (traceLevel("Archiver::cmdCreate")) archive.print(std::cout);
  if (!archive.makeSymbols()) return false;
  return archive.write() != 0;
}

bool Archiver::cmdList() {
  std::unique_ptr<Archive> archive = Archive::make(cArchive);
  if (!archive) return false;
  if (isQuiet()) return true;
  tzset();  // once, for every member's date
  for (const auto& m : archive->cMembers) std::cout << listLine(*m);
  return true;
}

bool Archiver::cmdDelete() {
  LibraryLock held(osPath(cArchive));
  if (!holdLibrary(held, cArchive, "Archiver::cmdDelete")) return false;
  std::unique_ptr<Archive> archive = Archive::make(cArchive);
  if (!archive) return false;
  bool allFound = true;
  for (const std::string& typed : cMembers) {
    auto it = findMember(*archive, typed);
    if (it == archive->cMembers.end()) {
      notAMember("Archiver::cmdDelete", typed, cArchive);
      allFound = false;
      continue;
    }
    archive->cMembers.erase(it);
  }
  if (!allFound || !archive->makeSymbols()) return false;
  return archive->write() != 0;
}

bool Archiver::cmdReplace() {
  LibraryLock held(osPath(cArchive));
  if (!holdLibrary(held, cArchive, "Archiver::cmdReplace")) return false;
  // The library must exist: /r does not create one.
  std::unique_ptr<Archive> archive = Archive::make(cArchive);
  if (!archive) return false;
  for (const std::string& typed : cMembers) {
    if (!sparesLibrary(typed, cArchive, "Archiver::cmdReplace")) return false;
    std::unique_ptr<Coff> obj = readObject(typed);
    if (!obj) return false;
    auto it = findMember(*archive, typed);
    if (it != archive->cMembers.end()) {
      *it = std::move(obj);  // keeps its place in the member order
    } else {
      archive->cMembers.push_back(std::move(obj));
    }
  }
  if (!archive->makeSymbols()) return false;
  return archive->write() != 0;
}

bool Archiver::cmdExtract() {
  std::unique_ptr<Archive> archive = Archive::make(cArchive);
  if (!archive) return false;
  // Every named member is looked up before anything is written.
  std::vector<const Coff*> chosen;
  bool allFound = true;
  if (cMembers.empty()) {
    for (const auto& m : archive->cMembers) chosen.push_back(m.get());
  }
  for (const std::string& typed : cMembers) {
    auto it = findMember(*archive, typed);
    if (it == archive->cMembers.end()) {
      notAMember("Archiver::cmdExtract", typed, cArchive);
      allFound = false;
    } else {
      chosen.push_back(it->get());
    }
  }
  if (!allFound || !allExtractable(chosen, cArchive)) return false;
  for (const Coff* m : chosen) {
    if (!isQuiet()) std::cout << "Extracting member '" << m->cCoffName << "'.\n";
    if (!extract(*m)) return false;
  }
  return true;
}
