#include "mail/schedule_mail.h"

#include "common/email_address.h"

#include <cctype>
#include <functional>
#include <memory>

#include "common/clock.h"
#include "common/encoding.h"
#include "common/text.h"
#include "common/ui_port.h"
#include "common/xml_escape.h"
#include "database/database.h"
#include "model/match_totals.h"
#include "model/matches.h"
#include "model/team_selection.h"

namespace liga::mail {
namespace {

// Stored texts go into the page through XmlEscape, so a name never becomes markup (and a
// control character, which the page may not hold, becomes a blank), as in the HTML exports.

std::string Num(int value, int width) {
  return FormatInt(value, width, ' ');
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// A competition contact block: line 0 is the name, line 3 the telephone number.
std::string ContactName(const CompetitionRec& c, int block) {
  return c.contact(block, 0);
}
std::string ContactPhone(const CompetitionRec& c, int block) {
  return c.contact(block, 3);
}

std::string Utf8(const std::string& cp1252) {
  return Cp1252ToUtf8(cp1252);
}

std::string Now() {
  return PageDateTime(std::time(nullptr));
}

void ShowError(const std::string& utf8) {
  Ui().showMessage(MessageKind::Error, "error", Utf8ToCp1252(utf8));
}

// False, with the address logged and counted, when the contact's address is not one a mail
// may be sent to.
bool acceptedAddress(const ContactRow& row, MailRunResult& result,
                     const TSendEmail::LogHandler& log) {
  if (ValidEmailAddress(row.email())) return true;
  ++result.refusedAddresses;
  if (log)
    log("ogiltig e-postadress hoppas över: \"" + Utf8(ShownEmailAddress(row.email())) + "\" (" +
        Utf8(row.name()) + ")");
  return false;
}

}  // namespace

std::string PageDateTime(std::time_t t) {
  return FormatLocalTime(t, "%Y-%m-%d %H:%M:%S");
}

void PrepareMessage(TSendEmail& mail, const MailSettings& f, const AttachmentLines& attachments,
                    const TSendEmail::LogHandler& log) {
  mail.Clear();
  const int mode = f.typeLog >= 0 && f.typeLog <= 3 ? f.typeLog : lmLib;
  mail.OnLog(log, static_cast<TLogMode>(mode));
  mail.From(f.from, f.fromName);
  mail.AddTo(f.to, f.toName);
  mail.AddCC(f.cc, f.ccName);
  mail.AddBCC(f.bcc, f.bccName);
  mail.Priority(static_cast<TMessagePriority>(f.priority >= 0 && f.priority <= 4 ? f.priority : 2));
  mail.Subject(f.subject);
  mail.Message(f.message, true);
  if (f.readConfirmation) mail.AddReceiptRecipient(f.from, f.fromName);
  for (const std::string& line : attachments) {
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string name = Upper(line.substr(0, eq));
    const std::string file = line.substr(eq + 1);
    if (name == "ATTACHMENTS")
      mail.AddAttachment(file, adAttachment);
    else if (name == "INLINE")
      mail.AddAttachment(file, adInline);
  }
  mail.Host(f.smtpHost);
  mail.Port(PortNumber(f.smtpPort));
  mail.Auth(f.smtpAuth == 1);
  mail.UserName(f.smtpUser);
  mail.Password(f.smtpPassword);
  mail.SSL(f.encrypted == 1 || f.encrypted == 3);
  mail.TLS(f.encrypted == 2 || f.encrypted == 3);
  mail.CaFile(f.caFile);
  mail.VerifyCertificate(f.verifyCertificate);
}

std::string ContactRecipientName(const ContactRow& row, const TeamRec& team, bool titleCaseNames) {
  return TeamDisplayName(row.name() + ": " + team.teamName(), false, titleCaseNames) + " (" +
         row.email() + ")";
}

namespace {

// The page's head, its title heading and the program's logo.
std::string PageHead(const std::string& title, const MakerInfo& maker) {
  std::string p;
  p += "<HTML>";
  p += "<HEAD>";
  p += "<title> " + title + "</title>";
  p += "<meta name=\"generator\" content=\"viraxxxVisa\">";
  p += "<meta name=\"description\" content=\"vira publikation till internet f\xF6r "
       "idrottst\xE4vlingar mm\">";
  p += "</HEAD>";
  p += "<body alink=\"#ff00ff\" text=\"#000000\" link=\"#0000ff\" vlink=\"#008000\" "
       "bgcolor=\"#ffffff\">";
  p += "<h1><b><font color=\"#000000\" face=\"Arial\">" + title + "</font></b></h1>";
  if (!maker.logoUrl.empty())
    p += "<IMG SRC=\"" + XmlEscape(maker.logoUrl) + "\" ALT=\"" + XmlEscape(maker.name) + "\" >";
  return p;
}

// The table's first rows: the team, its class with the class's team count, its number and
// ranking, its contact rows, and the headings of the match rows.
std::string TeamRows(const TeamRec& team, const std::string& className, int classTeams,
                     const std::function<std::string(const std::string&)>& display) {
  const std::string teamName = display(team.teamName());
  std::string p;
  p += "<table width=\"100%\" bgcolor=\"#ccccc0\" border=\"2\">";
  const std::string darkCell =
      "<td bgcolor=\"#707070\" width=\"700*\"><font size=\"+1\" color=\"#FFFFFF\" "
      "face=\"Arial\"><b></b></font></td>";
  p += "<tr>";
  for (int i = 0; i < 7; ++i) p += darkCell;
  p += "</tr>";
  p += "<tr><td></td><td></td><td></td><td></td><td></td><td></td><td></td></tr>";
  p += "<tr><td></td><td>\"" + teamName +
       "\"</td><td></td><td></td><td></td><td></td><td></td></tr>";
  p += "<tr><td></td><td>" + XmlEscape(className) + "</td><td></td><td>" + Num(classTeams, 3) +
       "</td><td></td><td></td><td></td></tr>";
  p += "<tr><td>" + Num(team.teamNumber(), 4) + "</td><td>" + teamName +
       "</td><td></td><td></td><td></td><td></td><td></td></tr>";
  p += "<tr><td>" + Num(team.ranking(), 3) + "</td>";
  for (int r = 0; r < TeamRec::kContactRows; ++r) {
    const ContactRow row = team.contactRow(r);
    if (!row.used()) continue;
    p += "<td>" + (r == 0 ? std::string("LL") : Num(r, 2)) + "</td><td>" + display(row.name()) +
         "</td><td>" + XmlEscape(row.street()) + "</td><td>" + XmlEscape(row.town()) + "</td><td>" +
         XmlEscape(row.address4()) + "</td></tr>";
  }
  p += "<tr><td> mNr.</td><td> Speldatumtid</td><td> LgNr</td><td> Lagnamn</td><td> "
       "Ansv.ledare</td><td> ev.resultat</td><td></td></tr>";
  return p;
}

// One row per registered match of the team (number and H/B, play time, opponent, game
// leader, the result once both scores are in), then the totals when there was a match.
std::string MatchRows(Database& db, const TeamRec& team,
                      const std::function<std::string(const std::string&)>& display) {
  std::string p;
  int matches = 0, played = 0;
  PlayTimeRec pt;
  const auto opponent = std::make_unique<TeamRec>();
  for (const model::TeamMatch& m : model::TeamMatches(team)) {
    if (!db.readPlayTimeRecord(m.playTimeRecNo, pt) || !db.readTeamRecord(m.opponent, *opponent))
      continue;
    ++matches;
    std::string score;
    if (m.played()) {
      ++played;
      score = Num(m.homeScore(), 2) + "-" + Num(m.awayScore(), 2);
    }
    p += "<tr><td>" + Num(m.number, 3) + (m.home ? " H" : " B") + "</td><td>" +
         XmlEscape(pt.playTime()) + "</td><td>" + XmlEscape(opponent->teamNumberKey()) +
         "</td><td>" + display(opponent->teamName()) + "</td>" + "<td>" +
         XmlEscape(pt.gameLeader()) + "</td><td>" + score + "</td>";
  }
  if (matches > 0) {
    p += "</tr></table><br><br>";
    p += model::MatchTotalsLine(matches, played, model::TotalsSpacing::SchedulePage) + "<br><br>";
  }
  return p;
}

// The organiser and the competition's contacts, the maker's logo and addresses.
std::string PageFoot(const CompetitionRec& comp, const MakerInfo& maker) {
  std::string p;
  p += XmlEscape(comp.organiser()) + " " + XmlEscape(comp.competitionName()) + "<br>";
  for (int c = 0; c < CompetitionRec::kContactBlocks; ++c) {
    const std::string name = ContactName(comp, c);
    const std::string phone = ContactPhone(comp, c);
    if (name.empty() && phone.empty()) continue;
    p += XmlEscape(name);
    if (!phone.empty()) p += "Tfn: " + XmlEscape(phone);
    p += "<br>";
  }
  p += "<br><br>";
  if (!maker.companyLogoUrl.empty())
    p += "<IMG SRC=\"" + XmlEscape(maker.companyLogoUrl) + "\" ALT=\"" + XmlEscape(maker.name) +
         "\" >";
  std::string contact = XmlEscape(maker.webAddress);
  if (!maker.email.empty())
    contact += (contact.empty() ? "" : "  ") + ("mailto:" + XmlEscape(maker.email));
  if (!contact.empty()) p += "<center>" + contact + "</center>";
  p += "</body></html>";
  return p;
}

}  // namespace

std::string TeamSchedulePage(Database& db, std::int32_t teamRecNo, const std::string& dateTime,
                             const MakerInfo& maker) {
  const bool tc = db.comp().titleCaseNames();
  const auto display = [tc](const std::string& name) {
    return XmlEscape(TeamDisplayName(name, false, tc));
  };
  const auto team = std::make_unique<TeamRec>();
  if (!db.readTeamRecord(teamRecNo, *team)) return {};
  std::string className;
  int classTeams = 0;
  if (DivisionRec cls; db.readClassRecord(team->divisionRecNo(), cls)) {
    className = cls.className();
    classTeams = cls.teamCount();
  }
  const CompetitionRec& comp = db.comp();
  const std::string title = std::string("LigaWin32") + ": " +
                            "spelprogram: " + XmlEscape(comp.competitionName()) + " " + dateTime;
  return PageHead(title, maker) + TeamRows(*team, className, classTeams, display) +
         MatchRows(db, *team, display) + PageFoot(comp, maker);
}

std::vector<std::int32_t> TeamsWithEmail(Database& db) {
  TeamSelection selection(db);
  selection.invalidateRequest();
  SelectionRequest request;
  request.kind = kSortClassNumber;
  selection.select(request);
  std::vector<std::int32_t> out;
  for (std::int32_t recNo : selection.selected()) {
    if (!db.readTeam(recNo)) continue;
    for (int r = 0; r < TeamRec::kContactRows; ++r) {
      if (!db.team().contactRow(r).email().empty()) {
        out.push_back(recNo);
        break;
      }
    }
  }
  return out;
}

std::int32_t FindTeamByNumber(Database& db, int number) {
  std::string key = ZeroPad(number, 4);
  std::int32_t recNo = 0;
  const BrowseResult r = db.browseTeam(BrowseMode::Find, key, recNo);
  return r.found ? recNo : 0;
}

MailRunResult SendTeamSchedules(Database& db, TSendEmail& mail, const MailSettings& fields,
                                const AttachmentLines& attachments,
                                const std::vector<std::int32_t>& teams,
                                const TSendEmail::LogHandler& log, const MailRunOptions& options) {
  MailRunResult result;
  const bool tc = db.comp().titleCaseNames();
  for (std::int32_t recNo : teams) {
    if (!db.readTeam(recNo)) continue;
    const auto team = std::make_unique<TeamRec>(db.team());
    const std::string dateTime = options.dateTime ? options.dateTime() : Now();
    const std::string page = TeamSchedulePage(db, recNo, dateTime, options.maker);
    bool sentForTeam = false;
    for (int r = 0; r < TeamRec::kContactRows; ++r) {
      const ContactRow row = team->contactRow(r);
      if (row.email().empty() || !acceptedAddress(row, result, log)) continue;
      if (options.aborted && options.aborted()) {
        mail.Disconnect();
        return result;
      }
      PrepareMessage(mail, fields, attachments, log);
      mail.Subject(Utf8("spelprogram f\xF6r lag " + TeamDisplayName(team->teamName(), false, tc)));
      mail.AddTo(Utf8(row.email()), Utf8(ContactRecipientName(row, *team, tc)));
      mail.Message(Utf8(page), true);
      try {
        mail.Send(false);
      } catch (const SendEmailError& e) {
        mail.Disconnect();
        result.error = e.what();
        ShowError(result.error);
        return result;
      }
      ++result.sent;
      sentForTeam = true;
    }
    if (sentForTeam) mail.Disconnect();
  }
  return result;
}

MailRunResult SendMailingList(Database& db, TSendEmail& mail, const MailSettings& fields,
                              const AttachmentLines& attachments,
                              const std::vector<std::int32_t>& teams,
                              const TSendEmail::LogHandler& log, const MailRunOptions& options) {
  MailRunResult result;
  const bool tc = db.comp().titleCaseNames();
  PrepareMessage(mail, fields, attachments, log);
  mail.Subject(options.subject.empty() ? std::string("meddelande till lagen") : options.subject);
  if (options.plainText) mail.Message(fields.message, false);
  for (std::int32_t recNo : teams) {
    if (options.aborted && options.aborted()) break;
    if (!db.readTeam(recNo)) continue;
    const TeamRec& team = db.team();
    for (int r = 0; r < TeamRec::kContactRows; ++r) {
      const ContactRow row = team.contactRow(r);
      if (row.email().empty() || !acceptedAddress(row, result, log)) continue;
      mail.AddTo(Utf8(row.email()), Utf8(ContactRecipientName(row, team, tc)));
    }
  }
  try {
    mail.Send(true);
    result.sent = 1;
  } catch (const SendEmailError& e) {
    result.error = e.what();
    ShowError(result.error);
  }
  return result;
}

}  // namespace liga::mail
