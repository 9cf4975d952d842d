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
#include <memory>

#include "common/encoding.h"
#include "common/progress.h"

namespace liga::gui {
namespace {

constexpr qint64 kFlushIntervalMs = 33;  // about 30 repaints a second

// The window title of a message box: the program's name and, in Swedish, what kind of box
// it is. The core's own captions ("??", "info", "error") name the kind only, so they are
// replaced; any other caption is the box's own title.
QString titleFor(MessageKind kind, const std::string& caption) {
  if (!caption.empty() && caption != "??" && caption != "info" && caption != "error")
    return FromCp1252(caption);
  switch (kind) {
    case MessageKind::Question:
      return QString::fromUtf8("LigaWin32 – fråga");
    case MessageKind::Warning:
      return QString::fromUtf8("LigaWin32 – varning");
    case MessageKind::Information:
    case MessageKind::Status:
      return QStringLiteral("LigaWin32");
    case MessageKind::AbortRetryIgnore:
    case MessageKind::Error:
      break;
  }
  return QString::fromUtf8("LigaWin32 – fel");
}

QMessageBox::Icon iconFor(MessageKind kind) {
  switch (kind) {
    case MessageKind::Question:
      return QMessageBox::Question;
    case MessageKind::Warning:
      return QMessageBox::Warning;
    case MessageKind::Information:
    case MessageKind::Status:
      return QMessageBox::Information;
    case MessageKind::AbortRetryIgnore:
    case MessageKind::Error:
      break;
  }
  return QMessageBox::Critical;
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
  if (kind == MessageKind::Status) {
    setStatus(text);
    return Answer::Ok;
  }
  std::unique_ptr<QMessageBox> box = MakeMessageBox(m_main, kind, caption, text);
  box->exec();
  return AnswerOf(*box);
}

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* owner, MessageKind kind,
                                            const std::string& caption, const std::string& text) {
  auto box = std::make_unique<QMessageBox>(iconFor(kind), titleFor(kind, caption), FromCp1252(text),
                                           QMessageBox::NoButton, owner);
  box->setObjectName(QStringLiteral("messageBox"));
  // Long texts (paths above all) wrap instead of being cut; the box grows with them.
  box->setTextFormat(Qt::PlainText);
  auto add = [&box](const char* text, QMessageBox::ButtonRole role, Answer answer) {
    QPushButton* b = box->addButton(QString::fromUtf8(text), role);
    b->setProperty("answer", static_cast<int>(answer));
    return b;
  };
  switch (kind) {
    case MessageKind::Question: {
      QPushButton* yes = add("&Ja", QMessageBox::YesRole, Answer::Yes);
      QPushButton* no = add("&Nej", QMessageBox::NoRole, Answer::No);
      box->setDefaultButton(yes);
      box->setEscapeButton(no);
      break;
    }
    case MessageKind::AbortRetryIgnore: {
      QPushButton* abort = add("&Avbryt", QMessageBox::RejectRole, Answer::Abort);
      add("&Försök igen", QMessageBox::AcceptRole, Answer::Retry);
      add("&Ignorera", QMessageBox::DestructiveRole, Answer::Ignore);
      box->setDefaultButton(abort);
      box->setEscapeButton(abort);
      break;
    }
    default: {
      QPushButton* ok = add("OK", QMessageBox::AcceptRole, Answer::Ok);
      box->setDefaultButton(ok);
      box->setEscapeButton(ok);
      break;
    }
  }
  return box;
}

Answer AnswerOf(const QMessageBox& box) {
  const QAbstractButton* b = box.clickedButton();
  if (b == nullptr) return Answer::Cancel;
  return static_cast<Answer>(b->property("answer").toInt());
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
