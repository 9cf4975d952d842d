#include "gui/undo_history.h"

#include <QAction>
#include <QKeySequence>
#include <QMessageBox>
#include <QUndoCommand>
#include <QWidget>

#include "common/encoding.h"
#include "database/database.h"
#include "gui/qt_ui.h"

namespace liga::gui {

namespace {

UndoHistory* g_current = nullptr;

// One change: the images of the change itself and of the places reports stored after it,
// composed into one set (when a part cannot be, it is put back after the others).
class ImageCommand : public QUndoCommand {
 public:
  ImageCommand(const QString& label, ChangeImages images) : QUndoCommand(label) {
    m_parts.push_back(std::move(images));
  }
  // One set of images when they compose (one storage unit for undo and redo), else a
  // second part put back after the first.
  void join(ChangeImages images) {
    if (m_parts.empty() || !m_parts.back().absorb(images)) m_parts.push_back(std::move(images));
  }
  std::size_t bytes() const {
    std::size_t n = 0;
    for (const ChangeImages& p : m_parts) n += p.bytes();
    return n;
  }
  bool dropped() const { return m_dropped; }
  void drop() {
    m_parts.clear();
    m_dropped = true;
  }
  bool ok() const { return m_error.empty(); }
  const std::string& error() const { return m_error; }

  // QUndoStack runs redo() when a command is pushed; the change is made already then.
  void redo() override {
    if (m_pushed) {
      m_pushed = false;
      return;
    }
    m_error.clear();
    for (const ChangeImages& p : m_parts) {
      if (!p.apply(ChangeImages::Side::After, &m_error)) return;
    }
  }
  void undo() override {
    m_error.clear();
    for (auto p = m_parts.rbegin(); p != m_parts.rend(); ++p) {
      if (!p->apply(ChangeImages::Side::Before, &m_error)) return;
    }
  }

 private:
  std::vector<ChangeImages> m_parts;
  bool m_pushed = true;
  bool m_dropped = false;
  std::string m_error;
};

ImageCommand* commandAt(const QUndoStack& stack, int i) {
  return static_cast<ImageCommand*>(const_cast<QUndoCommand*>(stack.command(i)));
}

}  // namespace

UndoHistory::UndoHistory(Database& db, QWidget* window) : QObject(window), m_db(db) {
  m_stack.setUndoLimit(kMaxCommands);
  m_undo = new QAction(this);
  m_undo->setObjectName(QStringLiteral("angra1"));
  m_undo->setShortcuts(QKeySequence::Undo);
  m_undo->setStatusTip(QString::fromUtf8("tar tillbaka den senaste ändringen"));
  m_redo = new QAction(this);
  m_redo->setObjectName(QStringLiteral("gorom1"));
  QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
  const QKeySequence ctrlShiftZ(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
  if (!redoKeys.contains(ctrlShiftZ)) redoKeys.prepend(ctrlShiftZ);
  m_redo->setShortcuts(redoKeys);
  m_redo->setStatusTip(QString::fromUtf8("gör om den senast ångrade ändringen"));
  for (QAction* a : {m_undo, m_redo}) {
    a->setShortcutContext(Qt::WindowShortcut);
    a->setToolTip(a->statusTip());
  }
  connect(m_undo, &QAction::triggered, this, [this] { undo(); });
  connect(m_redo, &QAction::triggered, this, [this] { redo(); });
  connect(&m_stack, &QUndoStack::indexChanged, this, [this] { updateActions(); });
  showError = [window](const std::string& text) {
    QMessageBox::warning(window, QString::fromUtf8("LigaWin32 – ångra"), FromCp1252(text));
  };
  g_current = this;
  updateActions();
}

UndoHistory::~UndoHistory() {
  if (g_current == this) g_current = nullptr;
}

UndoHistory* UndoHistory::current() {
  return g_current;
}

std::string UndoHistory::key() const {
  if (!m_db.catalogueAvailable()) return {};
  return m_db.dataDir() + "\n" +
         std::to_string(m_db.competitionOpen() ? m_db.currentCompetition() : 0);
}

void UndoHistory::begin() {
  if (m_depth++ > 0) return;
  const std::string k = key();
  if (k != m_key) {
    clear();
    m_key = k;
  }
  m_tracking = !k.empty();
  if (m_tracking) m_last = TakeSnapshot(m_db.dataDir());
}

void UndoHistory::end(const QString& label, Kind kind) {
  if (m_depth == 0 || --m_depth > 0) return;
  if (key() != m_key) {
    // Another competition or data directory: what was recorded belongs to the old one.
    clear();
    m_key = key();
  } else {
    // What the command writes after the changes its dialog named (the competition's counts
    // stored when the window is refreshed) belongs to the last of them.
    cut(label, m_marked && kind == Kind::Change ? Kind::Derived : kind);
  }
  m_marked = false;
  m_tracking = false;
  m_last = DirSnapshot{};
}

void UndoHistory::mark(const QString& label) {
  if (m_depth == 0 || key() != m_key) return;
  m_marked = cut(label, Kind::Change) || m_marked;
}

bool UndoHistory::cut(const QString& label, Kind kind) {
  if (!m_tracking) return false;
  DirSnapshot now = TakeSnapshot(m_db.dataDir());
  // A file that could not be read cannot be put back: nothing before it can be undone.
  if (!m_last.ok || !now.ok) {
    clear();
    m_last = std::move(now);
    return false;
  }
  ChangeImages change = ChangeImages::Between(m_db.dataDir(), m_last, now);
  m_last = std::move(now);
  if (kind == Kind::Derived) change.keepRecordFilesOnly();
  if (change.empty()) return false;
  if (kind == Kind::Replace) {
    clear();
    return false;
  }
  const int n = m_stack.count();
  if (kind == Kind::Derived && n > 0 && m_stack.index() == n &&
      !commandAt(m_stack, n - 1)->dropped()) {
    commandAt(m_stack, n - 1)->join(std::move(change));
  } else {
    m_stack.push(new ImageCommand(label, std::move(change)));
  }
  trim();
  updateActions();
  return true;
}

void UndoHistory::trim() {
  std::size_t total = 0;
  for (int i = 0; i < m_stack.count(); ++i) total += commandAt(m_stack, i)->bytes();
  for (int i = 0; i + 1 < m_stack.count() && total > m_maxBytes; ++i) {
    ImageCommand* c = commandAt(m_stack, i);
    if (c->dropped()) continue;
    total -= c->bytes();
    c->drop();
  }
}

void UndoHistory::clear() {
  m_stack.clear();
  updateActions();
}

void UndoHistory::apply(bool undo) {
  const int i = undo ? m_stack.index() - 1 : m_stack.index();
  if (i < 0 || i >= m_stack.count() || m_depth > 0) return;
  ImageCommand* c = commandAt(m_stack, i);
  if (c->dropped()) return;
  const QString label = c->text();
  if (undo) {
    m_stack.undo();
  } else {
    m_stack.redo();
  }
  // The competition record and the team order are read again from the files.
  if (m_db.competitionOpen()) (void)m_db.readCompetition(m_db.currentCompetition());
  m_db.setTeamIndexStale(true);
  const bool ok = c->ok();
  const std::string error = c->error();
  if (!ok) {
    clear();
    showError(Utf8ToCp1252((undo ? "Kan inte ångra \"" : "Kan inte göra om \"") +
                           label.toStdString() + "\": ") +
              error + Utf8ToCp1252(". Ångra-historiken töms."));
  }
  if (afterApply) afterApply();
}

void UndoHistory::undo() {
  apply(true);
}

void UndoHistory::redo() {
  apply(false);
}

void UndoHistory::updateActions() {
  const int i = m_stack.index();
  const bool canUndo = i > 0 && !commandAt(m_stack, i - 1)->dropped();
  const bool canRedo = i < m_stack.count();
  m_undo->setEnabled(canUndo);
  m_redo->setEnabled(canRedo);
  m_undo->setText(canUndo ? QString::fromUtf8("ångra: ") + m_stack.undoText()
                          : QString::fromUtf8("ångra (inget att ångra)"));
  m_redo->setText(canRedo ? QString::fromUtf8("gör om: ") + m_stack.redoText()
                          : QString::fromUtf8("gör om (inget att göra om)"));
}

void UndoMark(const QString& label) {
  if (UndoHistory* h = UndoHistory::current()) h->mark(label);
}

}  // namespace liga::gui
