// Runs a brief the way a user does, with the real RVClient program.
#pragma once

#include <gtest/gtest.h>
#include <string>

namespace rv::test
{

// Runs "RVClient --generate" on the brief file and sets `archive` to the path
// of the one archive the brief keeps afterwards. Fails with the program's
// output when it does not end with exit 0 and one kept archive.
testing::AssertionResult GenerateArchive(const std::string& briefPath, std::string& archive);

} // namespace rv::test
