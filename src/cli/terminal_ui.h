// The user-interface port of the `liga` command: messages go to stderr in UTF-8, questions
// are answered by --yes / --no, asked on the terminal, or answered No when there is no
// terminal to ask on (and that is reported).
#pragma once

#include <iosfwd>

#include "common/ui_port.h"

namespace liga::cli {

class TerminalUi final : public UiPort {
 public:
  // answer: +1 answer every question Yes, -1 No, 0 ask on the terminal.
  TerminalUi(std::istream& in, std::ostream& err, int answer, bool quiet, bool interactive);

  Answer showMessage(MessageKind kind, const std::string& caption,
                     const std::string& text) override;
  void setStatus(const std::string& text) override;
  void progressOpened(int depth, const std::string& title, int lines, bool cancellable) override;
  void progressRow(int depth, int row, const std::string& text) override;
  void progressClosed(int depth) override;
  std::optional<std::string> pickOpenFile(const std::string& title, const std::string& start,
                                          const std::string& filter) override;
  std::optional<std::string> pickSaveFile(const std::string& title, const std::string& start,
                                          const std::string& filter) override;
  std::optional<std::string> pickFolder(const std::string& title,
                                        const std::string& start) override;
  void beep(int hertz, int milliseconds) override;
  // Texts (the import log) go to `out`.
  void showText(const std::string& title, const std::vector<std::string>& lines) override;
  void setOutput(std::ostream* out) { m_out = out; }

  // True when a question had to be answered No because nobody could be asked.
  bool unansweredQuestion() const { return m_unanswered; }
  // Status lines are shown only when verbose.
  void setVerbose(bool on) { m_verbose = on; }

 private:
  Answer ask(const std::string& text);

  std::istream& m_in;
  std::ostream& m_err;
  int m_answer;
  bool m_quiet;
  bool m_interactive;
  bool m_unanswered = false;
  bool m_verbose = false;
  std::ostream* m_out = nullptr;
};

}  // namespace liga::cli
