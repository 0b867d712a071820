#include "frame/program.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/virtual_console.h"
#include "support/temp_dir.h"

namespace frame {
namespace {

TEST(Program, StartsInTheRootHidesTheCursorAndEndsWithZero) {
  testing_support::TempDir root;
  platform::MapEnvironment env;
  env.Set("KAVROOT", root.Prefix());
  platform::VirtualConsole console;
  platform::FakeTimer timer;
  const auto here = std::filesystem::current_path();
  Program program(console, env, timer);
  EXPECT_EQ(program.Run(), 0);
  EXPECT_EQ(std::filesystem::current_path(), std::filesystem::canonical(root.path()));
  std::filesystem::current_path(here);
  EXPECT_EQ(console.CursorSize(), 0);
  EXPECT_EQ(program.ProgramCode(), "ZCONCTAB");
}

TEST(ProgramDeathTest, InputEndingEndsTheProgramWithZero) {
  platform::MapEnvironment env;
  platform::VirtualConsole console;
  platform::FakeTimer timer;
  Program program(console, env, timer);
  bool restored = false;
  program.restoreConsole = [&] { restored = true; };
  console.SetEndHandler([&] { program.EndNow(); });
  EXPECT_EXIT(
      {
        console.WaitEvent();
        std::exit(restored ? 3 : 4);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace frame
