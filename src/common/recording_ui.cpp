#include "common/recording_ui.h"

namespace liga {

Answer RecordingUi::showMessage(MessageKind kind, const std::string& caption,
                                const std::string& text) {
  shown.push_back({kind, caption, text});
  if (!answers.empty()) {
    const Answer a = answers.front();
    answers.pop_front();
    return a;
  }
  switch (kind) {
    case MessageKind::Question:
      return defaultAnswer;
    case MessageKind::AbortRetryIgnore:
      return Answer::Abort;
    default:
      return Answer::Ok;
  }
}

void RecordingUi::setStatus(const std::string& text) {
  statuses.push_back(text);
}

void RecordingUi::progressOpened(int depth, const std::string& title, int, bool) {
  progress.push_back("open " + std::to_string(depth) + " " + title);
}

void RecordingUi::progressRow(int depth, int row, const std::string& text) {
  progress.push_back("row " + std::to_string(depth) + " " + std::to_string(row) + " " + text);
}

void RecordingUi::progressClosed(int depth) {
  progress.push_back("close " + std::to_string(depth));
}

void RecordingUi::processPendingInput() {
  if (onPendingInput) onPendingInput();
}

std::optional<std::string> RecordingUi::nextPick() {
  if (pickerResults.empty()) return std::nullopt;
  auto r = pickerResults.front();
  pickerResults.pop_front();
  return r;
}

std::optional<std::string> RecordingUi::pickOpenFile(const std::string&, const std::string&,
                                                     const std::string&) {
  return nextPick();
}
std::optional<std::string> RecordingUi::pickSaveFile(const std::string&, const std::string&,
                                                     const std::string&) {
  return nextPick();
}
std::optional<std::string> RecordingUi::pickFolder(const std::string&, const std::string&) {
  return nextPick();
}

void RecordingUi::beep(int, int) {
  ++beeps;
}

}  // namespace liga
