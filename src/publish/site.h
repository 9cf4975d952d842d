// The season as a folder of static web pages that an organiser uploads as it is.
//
// The folder holds:
//   index.html         the competition and its classes
//   klass-R.html       per class (R its record number): standings, remaining matches and
//                      the league schedule
//   lag-NNNN.html      per team (NNNN its number): its matches and results, with a link to
//   lag-NNNN.ics       its calendar (the calendar export's file for that one team)
//   style.css          the one style sheet
// Every page is UTF-8 HTML5 with a viewport, no script and nothing loaded from another
// site; names are escaped. Publishing again replaces these files in place (each file as a
// whole) and removes the klass-*.html, lag-*.html and lag-*.ics files of classes and teams
// that are gone; no other file of the folder is touched.
#pragma once

#include <ctime>
#include <string>
#include <vector>

namespace liga {
class Database;
}

namespace liga::publish {

struct PublishResult {
  bool ok = false;
  std::string error;                 // why nothing (or not everything) was written (UTF-8)
  std::string folder;                // the absolute folder written
  int pages = 0;                     // HTML pages written
  int calendars = 0;                 // .ics files written
  std::vector<std::string> removed;  // file names removed (teams and classes that left)
};

// Publishes the open competition into `folder` (created when missing). `now` is the time
// shown as "uppdaterad" on every page. Writes the standings' places back to the teams, as
// the standings report does.
PublishResult PublishSite(Database& db, const std::string& folder, std::time_t now);

// The window's "arkiv" -> "publicera": asks for the folder with the folder picker (starting
// at `startFolder`), publishes, and shows where it wrote or why it could not. Returns the
// result; `folder` is empty when the picker was cancelled.
PublishResult RunPublish(Database& db, const std::string& startFolder, std::time_t now);

}  // namespace liga::publish
