#pragma once

// Corpus tests say how many real files they went through: a line in the test's output, which
// CTest keeps (ctest -V, Testing/Temporary/LastTest.log), and the test's "corpus_files"
// property in gtest's XML. A missing corpus is a GTEST_SKIP, which CTest lists as skipped,
// so a run that checked nothing never looks like one that checked everything.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace lw::test {

inline void ReportCorpusFiles(int count, const std::string& what, const std::string& where) {
  std::printf("[ CORPUS   ] %d %s from %s\n", count, what.c_str(), where.c_str());
  std::fflush(stdout);
  ::testing::Test::RecordProperty("corpus_files", count);
}

}  // namespace lw::test
