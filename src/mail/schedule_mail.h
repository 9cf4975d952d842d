// The two competition commands of the e-mail window: each chosen team's schedule mailed as
// an HTML page to every contact of the team with an e-mail address, and one message to
// every such contact of the chosen teams. Both fill the sender through PrepareMessage.
//
// The page is built in code page 1252 from the records and sent as UTF-8. Every stored
// text is HTML-escaped ("&", "<", ">", '"'), so no name can add markup to the page.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "mail/mail_settings.h"
#include "mail/send_email.h"

namespace liga {
class Database;
class ContactRow;
class TeamRec;
}  // namespace liga

namespace liga::mail {

// The maker's details shown at the foot of every page. A page loads nothing from the
// network unless the organiser gives addresses of their own: an empty picture address
// leaves the picture out, an empty web or mail address leaves its line out.
struct MakerInfo {
  std::string logoUrl;
  std::string companyLogoUrl;
  std::string name = "LigaWin32";
  std::string webAddress;
  std::string email;
};

// The attachment lines of the window ("ATTACHMENTS=" + file or "INLINE=" + file).
using AttachmentLines = std::vector<std::string>;

// Fills the sender from the window's fields: clears the message, installs `log` with the
// fields' log mode, sender, one recipient each from To, CC and BCC, priority, subject,
// body (as HTML), read receipt, attachments, then the server settings.
void PrepareMessage(TSendEmail& mail, const MailSettings& fields,
                    const AttachmentLines& attachments, const TSendEmail::LogHandler& log);

// The team schedule page of team `teamRecNo` (code page 1252). `dateTime` is the
// 19-character date and time of the title. The database's buffers are left alone.
std::string TeamSchedulePage(Database& db, std::int32_t teamRecNo, const std::string& dateTime,
                             const MakerInfo& maker = {});

// The recipient name of a contact: the display form of contact name + ": " + team name,
// then " (" + address + ")". Code page 1252.
std::string ContactRecipientName(const ContactRow& row, const TeamRec& team, bool titleCaseNames);

// Teams that have at least one contact row with an e-mail address, by class and team
// number.
std::vector<std::int32_t> TeamsWithEmail(Database& db);
// The record number of the team numbered `number`, 0 when there is none.
std::int32_t FindTeamByNumber(Database& db, int number);

struct MailRunResult {
  int sent = 0;       // messages the server accepted
  std::string error;  // the first error (UTF-8), empty when none
  // Contact addresses that are not plainly local@domain (common/email_address.h): never
  // sent to, each logged; the others are sent as usual.
  int refusedAddresses = 0;
};

struct MailRunOptions {
  std::function<std::string()> dateTime;  // 19 characters; default: local time now
  std::function<bool()> aborted;          // polled before each message
  MakerInfo maker;
  // The mailing list's subject (UTF-8); empty: "meddelande till lagen".
  std::string subject;
  // The mailing list's body is plain text rather than HTML.
  bool plainText = false;
};

// One message per contact with an address per team, each with only that contact added as
// recipient. The connection is kept for a team's contacts and closed after its last mail,
// so a team costs at most one connection. The first error is shown as an error box and
// ends the run; mails already sent stay sent.
MailRunResult SendTeamSchedules(Database& db, TSendEmail& mail, const MailSettings& fields,
                                const AttachmentLines& attachments,
                                const std::vector<std::int32_t>& teams,
                                const TSendEmail::LogHandler& log,
                                const MailRunOptions& options = {});

// One message with subject "meddelande till lagen" to every contact with an address of the
// chosen teams, all as To recipients.
MailRunResult SendMailingList(Database& db, TSendEmail& mail, const MailSettings& fields,
                              const AttachmentLines& attachments,
                              const std::vector<std::int32_t>& teams,
                              const TSendEmail::LogHandler& log,
                              const MailRunOptions& options = {});

// "yyyy-mm-dd hh:mm:ss" of `t` in local time.
std::string PageDateTime(std::time_t t);

}  // namespace liga::mail
