#include "app/single_instance.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace tollhaven {
namespace {

TEST(WindowsSingleInstance, TheNamedMutexIsClaimedOnceAndSeenByOthers) {
  ASSERT_TRUE(ClaimSingleInstance());
  // Another copy finds the mutex by its name and gives way.
  HANDLE seen = OpenMutexA(SYNCHRONIZE, FALSE, "TollhavenInstance");
  ASSERT_NE(seen, nullptr);
  CloseHandle(seen);
  EXPECT_FALSE(ClaimSingleInstance());
}

}  // namespace
}  // namespace tollhaven
