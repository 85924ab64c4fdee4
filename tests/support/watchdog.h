// A hung test names itself: every test gets a time limit, and a test still
// running past it ends the whole test program with a non-zero code after
// printing its full name. Without it a hang costs CTest's whole timeout
// before anyone learns which test it was.
#pragma once

namespace orvo::test {

// The limit a test gets unless it asks for more.
constexpr int kDefaultTestSeconds = 60;

// Installs the watchdog as a listener of every test; call once, after
// testing::InitGoogleTest. What runs before the first test and after each
// one (set-up, tear-down, the program's end) is watched too.
void InstallTestWatchdog();
// The test that runs now may take this long in all; for the few that record
// or load for minutes by design. Call it first thing in the test.
void AllowTestSeconds(int seconds);

}  // namespace orvo::test
