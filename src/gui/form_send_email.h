// TFormSendEmail ("SendEmail"): the e-mail window. A form for one message (server, sender,
// recipients, subject, body, priority, attachments), its log page and progress bar, and the
// two competition commands: each chosen team's schedule to every contact with an address,
// and one message to every such contact of the chosen teams.
//
// The window is a view: the fields are a MailSettings (fields()/setFields()), the message
// is filled by mail::PrepareMessage and sent by the process-wide TSendEmail; the team
// commands are mail::SendTeamSchedules and mail::SendMailingList.
//
// Guarantees:
//  1. Every modal step goes through a replaceable seam: message boxes and file choosers
//     through the user-interface port, the team choice through the pick windows
//     (PickWindowRunner); the window itself is shown through RunModal.
//  2. Log lines and progress reach the window on the user-interface thread, also from the
//     background send; after the window is gone they are dropped.
//  3. Closing the window waits for a running background send and removes the window's
//     handlers from the sender, so the sender never calls into a destroyed window.
//  4. Escape or "Stäng" while a team command runs ends the command before its next message
//     (mails already sent stay sent); the window stays open until the command has ended.
//  5. A failed send or login leaves the window usable: the error is shown, the buttons are
//     enabled again and the fields are unchanged.
#pragma once

#include <QDialog>
#include <QPointer>
#include <array>
#include <string>

#include "mail/mail_settings.h"
#include "mail/schedule_mail.h"
#include "mail/send_email.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace liga {
class Database;
}

namespace liga::gui {

class TFormSendEmail : public QDialog {
 public:
  TFormSendEmail(Database& db, mail::TSendEmail& sender, QWidget* parent = nullptr);
  ~TFormSendEmail() override;

  // The fields as the settings file keeps them (UTF-8).
  mail::MailSettings fields() const;
  void setFields(const mail::MailSettings& settings);
  mail::AttachmentLines attachments() const;
  // The log page's lines.
  QStringList logLines() const;
  // Where "Save Configuration" and "Load Configuration" go; default the configuration
  // folder's "sendemail.ini".
  void setSettingsPath(const std::string& path) { m_settingsPath = path; }

  // The commands as the buttons run them.
  void btnSendClick();
  void btnSendAsyncClick();
  void btnConnectClick();
  void btnDisconnectClick();
  void btnAttachmentClick();
  void btnInlineClick();
  void btnRemoveAttachmentClick();
  void ragLoadSettingsClick(int preset);
  // False (the error shown) when the file could not be written.
  bool btnSaveClick();
  void btnLoadClick();
  void lagspelprogramBtnClick();
  void maillistBtnClick();

  // The options of the two team commands (the page's date and time, abort, maker).
  mail::MailRunOptions runOptions;

  // True while a background send runs.
  bool sending() const { return m_busy; }

 private:
  void build();
  void buildAttachments(QWidget* page, QGridLayout* grid);
  QWidget* buildServerPage();
  QWidget* buildMessagePage();
  QWidget* buildLogPage();
  QWidget* buildButtons();
  void prepare();
  void installHandlers();
  void showLogPage();
  void updateClearTextWarning();
  void setBusy(bool busy);
  void appendLog(const std::string& text);
  void addAttachment(const char* kind);
  // runOptions with the window's abort: Escape or "Stäng" during a team command ends it
  // before the next message.
  mail::MailRunOptions teamRunOptions();
  std::vector<std::int32_t> chooseTeams(const char* title);
  void showError(const std::string& utf8);
  void showInfo(const std::string& utf8);
  void closeEvent(QCloseEvent* event) override;
  void reject() override;
  // Closing with changed server settings asks whether to save them; false keeps the window.
  bool confirmClose();

  Database& m_db;
  mail::TSendEmail& m_sender;
  std::string m_settingsPath;
  mail::MailSettings m_savedServer;  // the server settings as last loaded, saved or opened
  bool m_busy = false;
  bool m_abort = false;

  QTabWidget* m_pages = nullptr;
  QLineEdit *m_from = nullptr, *m_fromName = nullptr, *m_host = nullptr, *m_port = nullptr;
  QComboBox *m_encrypted = nullptr, *m_auth = nullptr, *m_logMode = nullptr;
  QLineEdit *m_user = nullptr, *m_password = nullptr, *m_caFile = nullptr;
  // Shown while encryption "None" would send the password in clear text.
  QLabel* m_clearTextWarning = nullptr;
  QCheckBox *m_verify = nullptr, *m_receipt = nullptr;
  QLineEdit *m_to = nullptr, *m_toName = nullptr, *m_cc = nullptr, *m_ccName = nullptr;
  QLineEdit *m_bcc = nullptr, *m_bccName = nullptr, *m_subject = nullptr;
  QPlainTextEdit* m_message = nullptr;
  QComboBox* m_priority = nullptr;
  QListWidget* m_attachments = nullptr;
  QPlainTextEdit* m_log = nullptr;
  QProgressBar* m_progress = nullptr;
  std::array<QRadioButton*, mail::kServerPresets> m_presets{};
  QPushButton *m_send = nullptr, *m_sendAsync = nullptr, *m_connect = nullptr;
  QPushButton *m_disconnect = nullptr, *m_schedule = nullptr, *m_maillist = nullptr;
};

}  // namespace liga::gui
