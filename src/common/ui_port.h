// The user-interface port: how core code talks to the person at the screen.
//
// Core code never includes a toolkit. It shows messages, asks questions, posts the status
// line, drives progress windows and picks files only through this interface. The desktop
// front end implements it with Qt, the `liga` command with the terminal, the tests with
// `RecordingUi`. All texts crossing the port are code page 1252; front ends convert.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace liga {

enum class MessageKind {
  Status,            // no dialog: the text becomes the status message
  Question,          // Yes / No, caption "??"
  Warning,           // OK, caption "info"
  AbortRetryIgnore,  // Abort / Retry / Ignore, caption "error"
  Error,             // OK, caption "error"
  Information,       // OK, caption "info": a report of work done, nothing went wrong
};

enum class Answer { Ok, Cancel, Yes, No, Abort, Retry, Ignore };

class UiPort {
 public:
  virtual ~UiPort() = default;

  // Shows `text` as a dialog of `kind` with `caption`; returns the button pressed.
  // Status messages are not given here (see setStatus).
  virtual Answer showMessage(MessageKind kind, const std::string& caption,
                             const std::string& text) = 0;
  // The main window's message line.
  virtual void setStatus(const std::string& text) = 0;

  // Progress windows, stacked: `depth` 0 is the first (bottom) window, at most 4.
  // Row 0 is the heading row; rows 1..8 are the text rows.
  virtual void progressOpened(int depth, const std::string& title, int lines, bool cancellable) = 0;
  virtual void progressRow(int depth, int row, const std::string& text) = 0;
  virtual void progressClosed(int depth) = 0;
  // Lets the interface process pending input (repaint, a press on "avbryt").
  virtual void processPendingInput() {}
  // Runs `task` on the user-interface thread; may be called from any thread. A front end
  // with an event loop queues it there. This default runs it at once on the calling
  // thread, which is the only thread a front end without an event loop has.
  virtual void postToUi(std::function<void()> task) { task(); }

  // File and folder pickers; nullopt when the person cancels. `filter` is a list of
  // patterns such as "*.lgw *.txt" (may be empty).
  virtual std::optional<std::string> pickOpenFile(const std::string& title,
                                                  const std::string& startPath,
                                                  const std::string& filter) = 0;
  virtual std::optional<std::string> pickSaveFile(const std::string& title,
                                                  const std::string& startPath,
                                                  const std::string& filter) = 0;
  virtual std::optional<std::string> pickFolder(const std::string& title,
                                                const std::string& startPath) = 0;

  // Shows a text of several lines in a window of its own (the import log).
  virtual void showText(const std::string& title, const std::vector<std::string>& lines) {
    (void)title;
    (void)lines;
  }

  // Input errors beep at 440 Hz for 100 ms.
  virtual void beep(int hertz = 440, int milliseconds = 100) = 0;
};

// The port the core uses. Until a front end installs its own, a silent port is active that
// answers every question No and every picker with nothing.
UiPort& Ui();
// Installs `port` (not owned; nullptr restores the silent port). Returns the previous one.
UiPort* SetUi(UiPort* port);

// Installs a port for the lifetime of a scope.
class ScopedUi {
 public:
  explicit ScopedUi(UiPort& port) : m_previous(SetUi(&port)) {}
  ~ScopedUi() { SetUi(m_previous); }
  ScopedUi(const ScopedUi&) = delete;
  ScopedUi& operator=(const ScopedUi&) = delete;

 private:
  UiPort* m_previous;
};

}  // namespace liga
