// Runs the built `liga` executable the way a script would.
#include <gtest/gtest.h>

#include <string>

#include "storage/isam_error.h"
#include "support/run_liga.h"

namespace {

using liga::testing::RunResult;

RunResult liga(const std::string& args) {
  return liga::testing::RunCommand(std::string(LIGA_BINARY) + " " + args);
}

TEST(LigaCommand, MsgPrintsCatalogueTextsInUtf8) {
  const std::string busy = std::to_string(liga::isam_error::kBusy);
  EXPECT_EQ(liga("msg " + busy).out, "Btree: errornr= " + busy + "\n");
  const RunResult unknown = liga("msg 12345");
  EXPECT_EQ(unknown.out, "fel: meddelande 12345 finns inte i katalogen\n");
  EXPECT_EQ(unknown.status, 1);
  EXPECT_EQ(liga("msg 325").out, "Filerna öppna....\n");
  EXPECT_EQ(liga("msg 325").status, 0);
}

TEST(LigaCommand, BadUsageExitsWithTwo) {
  EXPECT_EQ(liga("msg").status, 2);
  EXPECT_EQ(liga("msg abc").status, 2);
  EXPECT_EQ(liga("no-such-command").status, 2);
  EXPECT_EQ(liga("--data").status, 2);
}

TEST(LigaCommand, HelpIsTheDefaultAndListsCommands) {
  const RunResult r = liga("");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("msg N"), std::string::npos);
  EXPECT_NE(r.out.find("version"), std::string::npos);
  EXPECT_EQ(liga("--quiet help").out, r.out);
}

}  // namespace
