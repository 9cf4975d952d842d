// The main window's report commands: "rapporter", "visningar", "etiketter" and "giro".
//
// Each command first asks for its records with the pick lists of the competition (a
// cancelled pick list ends the command, nothing printed), then prints through the report
// writer on the print preview's printer, or fills the grid window. The preview and the grid
// window are shown through replaceable runners, so tests print to a PDF file and look at the
// grid without a modal loop.
#pragma once

#include <QPrinter>
#include <functional>
#include <optional>

#include "app/shell.h"
#include "common/grid.h"

class QWidget;

namespace liga::gui {

// The printed reports and the grid views of the main window's menus.
enum class ReportKind {
  MatchesToPlay,
  TeamList,
  TeamSchedule,
  LeagueSchedule,
  ProtocolIndividual,
  ProtocolTeam,
  ProtocolBadminton,
  Results,
  Fairness
};

// Shows the print preview of `print` (which draws every job of the command on the printer
// it is given) and prints from there. The default opens QPrintPreviewDialog.
using PreviewRunner = std::function<void(QWidget* parent, const std::function<void(QPrinter&)>&)>;
// Shows a view's grid in the grid window. The default opens Tgridform modally.
using GridRunner = std::function<void(QWidget* parent, const GridModel& grid)>;

// Asks "Antal kopior:" when the label sheet asks for no copies; nullopt when cancelled. The
// default is the label register's question box.
using CopiesAsker = std::function<std::optional<int>(QWidget* parent)>;

PreviewRunner SetPreviewRunner(PreviewRunner runner);  // returns the previous one
CopiesAsker SetCopiesAsker(CopiesAsker asker);
GridRunner SetGridRunner(GridRunner runner);

void PrintReportCommand(QWidget* parent, Shell& shell, ReportKind kind);
// A register's "S&kriv": the job `jobName` with one line per listed entry, through the print
// preview, in the report settings of `shell` (the defaults without one).
void PrintListCommand(QWidget* parent, Shell* shell, const std::string& jobName,
                      const std::vector<std::string>& lines);
void ShowViewCommand(QWidget* parent, Shell& shell, ReportKind kind);
// `set` 1..4: the contact rows (leader, all members, first member, other members). A sheet
// whose copies are 0 or less asks for the number once and is set to 1 copy afterwards.
void PrintLabelsCommand(QWidget* parent, Shell& shell, bool byTeam, int set);
// `set` 1..3 as for labels; the giro form follows the competition's giro type.
void PrintGiroCommand(QWidget* parent, Shell& shell, int set);

}  // namespace liga::gui
