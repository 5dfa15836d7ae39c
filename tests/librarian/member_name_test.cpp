// Member names: the separator mapping and the names extraction refuses.
#include <gtest/gtest.h>

#include "MemberName.h"

TEST(MemberNameTest, SlashesBecomeBackslashes) {
  EXPECT_EQ(memberName("a.o"), "a.o");
  EXPECT_EQ(memberName("obj/sub/a.o"), "obj\\sub\\a.o");
  EXPECT_EQ(memberName("obj\\a.o"), "obj\\a.o");
}

TEST(MemberNameTest, NamesAreCutAsAHeaderStoresThem) {
  const std::string longName = "d/" + std::string(300, 'f') + ".o";
  EXPECT_EQ(memberName(longName), "d\\" + std::string(253, 'f'));
  EXPECT_EQ(memberName(std::string(255, 'a')), std::string(255, 'a'));
}

TEST(MemberNameTest, ExtractableNamesStayBelowTheCurrentDirectory) {
  const struct {
    const char* name;
    bool ok;
  } cases[] = {
      {"a.o", true},     {"obj\\a.o", true},      {"obj/a.o", true},     {"..a.o", true},
      {"a..o", true},    {"x\\...\\a.o", true},   {"1:a.o", true},       {"\\a.o", false},
      {"/a.o", false},   {"c:a.o", false},        {"C:\\x\\a.o", false}, {"..\\a.o", false},
      {"../a.o", false}, {"obj\\..\\a.o", false}, {"obj/..", false},     {"..", false},
  };
  for (const auto& c : cases) EXPECT_EQ(isExtractableName(c.name), c.ok) << c.name;
}
