// The Qt side of the user-interface port: message boxes, the status line, the stacked
// progress windows, file and folder pickers, the text window and the beep.
//
// Texts arrive in code page 1252 and are converted to UTF-8 here, at the boundary.
//
// Guarantees:
//  1. While the first progress window is open the main window is disabled and the cursor is
//     busy; both are restored when the last one closes, also when windows close out of order.
//  2. Row updates are buffered; they reach the screen, and Qt processes pending input, at
//     most about 30 times a second, so a run with many thousand updates costs little. Every
//     update still checks for a press on "avbryt" before the loop goes on.
//  3. In scripted mode (tests) no modal loop ever runs: questions take the queued answers
//     (setNextAnswer), pickers the queued paths (setNextPick), and everything shown is
//     recorded. An empty queue answers as RecordingUi does: No for a question, the first
//     button for other boxes, cancel for pickers.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/ui_port.h"

class QDialog;
class QLabel;
class QMessageBox;
class QPushButton;

namespace liga::gui {

QString FromCp1252(const std::string& text);
std::string ToCp1252(const QString& text);

// The box a message of `kind` is shown in: a Swedish title that names the program ("LigaWin32
// – fel", never "error"), the icon of its kind (information, warning, question, error),
// Swedish buttons ("Ja", "Nej", "Avbryt", ...) and the whole text, wrapped. The caller runs
// it; AnswerOf tells which button was pressed (Cancel when the box was closed otherwise).
std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* owner, MessageKind kind,
                                            const std::string& caption, const std::string& text);
Answer AnswerOf(const QMessageBox& box);

// Converts a filter of patterns ("*.lgw *.txt") into a Qt name filter.
QString QtFilter(const std::string& patterns);

class ProgressWindow;

class QtUi : public UiPort {
 public:
  struct Shown {
    MessageKind kind;
    std::string caption;
    std::string text;
  };

  QtUi();
  ~QtUi() override;

  // The window that is disabled during progress and owns the dialogs.
  void setMainWindow(QWidget* window) { m_main = window; }
  // Receives every status text (code page 1252).
  std::function<void(const std::string&)> onStatus;

  // Scripted mode: no dialog is shown, answers come from the queues.
  void setScripted(bool on) { m_scripted = on; }
  bool scripted() const { return m_scripted; }
  void setNextAnswer(Answer a) { m_answers.push_back(a); }
  void setNextPick(std::optional<std::string> path) { m_picks.push_back(std::move(path)); }
  // Called on every processPendingInput in scripted mode (a test can press "avbryt").
  std::function<void()> onPendingInput;

  std::vector<Shown> shown;
  std::vector<std::vector<std::string>> texts;
  int beeps = 0;

  Answer showMessage(MessageKind kind, const std::string& caption,
                     const std::string& text) override;
  void setStatus(const std::string& text) override;
  void progressOpened(int depth, const std::string& title, int lines, bool cancellable) override;
  void progressRow(int depth, int row, const std::string& text) override;
  void progressClosed(int depth) override;
  void processPendingInput() override;
  std::optional<std::string> pickOpenFile(const std::string& title, const std::string& startPath,
                                          const std::string& filter) override;
  std::optional<std::string> pickSaveFile(const std::string& title, const std::string& startPath,
                                          const std::string& filter) override;
  std::optional<std::string> pickFolder(const std::string& title,
                                        const std::string& startPath) override;
  void showText(const std::string& title, const std::vector<std::string>& lines) override;
  void beep(int hertz = 440, int milliseconds = 100) override;
  // Queues `task` on the user-interface thread (a background mail send reports back so).
  void postToUi(std::function<void()> task) override;

  // The import's multi-file dialog; empty when cancelled. In scripted mode every queued
  // pick up to the first nullopt (or the end of the queue) is taken.
  std::vector<std::string> pickOpenFiles(const std::string& title, const std::string& startPath,
                                         const std::string& filter);

  // The progress window at `depth`, or null.
  ProgressWindow* progressWindow(int depth) const;
  // How many times the progress windows were brought to the screen (for the tests and the
  // benchmark of the throttling).
  int progressFlushes() const { return m_flushes; }

 private:
  std::optional<std::string> nextPick();
  void flushProgress();

  QPointer<QWidget> m_main;
  bool m_scripted = false;
  std::deque<Answer> m_answers;
  std::deque<std::optional<std::string>> m_picks;
  std::array<QPointer<ProgressWindow>, 4> m_progress;
  bool m_busy = false;
  QElapsedTimer m_sinceFlush;
  bool m_dirty = false;
  int m_flushes = 0;
};

// One progress window: a title, a heading row and 8 text rows, an optional "avbryt".
class ProgressWindow : public QWidget {
 public:
  ProgressWindow(QWidget* parent, const QString& title, bool cancellable);
  void setRow(int row, const QString& text);  // buffered until flush()
  void flush();
  QString rowText(int row) const;
  QPushButton* cancelButton() const { return m_cancel; }

 private:
  std::array<QLabel*, 9> m_rows{};
  std::array<QString, 9> m_pending;
  std::array<bool, 9> m_changed{};
  QPushButton* m_cancel = nullptr;
};

}  // namespace liga::gui
