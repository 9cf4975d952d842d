// A scripted user-interface port for tests: it records everything shown and answers
// questions and pickers from queues the test fills.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/ui_port.h"

namespace liga {

class RecordingUi : public UiPort {
 public:
  struct Shown {
    MessageKind kind;
    std::string caption;
    std::string text;
  };

  // Answers given to the next dialogs in order; when the queue is empty a question is
  // answered `defaultAnswer` and any other dialog with its first button.
  std::deque<Answer> answers;
  Answer defaultAnswer = Answer::No;
  // Results of the next pickers in order; an empty queue means the person cancelled.
  std::deque<std::optional<std::string>> pickerResults;
  // Called on every processPendingInput (a test can press "avbryt" from here).
  std::function<void()> onPendingInput;

  std::vector<Shown> shown;           // dialogs, in order
  std::vector<std::string> statuses;  // status line texts, in order
  std::vector<std::string> progress;  // "open d title", "row d r text", "close d"
  int beeps = 0;
  std::vector<std::vector<std::string>> texts;  // showText windows, in order

  Answer showMessage(MessageKind kind, const std::string& caption,
                     const std::string& text) override;
  void setStatus(const std::string& text) override;
  void progressOpened(int depth, const std::string& title, int lines, bool cancellable) override;
  void progressRow(int depth, int row, const std::string& text) override;
  void progressClosed(int depth) override;
  void processPendingInput() override;
  std::optional<std::string> pickOpenFile(const std::string& title, const std::string& start,
                                          const std::string& filter) override;
  std::optional<std::string> pickSaveFile(const std::string& title, const std::string& start,
                                          const std::string& filter) override;
  std::optional<std::string> pickFolder(const std::string& title,
                                        const std::string& start) override;
  void beep(int hertz, int milliseconds) override;
  void showText(const std::string& title, const std::vector<std::string>& lines) override {
    (void)title;
    texts.push_back(lines);
  }

  // The text of the last dialog, or "" when none was shown.
  std::string lastText() const { return shown.empty() ? std::string() : shown.back().text; }

 private:
  std::optional<std::string> nextPick();
};

}  // namespace liga
