// E-mail from the command line: the team schedule mail, one message to the teams' contacts
// and a test message, all sent with the settings of "sendemail.ini" (or --settings FILE)
// and with the log printed in the mode that file names.
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "app/shell.h"
#include "cli/command.h"
#include "cli/session.h"
#include "common/email_address.h"
#include "common/encoding.h"
#include "common/file_read.h"
#include "mail/mail_settings.h"
#include "mail/schedule_mail.h"
#include "mail/send_email.h"

namespace liga::cli {
namespace {

struct MailArgs {
  std::string verb;
  std::string settingsFile;
  std::string subject;
  std::string bodyFile;
  std::vector<int> teams;
  std::vector<std::string> rest;
  bool haveSubject = false;
};

bool ParseArgs(const std::vector<std::string>& args, MailArgs& out) {
  if (args.empty()) return false;
  out.verb = args[0];
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--settings" && hasValue) {
      out.settingsFile = args[++i];
    } else if (a == "--subject" && hasValue) {
      out.subject = args[++i];
      out.haveSubject = true;
    } else if (a == "--body" && hasValue) {
      out.bodyFile = args[++i];
    } else if (a == "--team" && hasValue) {
      char* end = nullptr;
      const long n = std::strtol(args[++i].c_str(), &end, 10);
      if (*end != '\0' || n <= 0 || n > 9999) return false;
      out.teams.push_back(static_cast<int>(n));
    } else if (a.rfind("--", 0) == 0) {
      return false;
    } else {
      out.rest.push_back(a);
    }
  }
  return true;
}

mail::TSendEmail::LogHandler Printer(Context& ctx) {
  return [&ctx](const std::string& text) {
    ctx.out << mail::LogPageLine(std::time(nullptr), text) << "\n";
  };
}

int RunOnTeams(Context& ctx, const MailArgs& a, const mail::MailSettings& settings) {
  std::string body;
  bool html = true;
  if (a.verb == "message") {
    const ReadOutcome read = ReadRegularFile(a.bodyFile, body);
    if (read.problem != ReadProblem::None)
      return refuse(ctx, Utf8ToCp1252(ReadProblemText(read, a.bodyFile)));
    const std::size_t dot = a.bodyFile.rfind('.');
    const std::string ext = dot == std::string::npos ? "" : a.bodyFile.substr(dot);
    html = ext == ".htm" || ext == ".html" || ext == ".HTM" || ext == ".HTML";
  }
  return withShell(
      ctx,
      [&](Shell& shell) {
        Database& db = shell.db();
        if (!db.competitionOpen()) return refuseWithoutCompetition(ctx, db);
        std::vector<std::int32_t> teams;
        if (a.teams.empty()) {
          teams = mail::TeamsWithEmail(db);
        } else {
          for (int n : a.teams) {
            const std::int32_t recNo = mail::FindTeamByNumber(db, n);
            if (recNo == 0) {
              return refuse(ctx, "Lag " + std::to_string(n) + W(" finns inte"));
            }
            teams.push_back(recNo);
          }
        }
        mail::TSendEmail& sender = mail::TSendEmail::New();
        mail::MailRunResult result;
        if (a.verb == "schedule") {
          result = mail::SendTeamSchedules(db, sender, settings, {}, teams, Printer(ctx));
        } else {
          mail::MailSettings fields = settings;
          fields.message = body;
          mail::MailRunOptions options;
          options.subject = a.subject;
          options.plainText = !html;
          result = mail::SendMailingList(db, sender, fields, {}, teams, Printer(ctx), options);
        }
        sender.OnLog(nullptr, mail::lmNone);
        ctx.out << "skickade: " << result.sent << "\n";
        if (result.refusedAddresses > 0) {
          ctx.err << "fel: " << result.refusedAddresses
                  << " ogiltiga e-postadresser fick ingen post (se loggen)\n";
          return kExitRefused;
        }
        return result.error.empty() ? kExitOk : kExitRefused;
      },
      DataDirAccess::Read);
}

int RunTest(Context& ctx, const MailArgs& a, const mail::MailSettings& settings) {
  mail::TSendEmail& sender = mail::TSendEmail::New();
  mail::MailSettings fields = settings;
  fields.to = a.rest[0];
  fields.toName.clear();
  fields.cc.clear();
  fields.bcc.clear();
  mail::PrepareMessage(sender, fields, {}, Printer(ctx));
  sender.Subject("LigaWin32: provmeddelande");
  sender.Message("Detta är ett provmeddelande från LigaWin32.\r\n", false);
  try {
    sender.Send(true);
  } catch (const mail::SendEmailError& e) {
    sender.OnLog(nullptr, mail::lmNone);
    return refuse(ctx, Utf8ToCp1252(e.what()));
  }
  sender.OnLog(nullptr, mail::lmNone);
  ctx.out << "skickade: 1\n";
  return kExitOk;
}

int runMail(Context& ctx) {
  const Command& self = *findCommand("mail");
  MailArgs a;
  if (!ParseArgs(ctx.args, a)) return usageError(ctx, self);
  const bool teamsVerb = a.verb == "schedule" || a.verb == "message";
  if (teamsVerb && !a.rest.empty()) return usageError(ctx, self);
  if (a.verb == "message" && (!a.haveSubject || a.bodyFile.empty())) return usageError(ctx, self);
  if (a.verb == "test" && (a.rest.size() != 1 || !a.teams.empty())) return usageError(ctx, self);
  if (!teamsVerb && a.verb != "test") return usageError(ctx, self);
  if (a.verb == "test" && !ValidEmailAddress(a.rest[0]))
    return usageError(
        ctx, self,
        "ogiltig e-postadress \"" + ShownEmailAddress(a.rest[0]) + "\" (ska vara namn@domän)");

  const std::string path =
      a.settingsFile.empty() ? mail::DefaultMailSettingsPath() : a.settingsFile;
  mail::MailSettings settings;
  if (!mail::LoadMailSettings(path, settings)) {
    refuse(ctx, W("Kan ej läsa e-postinställningarna: ") + path);
    ctx.err << "Skapa dem i fönstret (e-post, \"spara\") eller skriv filen själv, mode 0600:\n"
               "  [CONFIGURATION]\n  from=du@example.org\n  from_name=Ditt namn\n"
               "  smtp_host=smtp.example.org\n  smtp_port=587\n  encrypted=2\n"
               "  smtp_auth=1\n  smtp_user=du@example.org\n  smtp_password=...\n"
               "(encrypted: 0 ingen, 1 SSL, 2 STARTTLS, 3 SSL/TLS; se \"liga help mail\")\n";
    return kExitRefused;
  }
  if (const std::string warning = mail::CleartextPasswordWarning(settings); !warning.empty())
    ctx.err << warning << "\n";
  return a.verb == "test" ? RunTest(ctx, a, settings) : RunOnTeams(ctx, a, settings);
}

const CommandRegistrar kMail{
    {"mail",
     "schedule [--team N]... | message --subject S --body FILE "
     "[--team N]... | test ADDRESS  [--settings FILE]",
     "e-post: lagspelprogram, meddelande till lagen, provmeddelande", runMail,
     "  schedule            skickar varje lag dess spelprogram (till lagledarens\n"
     "                      och spelarnas e-postadresser)\n"
     "  message             skickar ett eget meddelande till lagen:\n"
     "    --subject S       ämnesraden\n"
     "    --body FILE       meddelandets text, läst ur FILE\n"
     "  --team N            bara lag N (flera --team för flera lag; standard alla)\n"
     "  test ADDRESS        ett provmeddelande till ADDRESS med inställningarna\n"
     "  --settings FILE     inställningsfilen (standard sendemail.ini i\n"
     "                      konfigurationskatalogen, skapas av fönstrets\n"
     "                      e-postfönster med \"spara\")\n"}};

}  // namespace
}  // namespace liga::cli
