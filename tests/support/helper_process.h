// The helper programs built beside the test programs (a recorder that is
// killed mid-take, one that arms a schedule and is killed while it waits).
#pragma once
#include <string>
#include <vector>

#include "base/scoped.h"

namespace orvo::test {

// Starts program (a file name beside this test program) with the arguments,
// each quoted; the process, or none when it could not start.
ScopedHandle StartHelper(const std::wstring& program, const std::vector<std::wstring>& arguments);

}  // namespace orvo::test
