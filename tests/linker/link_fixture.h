// Shared set-up of the linker's phase tests: a Linker whose inputs are built in
// the test and pushed into cCoff, with memories declared through the command
// operations.
#ifndef ZV_TESTS_LINKER_LINK_FIXTURE_H
#define ZV_TESTS_LINKER_LINK_FIXTURE_H

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "CoffBuilder.h"
#include "ProcessorIds.h"
#include "linker.h"

// An object for `procType` with no sections yet.
inline CoffBuilder object(const std::string& name, uint32_t procType = kQuenby122) {
  CoffBuilder b(name);
  b.optionalHeader(procType, 16);
  return b;
}

// An object with one section of `size` bytes (zeros).
inline CoffBuilder objectWith(const std::string& name, const std::string& section, uint32_t flags,
                              uint32_t size, uint32_t paddr = 0, uint32_t procType = kQuenby122) {
  CoffBuilder b = object(name, procType);
  int scn = b.section(section, flags, paddr);
  b.zeros(scn, size);
  return b;
}

// A Linker with helpers to declare memories and add inputs; a table of cases
// makes one per case.
class LinkSetUp {
 public:
  void add(const CoffBuilder& b) { linker.cCoff.push_back(std::make_unique<Coff>(b.image())); }

  void codePage(const std::string& name, uint32_t start, uint32_t end, bool isProtected = false) {
    std::string message;
    ASSERT_TRUE(linker.addCodePage(Memory(name, start, end, rom, isProtected, false, ""), message))
        << message;
  }
  void dataBank(const std::string& name, uint32_t start, uint32_t end) {
    std::string message;
    ASSERT_TRUE(linker.addDataBank(Memory(name, start, end, ram, false, false, ""), message))
        << message;
  }
  void shareBank(const std::string& name, uint32_t start, uint32_t end) {
    std::string message;
    ASSERT_TRUE(linker.addShareBank(Memory(name, start, end, ram, false, false, ""), message))
        << message;
  }
  void accessBank(const std::string& name, uint32_t start, uint32_t end) {
    std::string message;
    ASSERT_TRUE(linker.addAccessBank(Memory(name, start, end, ram, false, false, ""), message))
        << message;
  }
  void section(const std::string& name, const std::string& rom, const std::string& ram) {
    std::string message;
    ASSERT_TRUE(linker.addSectionDesc(SectionDesc(name, rom, ram), message)) << message;
  }
  void stack(uint32_t size, const std::string& ram = "") {
    std::string message;
    ASSERT_TRUE(linker.setStackDesc(StackDesc(size, ram), message)) << message;
  }

  // The input checks that run before allocation; the message of the first
  // that fails, or empty.
  std::string check() {
    std::string message;
    if (!linker.checkProcessors(message) || !linker.checkSectionConsistency(message) ||
        !linker.checkMemoryAttributes(message))
      return message.empty() ? "(failed without a message)" : message;
    return "";
  }

  // The checks and the allocation: the first failure's message, or empty.
  std::string map() {
    std::string message = check();
    if (!message.empty()) return message;
    if (!linker.mapSections(message)) return message;
    return "";
  }

  // Where an allocated section lies, and in which memory.
  uint32_t startOf(const std::string& section) {
    auto it = linker.cScnMem.find(section);
    EXPECT_NE(it, linker.cScnMem.end()) << section;
    return it == linker.cScnMem.end() ? UINT32_MAX : it->second->getScnStart(section);
  }
  std::string memoryOf(const std::string& section) {
    auto it = linker.cScnMem.find(section);
    return it == linker.cScnMem.end() ? "" : it->second->getName();
  }
  uint64_t sizeOf(const std::string& section) {
    auto it = linker.cScnMem.find(section);
    EXPECT_NE(it, linker.cScnMem.end()) << section;
    return it == linker.cScnMem.end() ? 0 : it->second->getScnSize(section);
  }

  Linker linker;
};

class LinkFixture : public ::testing::Test, public LinkSetUp {};

#endif
