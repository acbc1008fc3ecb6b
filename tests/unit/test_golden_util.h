// The golden files of the unit tests: a text compared with its file under tests/fixtures, or
// written there instead when QEL_UPDATE_GOLDEN is set.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "Files.h"

namespace qel::testing {

/// Compares Text with tests/fixtures/<Folder>/<Name>; QEL_UPDATE_GOLDEN=1 rewrites the file
/// instead.
inline void ExpectGoldenFile(const std::string& Folder, const std::string& Name,
                             const std::string& Text) {
  const std::string Path = std::string(QEL_FIXTURES_DIR) + "/" + Folder + "/" + Name;
  if (std::getenv("QEL_UPDATE_GOLDEN")) {
    std::ofstream(Path, std::ios::binary) << Text;
    return;
  }
  std::string Golden;  // stays empty when the file cannot be read
  ReadFileToString(Path, Golden);
  EXPECT_EQ(Text, Golden) << Path;
}

}  // namespace qel::testing
