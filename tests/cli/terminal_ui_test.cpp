#include "cli/terminal_ui.h"

#include <gtest/gtest.h>

#include <sstream>

namespace liga::cli {
namespace {

TEST(TerminalUi, PresetAnswersAnswerEveryQuestion) {
  std::istringstream in;
  std::ostringstream err;
  TerminalUi yes(in, err, +1, false, false);
  EXPECT_EQ(yes.showMessage(MessageKind::Question, "??", "Ta bort?"), Answer::Yes);
  TerminalUi no(in, err, -1, false, false);
  EXPECT_EQ(no.showMessage(MessageKind::Question, "??", "Ta bort?"), Answer::No);
  EXPECT_FALSE(no.unansweredQuestion());
}

TEST(TerminalUi, WithoutTerminalAQuestionIsAnsweredNoAndReported) {
  std::istringstream in("j\n");
  std::ostringstream err;
  TerminalUi ui(in, err, 0, true, false);
  EXPECT_EQ(ui.showMessage(MessageKind::Question, "??", "Radera alla lag?"), Answer::No);
  EXPECT_TRUE(ui.unansweredQuestion());
  EXPECT_NE(err.str().find("Radera alla lag?"), std::string::npos);
  EXPECT_NE(err.str().find("--yes"), std::string::npos);
}

TEST(TerminalUi, OnATerminalTheQuestionIsAskedUntilAnswered) {
  std::istringstream in("kanske\nj\n");
  std::ostringstream err;
  TerminalUi ui(in, err, 0, false, true);
  EXPECT_EQ(ui.showMessage(MessageKind::Question, "??", "Forts\xE4tt?"), Answer::Yes);
  EXPECT_NE(err.str().find("Fortsätt? (j/n)"), std::string::npos);
  std::istringstream eof;
  TerminalUi closed(eof, err, 0, false, true);
  EXPECT_EQ(closed.showMessage(MessageKind::Question, "??", "x"), Answer::No);
}

TEST(TerminalUi, MessagesGoToStderrInUtf8) {
  std::istringstream in;
  std::ostringstream err;
  TerminalUi ui(in, err, 0, false, false);
  ui.setStatus("Filerna \xF6ppna....");  // status lines only when verbose
  ui.showMessage(MessageKind::Error, "error", "G\xE5r ej");
  EXPECT_EQ(err.str(), "fel: Går ej\n");
  ui.setVerbose(true);
  ui.setStatus("Filerna \xF6ppna....");
  EXPECT_EQ(err.str(), "fel: Går ej\nFilerna öppna....\n");
  std::ostringstream quietErr;
  TerminalUi quiet(in, quietErr, 0, true, false);
  quiet.setStatus("x");
  quiet.showMessage(MessageKind::Warning, "info", "y");
  EXPECT_EQ(quietErr.str(), "");
}

}  // namespace
}  // namespace liga::cli
