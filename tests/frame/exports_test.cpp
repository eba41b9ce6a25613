// The export list and what the shared library really exports.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "support/harness.h"

namespace {

struct ExportList {
  std::vector<std::string> all, done;
};

ExportList read_export_list() {
  ExportList out;
  std::ifstream in(NMXJ_SOURCE_DIR "/src/frame/exports.inc");
  const std::regex line(R"(^NMX_(SLOT|TODO)\((\w+)\)\s*$)");
  std::string s;
  std::smatch m;
  while (std::getline(in, s)) {
    if (!std::regex_match(s, m, line)) continue;
    out.all.push_back(m[2]);
    if (m[1] == "SLOT") out.done.push_back(m[2]);
  }
  return out;
}

TEST(Exports, ListIsCompleteSortedAndUnique) {
  const ExportList list = read_export_list();
  // 308 exports, one of which (the version query) has no slot.
  EXPECT_EQ(list.all.size(), 307u);
  EXPECT_TRUE(std::is_sorted(list.all.begin(), list.all.end()));
  EXPECT_EQ(std::adjacent_find(list.all.begin(), list.all.end()), list.all.end());
}

TEST(Exports, SharedLibraryExportsExactlyTheImplementedNames) {
  const ExportList list = read_export_list();
  std::set<std::string> want(list.done.begin(), list.done.end());
  want.insert("nmxjGetLibVersion");

  const std::string cmd = std::string("nm -D --defined-only '") + NMXJ_SHARED_LIB + "'";
  FILE* p = popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::set<std::string> functions, others;
  char buf[1024];
  while (std::fgets(buf, sizeof buf, p)) {
    char type = 0;
    char name[900];
    if (std::sscanf(buf, "%*s %c %899s", &type, name) != 2) continue;
    if (type == 'T') functions.insert(name);
    else if (type != 'A' && type != 'w' && type != 'U') others.insert(name);
  }
  ASSERT_EQ(pclose(p), 0) << cmd;
  EXPECT_EQ(functions, want);
  EXPECT_TRUE(others.empty()) << "unexpected data symbol: " << *others.begin();
  // C linkage: no mangled names.
  for (const auto& f : functions) EXPECT_NE(f.rfind("_Z", 0), 0u) << f;
  std::printf("exports done: %zu of 308\n", list.done.size() + 1);
  RecordProperty("exports_done", static_cast<int>(list.done.size() + 1));
}

}  // namespace
