#include "gui/form_send_email.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QThread>
#include <QVBoxLayout>
#include <ctime>

#include "common/encoding.h"
#include "common/ui_port.h"
#include "database/database.h"
#include "editing/pick.h"

namespace liga::gui {
namespace {

QString Q(const std::string& utf8) {
  return QString::fromStdString(utf8);
}
std::string S(const QString& text) {
  return text.toStdString();
}

QLineEdit* Edit(QWidget* parent, const char* name) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(QString::fromLatin1(name));
  return e;
}

QComboBox* Combo(QWidget* parent, const char* name, const QStringList& items) {
  auto* c = new QComboBox(parent);
  c->setObjectName(QString::fromLatin1(name));
  c->addItems(items);
  return c;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoDefault(false);
  return b;
}

// Runs `task` on the thread of `context` (at once when that is the calling thread); a
// task for a destroyed context is dropped.
template <typename F>
void OnUiThread(QObject* context, F task) {
  if (QThread::currentThread() == context->thread()) {
    task();
  } else {
    QMetaObject::invokeMethod(context, std::move(task), Qt::QueuedConnection);
  }
}

}  // namespace

namespace {
// The server part of the fields: what "Save Configuration" is for (the recipient is not).
mail::MailSettings serverPart(mail::MailSettings s) {
  s.to.clear();
  s.toName.clear();
  return s;
}
}  // namespace

TFormSendEmail::TFormSendEmail(Database& db, mail::TSendEmail& sender, QWidget* parent)
    : QDialog(parent), m_db(db), m_sender(sender), m_settingsPath(mail::DefaultMailSettingsPath()) {
  setObjectName(QStringLiteral("FormSendEmail"));
  setWindowTitle(QStringLiteral("SendEmail"));
  build();
  // The window opens on the first preset; the settings file is read only on request.
  ragLoadSettingsClick(0);
  m_savedServer = serverPart(fields());
}

TFormSendEmail::~TFormSendEmail() {
  m_sender.WaitAsync();
  m_sender.OnLog(nullptr, mail::lmNone);
  m_sender.OnWorkBegin(nullptr);
  m_sender.OnWork(nullptr);
  m_sender.OnWorkEnd(nullptr);
}

void TFormSendEmail::build() {
  auto* layout = new QVBoxLayout(this);
  m_pages = new QTabWidget(this);
  m_pages->setObjectName(QStringLiteral("PageControl"));
  m_pages->addTab(buildMessagePage(), QStringLiteral("Meddelande"));
  m_pages->addTab(buildServerPage(), QStringLiteral("Server"));
  m_pages->addTab(buildLogPage(), QStringLiteral("Logg"));
  layout->addWidget(m_pages, 1);
  m_progress = new QProgressBar(this);
  m_progress->setObjectName(QStringLiteral("ProgressBar"));
  m_progress->setRange(0, 1);
  m_progress->setValue(0);
  m_progress->setTextVisible(false);
  layout->addWidget(m_progress);
  layout->addWidget(buildButtons());
  resize(720, 560);
}

QWidget* TFormSendEmail::buildMessagePage() {
  auto* page = new QWidget(this);
  auto* grid = new QGridLayout(page);
  auto row = [&](int r, const QString& label, QLineEdit*& address, const char* name,
                 QLineEdit*& display, const char* displayName) {
    address = Edit(page, name);
    display = Edit(page, displayName);
    display->setPlaceholderText(QStringLiteral("Namn"));
    auto* l = new QLabel(label, page);
    l->setBuddy(address);
    grid->addWidget(l, r, 0);
    grid->addWidget(address, r, 1);
    grid->addWidget(display, r, 2);
  };
  row(0, QString::fromUtf8("&Från:"), m_from, "edtFrom", m_fromName, "edtFromName");
  row(1, QStringLiteral("&Till:"), m_to, "edtTo", m_toName, "edtToName");
  row(2, QStringLiteral("&Kopia (CC):"), m_cc, "edtCc", m_ccName, "edtCcName");
  row(3, QStringLiteral("&Dold kopia (BCC):"), m_bcc, "edtBcc", m_bccName, "edtBccName");
  m_subject = Edit(page, "edtSubject");
  auto* subject = new QLabel(QString::fromUtf8("Ä&mne:"), page);
  subject->setBuddy(m_subject);
  grid->addWidget(subject, 4, 0);
  grid->addWidget(m_subject, 4, 1, 1, 2);
  m_message = new QPlainTextEdit(page);
  m_message->setObjectName(QStringLiteral("mmMessage"));
  m_message->setTabChangesFocus(true);
  auto* message = new QLabel(QStringLiteral("M&eddelande:"), page);
  message->setBuddy(m_message);
  grid->addWidget(message, 5, 0, Qt::AlignTop);
  grid->addWidget(m_message, 5, 1, 1, 2);
  grid->setRowStretch(5, 2);

  m_priority =
      Combo(page, "cmbPriority",
            {QStringLiteral("mpHighest"), QStringLiteral("mpHigh"), QStringLiteral("mpNormal"),
             QStringLiteral("mpLow"), QStringLiteral("mpLowest")});
  m_priority->setCurrentIndex(2);
  auto* priority = new QLabel(QStringLiteral("&Prioritet:"), page);
  priority->setBuddy(m_priority);
  m_receipt = new QCheckBox(QStringLiteral("Request read confirmation"), page);
  m_receipt->setObjectName(QStringLiteral("chkReceiptRecipient"));
  auto* line = new QHBoxLayout;
  line->addWidget(m_priority);
  line->addWidget(m_receipt);
  line->addStretch(1);
  grid->addWidget(priority, 6, 0);
  grid->addLayout(line, 6, 1, 1, 2);

  buildAttachments(page, grid);
  grid->setColumnStretch(1, 3);
  grid->setColumnStretch(2, 2);
  return page;
}

void TFormSendEmail::buildAttachments(QWidget* page, QGridLayout* grid) {
  m_attachments = new QListWidget(page);
  m_attachments->setObjectName(QStringLiteral("lbAttachment"));
  auto* files = new QLabel(QStringLiteral("Bilagor:"), page);
  files->setBuddy(m_attachments);
  auto* buttons = new QVBoxLayout;
  QPushButton* add = Button(page, "btnAttachment", QStringLiteral("&Bilaga..."));
  QPushButton* inl = Button(page, "btnInline", QStringLiteral("&Infogad..."));
  QPushButton* remove = Button(page, "btnRemoveAttachment", QStringLiteral("Ta bort"));
  connect(add, &QPushButton::clicked, this, [this] { btnAttachmentClick(); });
  connect(inl, &QPushButton::clicked, this, [this] { btnInlineClick(); });
  connect(remove, &QPushButton::clicked, this, [this] { btnRemoveAttachmentClick(); });
  buttons->addWidget(add);
  buttons->addWidget(inl);
  buttons->addWidget(remove);
  buttons->addStretch(1);
  auto* attach = new QHBoxLayout;
  attach->addWidget(m_attachments, 1);
  attach->addLayout(buttons);
  grid->addWidget(files, 7, 0, Qt::AlignTop);
  grid->addLayout(attach, 7, 1, 1, 2);
  grid->setRowStretch(7, 1);
}

QWidget* TFormSendEmail::buildServerPage() {
  auto* page = new QWidget(this);
  auto* layout = new QVBoxLayout(page);
  auto* form = new QFormLayout;
  m_host = Edit(page, "edtHost");
  m_port = Edit(page, "edtPort");
  m_encrypted = Combo(page, "cmbEncrypted",
                      {QStringLiteral("None"), QStringLiteral("SSL"), QStringLiteral("TSL"),
                       QStringLiteral("SSL/TLS")});
  m_auth = Combo(page, "cmbAuth", {QStringLiteral("No"), QStringLiteral("Yes")});
  m_user = Edit(page, "edtUser");
  m_password = Edit(page, "edtPassword");
  m_password->setEchoMode(QLineEdit::Password);
  m_verify = new QCheckBox(QStringLiteral("Kontrollera serverns &certifikat"), page);
  m_verify->setObjectName(QStringLiteral("chkVerifyCertificate"));
  m_verify->setChecked(true);
  m_caFile = Edit(page, "edtCaFile");
  m_caFile->setPlaceholderText(QStringLiteral("endast systemets certifikat"));
  m_logMode = Combo(page, "cmbLogMode",
                    {QStringLiteral("tComponent"), QStringLiteral("tLib"), QStringLiteral("tAll"),
                     QStringLiteral("None")});
  m_logMode->setCurrentIndex(1);
  form->addRow(QStringLiteral("&Server:"), m_host);
  form->addRow(QStringLiteral("P&ort:"), m_port);
  form->addRow(QStringLiteral("&Kryptering:"), m_encrypted);
  form->addRow(QStringLiteral("&Inloggning:"), m_auth);
  form->addRow(QString::fromUtf8("&Användare:"), m_user);
  form->addRow(QString::fromUtf8("&Lösenord:"), m_password);
  m_clearTextWarning = new QLabel(page);
  m_clearTextWarning->setObjectName(QStringLiteral("lblClearTextPassword"));
  m_clearTextWarning->setWordWrap(true);
  m_clearTextWarning->setStyleSheet(QStringLiteral("color: #b00000"));
  m_clearTextWarning->setVisible(false);
  form->addRow(QString(), m_clearTextWarning);
  for (QComboBox* c : {m_encrypted, m_auth})
    connect(c, &QComboBox::currentIndexChanged, this, [this] { updateClearTextWarning(); });
  connect(m_password, &QLineEdit::textChanged, this, [this] { updateClearTextWarning(); });
  form->addRow(QString(), m_verify);
  form->addRow(QStringLiteral("Extra CA-&fil:"), m_caFile);
  form->addRow(QString::fromUtf8("Lo&ggläge:"), m_logMode);
  layout->addLayout(form);

  auto* group = new QGroupBox(QStringLiteral("Load Settings - Server SMTP"), page);
  group->setObjectName(QStringLiteral("ragLoadSettings"));
  auto* grid = new QGridLayout(group);
  for (int i = 0; i < mail::kServerPresets; ++i) {
    auto* b = new QRadioButton(QString::fromUtf8(mail::Preset(i).name), group);
    b->setObjectName(QStringLiteral("ragLoadSettings%1").arg(i));
    connect(b, &QRadioButton::clicked, this, [this, i] { ragLoadSettingsClick(i); });
    grid->addWidget(b, i % 3, i / 3);
    m_presets[static_cast<std::size_t>(i)] = b;
  }
  layout->addWidget(group);
  layout->addStretch(1);
  return page;
}

QWidget* TFormSendEmail::buildLogPage() {
  auto* page = new QWidget(this);
  auto* layout = new QVBoxLayout(page);
  m_log = new QPlainTextEdit(page);
  m_log->setObjectName(QStringLiteral("memoLog"));
  m_log->setReadOnly(true);
  m_log->setLineWrapMode(QPlainTextEdit::NoWrap);
  layout->addWidget(m_log);
  return page;
}

QWidget* TFormSendEmail::buildButtons() {
  auto* box = new QWidget(this);
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(0, 0, 0, 0);
  m_send = Button(box, "btnSend", QStringLiteral("Send"));
  m_send->setAutoDefault(true);
  m_send->setDefault(true);
  m_sendAsync = Button(box, "btnSendAsync", QStringLiteral("Send(Async)"));
  m_connect = Button(box, "btnConnect", QStringLiteral("Anslut"));
  m_disconnect = Button(box, "btnDisconnect", QStringLiteral("Koppla ner"));
  m_schedule = Button(box, "lagspelprogramBtn", QStringLiteral("lag-email-message"));
  m_maillist = Button(box, "maillistBtn", QStringLiteral("medlems-email-message"));
  QPushButton* save = Button(box, "btnSaveConfig", QStringLiteral("Save Configuration"));
  QPushButton* load = Button(box, "btnLoadConfig", QStringLiteral("Load Configuration"));
  QPushButton* close = Button(box, "btnClose", QString::fromUtf8("Stäng"));
  connect(m_send, &QPushButton::clicked, this, [this] { btnSendClick(); });
  connect(m_sendAsync, &QPushButton::clicked, this, [this] { btnSendAsyncClick(); });
  connect(m_connect, &QPushButton::clicked, this, [this] { btnConnectClick(); });
  connect(m_disconnect, &QPushButton::clicked, this, [this] { btnDisconnectClick(); });
  connect(m_schedule, &QPushButton::clicked, this, [this] { lagspelprogramBtnClick(); });
  connect(m_maillist, &QPushButton::clicked, this, [this] { maillistBtnClick(); });
  connect(save, &QPushButton::clicked, this, [this] { btnSaveClick(); });
  connect(load, &QPushButton::clicked, this, [this] { btnLoadClick(); });
  connect(close, &QPushButton::clicked, this, [this] { reject(); });
  grid->addWidget(m_schedule, 0, 0);
  grid->addWidget(m_maillist, 0, 1);
  grid->addWidget(save, 0, 3);
  grid->addWidget(load, 0, 4);
  grid->addWidget(m_connect, 1, 0);
  grid->addWidget(m_disconnect, 1, 1);
  grid->addWidget(m_sendAsync, 1, 3);
  grid->addWidget(m_send, 1, 4);
  grid->addWidget(close, 1, 5);
  grid->setColumnStretch(2, 1);
  const bool competition = m_db.competitionOpen();
  m_schedule->setEnabled(competition);
  m_maillist->setEnabled(competition);
  return box;
}

mail::MailSettings TFormSendEmail::fields() const {
  mail::MailSettings s;
  s.from = S(m_from->text());
  s.fromName = S(m_fromName->text());
  s.encrypted = m_encrypted->currentIndex();
  s.smtpHost = S(m_host->text());
  s.smtpPort = S(m_port->text());
  s.smtpAuth = m_auth->currentIndex();
  s.smtpUser = S(m_user->text());
  s.smtpPassword = S(m_password->text());
  s.readConfirmation = m_receipt->isChecked();
  s.typeLog = m_logMode->currentIndex();
  s.caFile = S(m_caFile->text());
  s.verifyCertificate = m_verify->isChecked();
  s.to = S(m_to->text());
  s.toName = S(m_toName->text());
  s.cc = S(m_cc->text());
  s.ccName = S(m_ccName->text());
  s.bcc = S(m_bcc->text());
  s.bccName = S(m_bccName->text());
  s.subject = S(m_subject->text());
  s.priority = m_priority->currentIndex();
  s.message = S(m_message->toPlainText());
  return s;
}

void TFormSendEmail::setFields(const mail::MailSettings& s) {
  auto index = [](QComboBox* c, int i) {
    if (i >= 0 && i < c->count()) c->setCurrentIndex(i);
  };
  m_from->setText(Q(s.from));
  m_fromName->setText(Q(s.fromName));
  index(m_encrypted, s.encrypted);
  m_host->setText(Q(s.smtpHost));
  m_port->setText(Q(s.smtpPort));
  index(m_auth, s.smtpAuth);
  m_user->setText(Q(s.smtpUser));
  m_password->setText(Q(s.smtpPassword));
  m_receipt->setChecked(s.readConfirmation);
  index(m_logMode, s.typeLog);
  m_caFile->setText(Q(s.caFile));
  m_verify->setChecked(s.verifyCertificate);
  m_to->setText(Q(s.to));
  m_toName->setText(Q(s.toName));
  m_cc->setText(Q(s.cc));
  m_ccName->setText(Q(s.ccName));
  m_bcc->setText(Q(s.bcc));
  m_bccName->setText(Q(s.bccName));
  m_subject->setText(Q(s.subject));
  index(m_priority, s.priority);
  m_message->setPlainText(Q(s.message));
}

mail::AttachmentLines TFormSendEmail::attachments() const {
  mail::AttachmentLines lines;
  for (int i = 0; i < m_attachments->count(); ++i)
    lines.push_back(S(m_attachments->item(i)->text()));
  return lines;
}

QStringList TFormSendEmail::logLines() const {
  QString text = m_log->toPlainText();
  return text.isEmpty() ? QStringList{} : text.split(QLatin1Char('\n'));
}

void TFormSendEmail::appendLog(const std::string& text) {
  const std::string line = mail::LogPageLine(std::time(nullptr), text);
  QPointer<QPlainTextEdit> log = m_log;
  OnUiThread(m_log, [log, line] {
    if (log) log->appendPlainText(Q(line));
  });
}

void TFormSendEmail::installHandlers() {
  QPointer<QProgressBar> bar = m_progress;
  m_sender.OnWorkBegin([bar](std::int64_t total) {
    OnUiThread(bar, [bar, total] {
      if (!bar) return;
      bar->setRange(0, static_cast<int>(std::min<std::int64_t>(total, INT32_MAX)));
      bar->setValue(0);
    });
  });
  m_sender.OnWork([bar](std::int64_t done) {
    OnUiThread(bar, [bar, done] {
      if (bar) bar->setValue(static_cast<int>(std::min<std::int64_t>(done, bar->maximum())));
    });
  });
  m_sender.OnWorkEnd([bar] {
    OnUiThread(bar, [bar] {
      if (bar) bar->setValue(bar->maximum());
    });
  });
}

void TFormSendEmail::prepare() {
  const mail::MailSettings f = fields();
  if (const std::string warning = mail::CleartextPasswordWarning(f); !warning.empty())
    appendLog(warning);
  mail::PrepareMessage(m_sender, f, attachments(),
                       [this](const std::string& text) { appendLog(text); });
  installHandlers();
}

void TFormSendEmail::updateClearTextWarning() {
  const std::string warning = mail::CleartextPasswordWarning(fields());
  m_clearTextWarning->setText(Q(warning));
  m_clearTextWarning->setVisible(!warning.empty());
}

void TFormSendEmail::showLogPage() {
  m_pages->setCurrentIndex(2);
}

void TFormSendEmail::setBusy(bool busy) {
  m_busy = busy;
  for (QPushButton* b : {m_send, m_sendAsync, m_connect, m_disconnect}) b->setEnabled(!busy);
  const bool competition = !busy && m_db.competitionOpen();
  m_schedule->setEnabled(competition);
  m_maillist->setEnabled(competition);
}

void TFormSendEmail::showError(const std::string& utf8) {
  Ui().showMessage(MessageKind::Error, "error", Utf8ToCp1252(utf8));
}

void TFormSendEmail::showInfo(const std::string& utf8) {
  Ui().showMessage(MessageKind::Warning, "info", Utf8ToCp1252(utf8));
}

void TFormSendEmail::btnSendClick() {
  if (m_busy) return;
  showLogPage();
  prepare();
  try {
    m_sender.Send(true);
  } catch (const std::exception& e) {
    showError(e.what());
  }
}

void TFormSendEmail::btnSendAsyncClick() {
  if (m_busy) return;
  showLogPage();
  prepare();
  setBusy(true);
  QPointer<TFormSendEmail> self = this;
  m_sender.SendAsync(
      [self](bool error, const std::string& message) {
        if (!self) return;
        self->setBusy(false);
        if (error)
          self->showError(message);
        else
          self->showInfo("Message sent!");
      },
      true);
}

void TFormSendEmail::btnConnectClick() {
  if (m_busy) return;
  showLogPage();
  prepare();
  try {
    m_sender.Connect();
  } catch (const std::exception& e) {
    showError(e.what());
  }
}

void TFormSendEmail::btnDisconnectClick() {
  if (m_busy) return;
  showLogPage();
  m_sender.Disconnect();
}

void TFormSendEmail::addAttachment(const char* kind) {
  const auto file = Ui().pickOpenFile(Utf8ToCp1252("Välj fil"), "", "*");
  if (!file || file->empty()) return;
  m_attachments->addItem(Q(std::string(kind) + "=" + *file));
  m_attachments->setCurrentRow(m_attachments->count() - 1);
}

void TFormSendEmail::btnAttachmentClick() {
  addAttachment("ATTACHMENTS");
}
void TFormSendEmail::btnInlineClick() {
  addAttachment("INLINE");
}
void TFormSendEmail::btnRemoveAttachmentClick() {
  delete m_attachments->takeItem(m_attachments->currentRow());
}

void TFormSendEmail::ragLoadSettingsClick(int preset) {
  mail::MailSettings s = fields();
  mail::ApplyPreset(s, preset);
  setFields(s);
  if (preset >= 0 && preset < mail::kServerPresets)
    m_presets[static_cast<std::size_t>(preset)]->setChecked(true);
}

bool TFormSendEmail::btnSaveClick() {
  std::string error;
  if (!mail::SaveMailSettings(m_settingsPath, fields(), &error)) {
    showError(error);
    return false;
  }
  m_savedServer = serverPart(fields());
  return true;
}

void TFormSendEmail::btnLoadClick() {
  mail::MailSettings s = fields();
  // A missing file loads nothing: every field keeps its value.
  if (mail::LoadMailSettings(m_settingsPath, s)) {
    setFields(s);
    m_savedServer = serverPart(fields());
  }
}

bool TFormSendEmail::confirmClose() {
  if (serverPart(fields()) == m_savedServer) return true;
  const std::string question = Utf8ToCp1252("Serverinställningarna är ändrade. Spara dem i \"" +
                                            m_settingsPath + "\" innan fönstret stängs?");
  if (Ui().showMessage(MessageKind::Question, "??", question) != Answer::Yes) return true;
  return btnSaveClick();
}

mail::MailRunOptions TFormSendEmail::teamRunOptions() {
  m_abort = false;
  mail::MailRunOptions options = runOptions;
  options.aborted = [this, outer = runOptions.aborted] {
    // The sends run on the user-interface thread; between messages the window takes input.
    Ui().processPendingInput();
    return m_abort || (outer && outer());
  };
  return options;
}

std::vector<std::int32_t> TFormSendEmail::chooseTeams(const char* title) {
  std::vector<std::int32_t> teams;
  TClubPick pick(m_db, true, true, 0, Utf8ToCp1252(title), true);
  if (!pick.OkExec()) return teams;
  for (int i = 0; i < pick.Antal(); ++i) {
    const std::int32_t recNo = pick.GetPickData(i);
    if (recNo > 0) teams.push_back(recNo);
  }
  return teams;
}

void TFormSendEmail::lagspelprogramBtnClick() {
  if (m_busy || !m_db.competitionOpen()) return;
  const std::vector<std::int32_t> teams = chooseTeams("Emaila lagspelprogram");
  if (teams.empty()) return;
  showLogPage();
  setBusy(true);
  installHandlers();
  // The run fills the sender itself (PrepareMessage per mail) and shows its first error.
  mail::SendTeamSchedules(
      m_db, m_sender, fields(), attachments(), teams,
      [this](const std::string& text) { appendLog(text); }, teamRunOptions());
  setBusy(false);
}

void TFormSendEmail::maillistBtnClick() {
  if (m_busy || !m_db.competitionOpen()) return;
  const std::vector<std::int32_t> teams = chooseTeams("Emaila lag");
  if (teams.empty()) return;
  showLogPage();
  setBusy(true);
  installHandlers();
  mail::SendMailingList(
      m_db, m_sender, fields(), attachments(), teams,
      [this](const std::string& text) { appendLog(text); }, teamRunOptions());
  setBusy(false);
}

void TFormSendEmail::closeEvent(QCloseEvent* event) {
  // A background send reports back to this window; it closes once the send has ended.
  if (m_busy) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void TFormSendEmail::reject() {
  if (m_busy) {
    m_abort = true;
    return;
  }
  if (!confirmClose()) return;
  QDialog::reject();
}

}  // namespace liga::gui
