// Undo and redo in the window.
//
// Every change the window makes is kept as a command on a QUndoStack: the bytes the data
// directory's files held before and after it (database/change_images.h). A command is cut
// when a dialog has stored one change (UndoMark, with the change's name) and when a window
// command ends; a command that changed nothing leaves no entry. Undo puts the "before" bytes
// back and redo the "after" bytes, each as one storage unit, and only when the files still
// hold exactly the other side: a change made elsewhere (another program, an editor, a
// command that is not recorded) makes undo refuse with a message and empties the history.
//
// A report or view that stores the places it computed joins the last change (its bytes are
// put back with it); when no change lies on top it becomes a change of its own. Files such
// commands write beside the record files (exports, PDFs: the data directory is where an
// export is offered first) are left out of the history and never touched by undo.
// Commands that replace whole competitions or data files (new competition, "indexbygg",
// "skapa nya", restore) and a change of competition or data directory empty the history.
// The history keeps at most kMaxCommands changes and kMaxBytes of images; beyond that the
// oldest are dropped (the newest is always kept) and undo stops where they were.
#pragma once

#include <QObject>
#include <QString>
#include <QUndoStack>
#include <functional>
#include <string>

#include "database/change_images.h"

class QAction;
class QWidget;

namespace liga {
class Database;
}

namespace liga::gui {

class UndoHistory : public QObject {
 public:
  enum class Kind {
    Change,   // a command that edits: what it changed can be undone
    Derived,  // reports and views: stored places join the last change
    Replace,  // replaces files wholesale: the history is emptied when it changed anything
  };
  static constexpr int kMaxCommands = 200;
  static constexpr std::size_t kMaxBytes = 64u << 20;

  UndoHistory(Database& db, QWidget* window);
  ~UndoHistory() override;

  QUndoStack& stack() { return m_stack; }
  // The bytes of images kept before the oldest changes are dropped (kMaxBytes by default).
  void setByteLimit(std::size_t bytes) { m_maxBytes = bytes; }
  QAction* undoAction() const { return m_undo; }
  QAction* redoAction() const { return m_redo; }

  // A window command starts and ends; nested commands are part of the outer one.
  void begin();
  void end(const QString& label, Kind kind);
  // A dialog stored one change: it becomes a command named `label`.
  void mark(const QString& label);
  void clear();

  void undo();
  void redo();
  // Called after an undo or redo put files back (the window reads its state again).
  std::function<void()> afterApply;
  // How a refusal or failure is shown (default: a warning box). Code page 1252 text.
  std::function<void(const std::string&)> showError;

  // The history of the window that is open, for the dialogs' UndoMark; null when none.
  static UndoHistory* current();

 private:
  // Records what changed since the last cut; true when it became or joined a command.
  bool cut(const QString& label, Kind kind);
  void apply(bool undo);
  void trim();
  void updateActions();
  std::string key() const;

  Database& m_db;
  QUndoStack m_stack;
  QAction* m_undo = nullptr;
  QAction* m_redo = nullptr;
  int m_depth = 0;
  std::string m_key;  // data directory and competition the history belongs to
  DirSnapshot m_last;
  bool m_tracking = false;
  bool m_marked = false;
  std::size_t m_maxBytes = kMaxBytes;  // the running command's dialog cut a change
};

// Cuts a command named `label` in the window's history (nothing when no window is open).
void UndoMark(const QString& label);

}  // namespace liga::gui
