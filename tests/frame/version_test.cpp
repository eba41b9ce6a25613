#include <cstring>

#include "nmxcore.h"
#include "nmxj.h"
#include "support/harness.h"

namespace {

TEST(Version, RecordFields) {
  const NmxVersionInfo* v = nmxjGetLibVersion();
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->major, 7);
  EXPECT_EQ(v->minor, 0);
  EXPECT_EQ(v->build, 205);
  EXPECT_EQ(v->buildCode, 1032);
  EXPECT_EQ(std::memcmp(v->targetCode, "y8\0\0", 4), 0);
  EXPECT_STREQ(v->versionText, "7.0 build 205.58");
  EXPECT_STREQ(v->buildDate, "Apr 18 2011");
  // The feature-128 answer of the core library picks the name.
  EXPECT_STREQ(v->name, ownGetFeature(128) ? "nmxjy8-7.0.dll+" : "nmxjy8-7.0.dll");
}

TEST(Version, SamePointerEveryCall) {
  const NmxVersionInfo* first = nmxjGetLibVersion();
  for (int i = 0; i < 10; ++i) EXPECT_EQ(nmxjGetLibVersion(), first);
}

}  // namespace
