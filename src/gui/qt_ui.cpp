#include "gui/qt_ui.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/encoding.h"
#include "common/progress.h"

namespace liga::gui {
namespace {

constexpr qint64 kFlushIntervalMs = 33;  // about 30 repaints a second

const char* defaultCaption(MessageKind kind) {
  switch (kind) {
    case MessageKind::Question:
      return "??";
    case MessageKind::Warning:
      return "info";
    default:
      return "error";
  }
}

Answer scriptedDefault(MessageKind kind) {
  switch (kind) {
    case MessageKind::Question:
      return Answer::No;
    case MessageKind::AbortRetryIgnore:
      return Answer::Abort;
    default:
      return Answer::Ok;
  }
}

QString startDir(const std::string& startPath) {
  return FromCp1252(startPath);
}

}  // namespace

QString FromCp1252(const std::string& text) {
  return QString::fromStdString(Cp1252ToUtf8(text));
}

std::string ToCp1252(const QString& text) {
  return Utf8ToCp1252(text.toStdString());
}

QString QtFilter(const std::string& patterns) {
  if (patterns.empty()) return QString();
  const QString p = QString::fromStdString(patterns);
  return p + QStringLiteral(" (") + p + QStringLiteral(");;alla (*)");
}

// ---------------------------------------------------------------------------------------

ProgressWindow::ProgressWindow(QWidget* parent, const QString& title, bool cancellable)
    : QWidget(parent, Qt::Tool) {
  setObjectName(QStringLiteral("progressWindow"));
  setWindowTitle(title);
  setAttribute(Qt::WA_DeleteOnClose, false);
  auto* layout = new QVBoxLayout(this);
  for (int r = 0; r < 9; ++r) {
    m_rows[r] = new QLabel(this);
    m_rows[r]->setObjectName(QStringLiteral("row%1").arg(r));
    m_rows[r]->setMinimumWidth(420);
    m_rows[r]->setTextFormat(Qt::PlainText);
    layout->addWidget(m_rows[r]);
  }
  m_rows[0]->setText(title);
  QFont bold = m_rows[0]->font();
  bold.setBold(true);
  m_rows[0]->setFont(bold);
  if (cancellable) {
    m_cancel = new QPushButton(QStringLiteral("avbryt"), this);
    m_cancel->setObjectName(QStringLiteral("avbryt"));
    QObject::connect(m_cancel, &QPushButton::clicked, [] { CancelProgress(); });
    layout->addWidget(m_cancel, 0, Qt::AlignRight);
  }
}

void ProgressWindow::setRow(int row, const QString& text) {
  if (row < 0 || row > 8) return;
  m_pending[row] = text;
  m_changed[row] = true;
}

void ProgressWindow::flush() {
  for (int r = 0; r < 9; ++r) {
    if (!m_changed[r]) continue;
    m_rows[r]->setText(m_pending[r]);
    m_changed[r] = false;
  }
}

QString ProgressWindow::rowText(int row) const {
  if (row < 0 || row > 8) return QString();
  return m_changed[row] ? m_pending[row] : m_rows[row]->text();
}

// ---------------------------------------------------------------------------------------

QtUi::QtUi() {
  m_sinceFlush.start();
}

QtUi::~QtUi() {
  for (auto& w : m_progress) delete w.data();
  if (m_busy) QApplication::restoreOverrideCursor();
}

Answer QtUi::showMessage(MessageKind kind, const std::string& caption, const std::string& text) {
  shown.push_back({kind, caption, text});
  if (m_scripted) {
    if (!m_answers.empty()) {
      const Answer a = m_answers.front();
      m_answers.pop_front();
      return a;
    }
    return scriptedDefault(kind);
  }
  const QString title = FromCp1252(caption.empty() ? defaultCaption(kind) : caption);
  const QString body = FromCp1252(text);
  QWidget* owner = m_main;
  switch (kind) {
    case MessageKind::Status:
      setStatus(text);
      return Answer::Ok;
    case MessageKind::Question:
      return QMessageBox::question(owner, title, body, QMessageBox::Yes | QMessageBox::No,
                                   QMessageBox::Yes) == QMessageBox::Yes
                 ? Answer::Yes
                 : Answer::No;
    case MessageKind::Warning:
      QMessageBox::warning(owner, title, body);
      return Answer::Ok;
    case MessageKind::AbortRetryIgnore: {
      const auto b = QMessageBox::critical(
          owner, title, body, QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore);
      if (b == QMessageBox::Retry) return Answer::Retry;
      if (b == QMessageBox::Ignore) return Answer::Ignore;
      return Answer::Abort;
    }
    case MessageKind::Error:
      QMessageBox::critical(owner, title, body);
      return Answer::Ok;
  }
  return Answer::Ok;
}

void QtUi::setStatus(const std::string& text) {
  if (onStatus) onStatus(text);
}

void QtUi::progressOpened(int depth, const std::string& title, int, bool cancellable) {
  if (depth < 0 || depth >= static_cast<int>(m_progress.size())) return;
  delete m_progress[depth].data();
  auto* w = new ProgressWindow(nullptr, FromCp1252(title), cancellable);
  m_progress[depth] = w;
  if (!m_busy) {
    m_busy = true;
    if (m_main) m_main->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
  }
  if (m_main) {
    const QPoint c = m_main->geometry().center();
    w->adjustSize();
    w->move(c.x() - w->width() / 2 + 24 * depth, c.y() - w->height() / 2 + 24 * depth);
  }
  w->show();
  // A new window is shown at once, whatever the throttle: openings are few.
  flushProgress();
  QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

void QtUi::progressRow(int depth, int row, const std::string& text) {
  ProgressWindow* w = progressWindow(depth);
  if (w == nullptr) return;
  w->setRow(row, FromCp1252(text));
  m_dirty = true;
}

void QtUi::progressClosed(int depth) {
  if (depth < 0 || depth >= static_cast<int>(m_progress.size())) return;
  delete m_progress[depth].data();
  m_progress[depth] = nullptr;
  bool anyOpen = false;
  for (auto& w : m_progress) anyOpen = anyOpen || w;
  if (!anyOpen && m_busy) {
    m_busy = false;
    if (m_main) m_main->setEnabled(true);
    QApplication::restoreOverrideCursor();
  }
}

void QtUi::flushProgress() {
  for (auto& w : m_progress) {
    if (w) w->flush();
  }
  m_dirty = false;
  ++m_flushes;
  m_sinceFlush.restart();
}

void QtUi::processPendingInput() {
  if (m_scripted && onPendingInput) onPendingInput();
  // The screen and the event loop are visited at most every kFlushIntervalMs; between
  // visits an update costs a string copy.
  if (m_sinceFlush.elapsed() < kFlushIntervalMs) return;
  if (m_dirty) flushProgress();
  m_sinceFlush.restart();
  QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

ProgressWindow* QtUi::progressWindow(int depth) const {
  if (depth < 0 || depth >= static_cast<int>(m_progress.size())) return nullptr;
  return m_progress[depth].data();
}

std::optional<std::string> QtUi::nextPick() {
  if (m_picks.empty()) return std::nullopt;
  auto p = m_picks.front();
  m_picks.pop_front();
  return p;
}

std::optional<std::string> QtUi::pickOpenFile(const std::string& title,
                                              const std::string& startPath,
                                              const std::string& filter) {
  if (m_scripted) return nextPick();
  const QString f = QFileDialog::getOpenFileName(m_main, FromCp1252(title), startDir(startPath),
                                                 QtFilter(filter));
  if (f.isEmpty()) return std::nullopt;
  return f.toStdString();
}

std::optional<std::string> QtUi::pickSaveFile(const std::string& title,
                                              const std::string& startPath,
                                              const std::string& filter) {
  if (m_scripted) return nextPick();
  const QString f =
      QFileDialog::getSaveFileName(m_main, FromCp1252(title), startDir(startPath), QtFilter(filter),
                                   nullptr, QFileDialog::DontConfirmOverwrite);
  if (f.isEmpty()) return std::nullopt;
  return f.toStdString();
}

std::vector<std::string> QtUi::pickOpenFiles(const std::string& title, const std::string& startPath,
                                             const std::string& filter) {
  std::vector<std::string> out;
  if (m_scripted) {
    while (auto p = nextPick()) out.push_back(*p);
    return out;
  }
  const QStringList files = QFileDialog::getOpenFileNames(m_main, FromCp1252(title),
                                                          startDir(startPath), QtFilter(filter));
  for (const QString& f : files) out.push_back(f.toStdString());
  return out;
}

std::optional<std::string> QtUi::pickFolder(const std::string& title,
                                            const std::string& startPath) {
  if (m_scripted) return nextPick();
  // A start folder that does not exist is replaced by none.
  QString start = startDir(startPath);
  if (!start.isEmpty() && !QFileInfo(start).isDir()) start.clear();
  const QString f = QFileDialog::getExistingDirectory(m_main, FromCp1252(title), start);
  if (f.isEmpty()) return std::nullopt;
  return f.toStdString();
}

void QtUi::showText(const std::string& title, const std::vector<std::string>& lines) {
  texts.push_back(lines);
  if (m_scripted) return;
  QDialog dialog(m_main);
  dialog.setObjectName(QStringLiteral("importlogg"));
  dialog.setWindowTitle(FromCp1252(title));
  auto* layout = new QVBoxLayout(&dialog);
  auto* view = new QPlainTextEdit(&dialog);
  view->setReadOnly(true);
  view->setLineWrapMode(QPlainTextEdit::NoWrap);
  QStringList text;
  for (const auto& l : lines) text << FromCp1252(l);
  view->setPlainText(text.join(QLatin1Char('\n')));
  layout->addWidget(view);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  layout->addWidget(buttons);
  dialog.resize(640, 420);
  dialog.exec();
}

void QtUi::beep(int, int) {
  ++beeps;
  if (!m_scripted) QApplication::beep();
}

// Queued on the application object, whose thread is the user-interface thread: a task
// posted from a background send runs there at the next turn of the event loop.
void QtUi::postToUi(std::function<void()> task) {
  QMetaObject::invokeMethod(qApp, std::move(task), Qt::QueuedConnection);
}

}  // namespace liga::gui
