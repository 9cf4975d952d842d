// The demo season's team schedule mails to the loopback SMTP server: every contact with an
// address gets its team's page. Prints the count, the connections and the time, and fails
// (exit 1) when it takes 2 s or more or when a team needs more than one connection.
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "common/recording_ui.h"
#include "mail/demo_season.h"
#include "mail/schedule_mail.h"
#include "mail/smtp_fixture.h"

int main() {
  using namespace liga;
  liga::testing::SmtpServers servers;
  if (!servers.start()) {
    std::fprintf(stderr, "the loopback SMTP servers did not start\n");
    return 2;
  }
  char tmpl[] = "/tmp/liga_mail_bench_XXXXXX";
  const std::string dir = mkdtemp(tmpl);
  RecordingUi ui;
  ScopedUi scoped(ui);
  int status = 0;
  {
    Database db;
    db.initialise({});
    db.setDataDir(dir);
    liga::testing::DemoSeason season;
    if (!liga::testing::MakeDemoSeason(db, season)) {
      std::fprintf(stderr, "the demo season could not be made\n");
      return 2;
    }
    mail::MailSettings fields;
    fields.from = "kansliet@example.se";
    fields.smtpHost = "127.0.0.1";
    fields.smtpPort = std::to_string(servers.plain());
    fields.smtpUser = "liga";
    fields.smtpPassword = liga::testing::kServerPassword;
    mail::TSendEmail sender;
    const auto start = std::chrono::steady_clock::now();
    const std::vector<std::int32_t> teams = mail::TeamsWithEmail(db);
    const mail::MailRunResult r = mail::SendTeamSchedules(db, sender, fields, {}, teams, nullptr);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::size_t received = servers.received().size();
    std::printf(
        "teams with an address: %d\ncontacts with an address: %d\nmails sent: %d\n"
        "mails received: %zu\nconnections: %d\nseconds: %.3f\n",
        season.teamsWithAddress, season.contactsWithAddress, r.sent, received,
        sender.connectionsOpened(), seconds);
    if (!r.error.empty()) std::printf("error: %s\n", r.error.c_str());
    if (!r.error.empty() || static_cast<int>(received) != season.contactsWithAddress ||
        sender.connectionsOpened() > season.teamsWithAddress || seconds >= 2.0) {
      status = 1;
    }
    db.closeAll();
  }
  std::filesystem::remove_all(dir);
  servers.stop();
  return status;
}
