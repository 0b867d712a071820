#include "frame/program.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/virtual_console.h"
#include "support/temp_dir.h"

namespace frame {
namespace {

// A copy of the default installation root.
void PrepareRoot(const testing_support::TempDir& root) {
  std::filesystem::copy(std::string(ZC_SOURCE_DIR) + "/data/root", root.path(),
                        std::filesystem::copy_options::recursive);
  std::filesystem::create_directories(root.path() / "DADES");
}

TEST(Program, StartsInTheRootHidesTheCursorAndEndsWithZero) {
  testing_support::TempDir root;
  PrepareRoot(root);
  platform::MapEnvironment env;
  env.Set("KAVROOT", root.Prefix());
  platform::VirtualConsole console;
  console.PushKey(27);  // leave the grid at once
  platform::FakeTimer timer;
  const auto here = std::filesystem::current_path();
  Program program(console, env, timer);
  EXPECT_EQ(program.Run(), 0);
  EXPECT_EQ(std::filesystem::current_path(), std::filesystem::canonical(root.path()));
  std::filesystem::current_path(here);
  EXPECT_EQ(console.CursorSize(), 0);
  EXPECT_EQ(program.ProgramCode(), "ZCONCTAB");
  EXPECT_TRUE(std::filesystem::exists(root.path() / "DADES/TVRebut.dat"))
      << "the concept file is created from its template";
  EXPECT_EQ(program.recordFiles().Entry(40).fileNumber, 0) << "and released at the end";
}

TEST(Program, ABrokenFormIsReportedAndTouchesNoRecordFile) {
  testing_support::TempDir root;
  PrepareRoot(root);
  root.Write("FORMS/ZCONCTAB.KFM", "1,120\r\n");
  platform::MapEnvironment env;
  env.Set("KAVROOT", root.Prefix());
  platform::VirtualConsole console;
  console.PushKey(13);
  platform::FakeTimer timer;
  const auto here = std::filesystem::current_path();
  Program program(console, env, timer);
  EXPECT_EQ(program.Run(), 0);
  std::filesystem::current_path(here);
  EXPECT_EQ(console.beeps(), 1);
  EXPECT_EQ(console.PendingEvents(), 0u) << "the message waited for the key";
  EXPECT_FALSE(std::filesystem::exists(root.path() / "DADES/TVRebut.dat"));
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
