#include "gui/main_form.h"

#include <ctime>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScreen>
#include <QShortcut>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <filesystem>

#include "common/encoding.h"
#include "common/messages.h"
#include "database/restore.h"
#include "exchange/demo.h"
#include "exchange/export.h"
#include "exchange/import.h"
#include "gui/form_send_email.h"
#include "gui/info_dlg_form.h"
#include "gui/konfig_dlg.h"
#include "gui/lottn_dlg.h"
#include "gui/move_game_form.h"
#include "gui/reg_form_dlg.h"
#include "gui/report_commands.h"
#include "gui/reports/etikett_reg_form.h"
#include "gui/reports/giro_dlg.h"
#include "gui/result_form.h"
#include "model/team_selection.h"
#include "publish/ical.h"
#include "publish/site.h"
#include "scheduling/database_input.h"
#include "scheduling/fairness_grid.h"
#include "scheduling/run.h"
#include "storage/isam.h"

namespace liga::gui {
namespace {

namespace fs = std::filesystem;

const QColor kLightBlue(166, 202, 240);
constexpr int kMaxScale = 400;
const char* kImportFilter = "*.txt *.exp *.ixp *.imp *.vpx *.txx *.exx *.lg *.lot";

QString U(const char* utf8) {
  return QString::fromUtf8(utf8);
}

QString itemName(const char* prefix, int k) {
  return QString::fromLatin1(prefix) + QStringLiteral("%1").arg(k, 2, 10, QLatin1Char('0'));
}

// A menu whose object name (and its action's) is `name`, the name tests and scripts use.
QMenu* named(QMenu* m, const char* name) {
  m->setObjectName(QString::fromLatin1(name));
  m->menuAction()->setObjectName(QString::fromLatin1(name));
  return m;
}

QMenu* topMenu(QMenuBar* bar, const char* name, const QString& title) {
  return named(bar->addMenu(title), name);
}

QMenu* subMenu(QMenu* parent, const char* name, const QString& title) {
  return named(parent->addMenu(title), name);
}

}  // namespace

TMainForm::TMainForm(Shell& shell, QtUi& ui, QWidget* parent)
    : QMainWindow(parent), m_shell(shell), m_ui(ui) {
  setObjectName(QStringLiteral("MainForm"));
  QPalette pal = palette();
  pal.setColor(QPalette::Window, kLightBlue);
  setPalette(pal);
  setAutoFillBackground(true);
  buildMenus();
  buildBody();
  m_ui.setMainWindow(this);
  m_ui.onStatus = [this](const std::string&) { showMessageLine(); };
}

TMainForm::~TMainForm() {
  FormDestroy();
  m_ui.onStatus = nullptr;
  m_ui.setMainWindow(nullptr);
}

// ---------------------------------------------------------------------------------------
// Building the window

QAction* TMainForm::addCommand(QMenu* menu, const char* name, const QString& caption,
                               const QString& hint, std::function<void()> command,
                               bool refreshAfter) {
  auto* a = new QAction(caption, this);
  a->setObjectName(QString::fromLatin1(name));
  a->setStatusTip(hint);
  a->setToolTip(hint);
  // Commands that only read or print may store computed places (they join the last change);
  // those that replace files wholesale cannot be undone and empty the history.
  static const QStringList replacing = {QStringLiteral("new"), QStringLiteral("indexbygg1"),
                                        QStringLiteral("skapanya1"), QStringLiteral("aterstall1")};
  const UndoHistory::Kind kind = replacing.contains(a->objectName()) ? UndoHistory::Kind::Replace
                                 : refreshAfter                      ? UndoHistory::Kind::Change
                                                                     : UndoHistory::Kind::Derived;
  QString label = caption;
  label.remove(QLatin1Char('&'));
  connect(a, &QAction::triggered, this,
          [this, command = std::move(command), refreshAfter, label, kind] {
            run(command, refreshAfter, label, kind);
          });
  menu->addAction(a);
  return a;
}

void TMainForm::addCompetitionItems(QMenu* menu, const char* prefix, const QString& hint,
                                    void (TMainForm::*command)(int),
                                    std::array<QAction*, kMaxCompetitions>& items) {
  for (int k = 0; k < kMaxCompetitions; ++k) {
    auto* a = new QAction(U("vakant"), this);
    a->setObjectName(itemName(prefix, k));
    a->setCheckable(true);
    a->setStatusTip(hint);
    connect(a, &QAction::triggered, this, [this, a, k, command] {
      // Choosing a competition empties the history; deleting another one can be undone.
      const QString label = QString::fromUtf8("radera tävling ") + a->text();
      run([this, k, command] { (this->*command)(k + 1); }, true, label,
          command == &TMainForm::deleteCompetition ? UndoHistory::Kind::Change
                                                   : UndoHistory::Kind::Replace);
    });
    menu->addAction(a);
    items[k] = a;
  }
}

void TMainForm::buildMenus() {
  // Every menu opens with Alt and its underlined letter; F10 opens the first one.
  buildArchiveMenu(topMenu(menuBar(), "arkiv1", U("&arkiv")));
  buildEditMenu(topMenu(menuBar(), "mnuRedigera", U("re&digera")));
  buildRegisterMenu(topMenu(menuBar(), "mnuRegister", U("&register")));
  buildReportMenu(topMenu(menuBar(), "mnuRapporter", U("ra&pporter")));
  buildViewMenu(topMenu(menuBar(), "mnuVisningar", U("&visningar")));
  buildXregisterMenu(topMenu(menuBar(), "mnuXregister", U("&xregister")));
  auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
  f10->setObjectName(QStringLiteral("menuKey"));
  connect(f10, &QShortcut::activated, this, [this] {
    const QList<QAction*> menus = menuBar()->actions();
    // A menu opens only from a window on the screen.
    if (menus.isEmpty() || !menuBar()->isVisible()) return;
    menuBar()->setFocus(Qt::ShortcutFocusReason);
    menuBar()->setActiveAction(menus.first());
  });
  // The hints show as the menus' tool tips.
  for (QMenu* m : findChildren<QMenu*>()) m->setToolTipsVisible(true);
}

// "arkiv": the competitions (choose, add, change, delete), exchange files, scheduling,
// backup and restore, the index rebuild and quitting.
void TMainForm::buildArchiveMenu(QMenu* arkiv) {
  addCompetitionItems(subMenu(arkiv, "vlj1", U("välj")), "v", U("öppnar tävlingen"),
                      &TMainForm::selectCompetition, m_select);
  addCommand(
      arkiv, "new", U("&ny"), U("lägger till en tävling"), [this] { InputInfo(true); }, true);
  addCommand(
      arkiv, "change", U("&ändra"), U("ändrar den öppna tävlingens uppgifter"),
      [this] { InputInfo(false); }, true);
  QMenu* imp = subMenu(arkiv, "importera1", U("importera"));
  addCommand(
      imp, "importera", U("&importera"), U("läser in utbytesfiler och spelfördelningar"),
      [this] { importera(); }, true);
  addCommand(
      imp, "raderaallamedl", U("&radera alla lag"), U("raderar alla lag i tävlingen"),
      [this] { raderaAllaLag(); }, true);
  QMenu* exp = subMenu(arkiv, "exportera1", U("exportera"));
  addCommand(
      exp, "freningen1", U("tävling"), U("exporterar tävlingsposten"),
      [this] { exportera(static_cast<int>(exchange::ExportKind::Competition)); }, false);
  addCommand(
      exp, "medlemmar1", U("klasser"), U("exporterar klasserna"),
      [this] { exportera(static_cast<int>(exchange::ExportKind::Classes)); }, false);
  addCommand(
      exp, "tvlingar1", U("spelmöten"), U("exporterar speltider och matcher"),
      [this] { exportera(static_cast<int>(exchange::ExportKind::Schedule)); }, false);
  addCommand(
      exp, "resultat3", U("resultat"), U("exporterar speltider och matcher med resultat"),
      [this] { exportera(static_cast<int>(exchange::ExportKind::Results)); }, false);
  addCommand(
      exp, "lag1", U("lag"), U("exporterar lagen"),
      [this] { exportera(static_cast<int>(exchange::ExportKind::Teams)); }, false);
  addCommand(
      exp, "kalender1", U("lagkalendrar"), U("exporterar matcherna som kalender (iCalendar)"),
      [this] { exportCalendar(); }, false);
  addCommand(
      arkiv, "publicera1", U("publicera"),
      U("publicerar tävlingen som webbplats: tabeller, spelprogram och lagens sidor"),
      [this] {
        // The picker starts beside the exchange files, in a folder "webb".
        std::string last = m_shell.config().main().lastExchangePath();
        if (last.empty()) last = m_shell.db().dataDir() + "/";
        const auto start = std::filesystem::path(last).parent_path() / "webb";
        publish::RunPublish(m_shell.db(), Utf8ToCp1252(start.string()), std::time(nullptr));
      },
      false);
  m_spelfordela = addCommand(
      arkiv, "spelfrdela1", U("spelfördela"), U("spelfördelar tävlingens matcher på speltiderna"),
      [this] { spellotta(); }, true);
  m_spelfordela->setCheckable(true);
  addCommand(
      arkiv, "kopiera1", U("säkerhetskopiera"), U("säkerhetskopierar datafilerna"),
      [this] { backup(); }, true);
  addCommand(
      arkiv, "aterstall1", U("återställ"),
      U("lägger till en säkerhetskopierad tävling som en ny tävling"), [this] { restore(); }, true);
  addCommand(
      arkiv, "indexbygg1", U("indexbygg"), U("bygger om tävlingens index"), [this] { indexbygg(); },
      true);
  addCommand(
      arkiv, "skapanya1", U("skapa nya"), U("skapar nya tomma datafiler"), [this] { skapaNya(); },
      true);
  addCompetitionItems(subMenu(arkiv, "radera1", U("&radera")), "r", U("raderar tävlingen"),
                      &TMainForm::deleteCompetition, m_delete);
  arkiv->addSeparator();
  // "avsluta" is no command of its own: it closes the window, which waits for a running one.
  auto* quit = new QAction(U("avsluta"), this);
  quit->setObjectName(QStringLiteral("avsluta"));
  quit->setStatusTip(U("avslutar programmet"));
  quit->setToolTip(U("avslutar programmet"));
  connect(quit, &QAction::triggered, this, &QWidget::close);
  arkiv->addAction(quit);
}

// "redigera": undo and redo of the changes made in this window.
void TMainForm::buildEditMenu(QMenu* menu) {
  m_history = new UndoHistory(m_shell.db(), this);
  m_history->afterApply = [this] {
    refresh();
    showMessageLine();
  };
  m_history->showError = [this](const std::string& text) {
    ScopedUi scoped(m_ui);
    ShowMessage(401, text);
  };
  menu->addAction(m_history->undoAction());
  menu->addAction(m_history->redoAction());
}

// "register": the editors of classes, teams and play times, moving matches, results.
void TMainForm::buildRegisterMenu(QMenu* reg) {
  addCommand(
      reg, "mnuMedlReg", U("klasser"), U("klassregister"),
      [this] { openRegister(RegisterKind::Classes); }, true);
  addCommand(
      reg, "mnuTavlingar", U("lag"), U("lagregister"),
      [this] { openRegister(RegisterKind::Teams); }, true);
  addCommand(
      reg, "spelmten1", U("spelmöten"), U("speltidsregister"),
      [this] { openRegister(RegisterKind::PlayTimes); }, true);
  addCommand(
      reg, "flyttamatcher1", U("flytta matcher"), U("flyttar matcher mellan speltider"),
      [this] { openMatchMover(); }, true);
  addCommand(
      reg, "resultat4", U("resultat"), U("resultatinmatning"), [this] { openResultEntry(); }, true);
}

// "rapporter": the printed reports, labels, payment slips and the schedule mail.
void TMainForm::buildReportMenu(QMenu* rap) {
  QMenu* arr = subMenu(rap, "arrangr1", U("arrangör"));
  addCommand(
      arr, "haltmatcher", U("haltmatcher"), U("utskrift av matcher som återstår"),
      [this] { printReport(ReportKind::MatchesToPlay); }, false);
  QMenu* start = subMenu(rap, "startlistor1", U("startlistor"));
  addCommand(
      start, "laglista", U("laglista"), U("utskrift av laglistan"),
      [this] { printReport(ReportKind::TeamList); }, false);
  addCommand(
      start, "lagspelpgm", U("lagspelprogram"), U("utskrift av ett lags spelprogram"),
      [this] { printReport(ReportKind::TeamSchedule); }, false);
  addCommand(
      start, "seriespelpgm", U("seriespelprogram"), U("utskrift av seriespelprogrammet"),
      [this] { printReport(ReportKind::LeagueSchedule); }, false);
  QMenu* prot = subMenu(rap, "matchprotokoll1", U("matchprotokoll"));
  addCommand(
      prot, "matchprotokollI", U("individuellt"), U("matchprotokoll, individuellt"),
      [this] { printReport(ReportKind::ProtocolIndividual); }, false);
  addCommand(
      prot, "matchprotokollL", U("lag"), U("matchprotokoll, lag"),
      [this] { printReport(ReportKind::ProtocolTeam); }, false);
  addCommand(
      prot, "matchprotokollVized", U("vized badminton"), U("matchprotokoll, badminton"),
      [this] { printReport(ReportKind::ProtocolBadminton); }, false);
  addCommand(
      rap, "resultat1", U("resultat"), U("utskrift av resultat och tabeller"),
      [this] { printReport(ReportKind::Results); }, false);
  QMenu* etik = subMenu(rap, "etiketter1", U("etiketter"));
  QMenu* klassvis = subMenu(etik, "klassvis1", U("klassvis"));
  QMenu* lagvis = subMenu(etik, "lagvis1", U("lagvis"));
  const char* byClass[] = {"etiketterLagledare", "allalagmedlemmar1", "lag111", "lag2221"};
  const char* byTeam[] = {"lagledare2", "allalagmedlemmar2", "lag112", "lag2222"};
  const QString setCaptions[] = {U("lagledare"), U("alla lagmedlemmar"), U("lag 1..1"),
                                 U("lag 2..22")};
  for (int s = 0; s < 4; ++s) {
    addCommand(
        klassvis, byClass[s], setCaptions[s], U("etiketter valda klassvis"),
        [this, s] { printLabels(false, s + 1); }, false);
    addCommand(
        lagvis, byTeam[s], setCaptions[s], U("etiketter valda lagvis"),
        [this, s] { printLabels(true, s + 1); }, false);
  }
  QMenu* giro = subMenu(rap, "giro1", U("giro"));
  addCommand(
      giro, "lagledare1", U("lagledare"), U("giroblanketter till lagledarna"),
      [this] { printGiro(1, giroFillCharacter()); }, false);
  addCommand(
      giro, "allalagmedlemmar4", U("alla lagmedlemmar"), U("giroblanketter till alla lagmedlemmar"),
      [this] { printGiro(2, giroFillCharacter()); }, false);
  addCommand(
      giro, "lagmedlem12", U("lagmedlem 1"), U("giroblanketter till lagmedlem 1"),
      [this] { printGiro(3, giroFillCharacter()); }, false);
  addCommand(
      rap, "email1", U("email"), U("skickar spelprogram till lagen med e-post"),
      [this] { openMail(); }, false);
}

// "visningar": the reports in the grid window.
void TMainForm::buildViewMenu(QMenu* vis) {
  QMenu* varr = subMenu(vis, "arrangr2", U("arrangör"));
  addCommand(
      varr, "haltmatcher1", U("haltmatcher"), U("visning av matcher som återstår"),
      [this] { showView(ReportKind::MatchesToPlay); }, false);
  QMenu* vstart = subMenu(vis, "startlistor2", U("startlistor"));
  addCommand(
      vstart, "laglista1", U("laglista"), U("visning av laglistan"),
      [this] { showView(ReportKind::TeamList); }, false);
  addCommand(
      vstart, "lagspelprogram1", U("lagspelprogram"), U("visning av lagens spelprogram"),
      [this] { showView(ReportKind::TeamSchedule); }, false);
  addCommand(
      vstart, "seriespelprogram1", U("seriespelprogram"), U("visning av seriespelprogrammet"),
      [this] { showView(ReportKind::LeagueSchedule); }, false);
  addCommand(
      vis, "resultat2", U("resultat"), U("visning av resultat och tabeller"),
      [this] { showView(ReportKind::Results); }, false);
  addCommand(
      vis, "rattvisa1", U("rättvisa"), U("visning av schemats rättvisa: hemma/borta, brott, vila"),
      [this] { showView(ReportKind::Fairness); }, false);
}

// "xregister": the registers of payment slip forms and of labels and pictures.
void TMainForm::buildXregisterMenu(QMenu* xreg) {
  addCommand(
      xreg, "plusgiroMenu", U("plusgiro"), U("register över plusgiroblanketter"),
      [this] { openGiroRegister(0); }, false);
  addCommand(
      xreg, "postgiroMenu", U("postgiro"), U("register över postgiroblanketter"),
      [this] { openGiroRegister(1); }, false);
  addCommand(
      xreg, "bankgiroMenu", U("bankgiro"), U("register över bankgiroblanketter"),
      [this] { openGiroRegister(3); }, false);
  addCommand(
      xreg, "etikettMenu", U("etikettregister"), U("etikett- och bildregister"),
      [this] { openLabelRegister(); }, false);
}

void TMainForm::buildBody() {
  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("centralWidget"));
  auto* outer = new QVBoxLayout(central);
  outer->setContentsMargins(6, 6, 6, 2);
  outer->setSpacing(4);
  outer->addLayout(buildToolButtons(central));
  outer->addWidget(buildBanner(central), 1);
  m_nextStep = new QLabel(central);
  m_nextStep->setObjectName(QStringLiteral("nextStep"));
  m_nextStep->setWordWrap(true);
  m_nextStep->setTextFormat(Qt::PlainText);
  m_nextStep->setAlignment(Qt::AlignCenter);
  outer->addWidget(m_nextStep);
  outer->addLayout(buildBaseButtons(central));
  buildStatusPanels(central, outer);
  setCentralWidget(central);
}

// The tool buttons: the three registers, the backup and the result entry.
QLayout* TMainForm::buildToolButtons(QWidget* central) {
  auto* tools = new QHBoxLayout;
  struct Tool {
    const char* name;
    const char* caption;
    const char* hint;
    std::function<void()> command;
  };
  const Tool toolList[] = {
      {"tbKlass", "klass", "klassregister", [this] { openRegister(RegisterKind::Classes); }},
      {"tbLag", "lag", "lagregister", [this] { openRegister(RegisterKind::Teams); }},
      {"tbGame", "möte", "speltidsregister", [this] { openRegister(RegisterKind::PlayTimes); }},
      {"tbKopiera", "kopi", "säkerhetskopierar datafilerna", [this] { backup(); }},
      {"tbResultat", "resultat", "resultatinmatning", [this] { openResultEntry(); }},
  };
  const QStyle::StandardPixmap icons[] = {
      QStyle::SP_FileDialogListView, QStyle::SP_FileDialogDetailedView,
      QStyle::SP_FileDialogContentsView, QStyle::SP_DialogSaveButton, QStyle::SP_DialogApplyButton};
  int i = 0;
  for (const Tool& t : toolList) {
    auto* b = new QToolButton(central);
    b->setObjectName(QString::fromLatin1(t.name));
    b->setText(U(t.caption));
    b->setToolTip(U(t.hint));
    b->setStatusTip(U(t.hint));
    b->setIcon(style()->standardIcon(icons[i++]));
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    b->setMinimumWidth(64);
    connect(b, &QToolButton::clicked, this, [this, c = t.command, label = U(t.hint)] {
      run(c, true, label, UndoHistory::Kind::Change);
    });
    tools->addWidget(b);
  }
  tools->addStretch(1);
  return tools;
}

// The picture area with the program's name.
QWidget* TMainForm::buildBanner(QWidget* central) {
  auto* banner = new QLabel(central);
  banner->setObjectName(QStringLiteral("Image1"));
  banner->setText(QStringLiteral("<span style='font-size:22pt; font-weight:bold; color:#1d3f6e'>"
                                 "LigaWin32</span><br><span style='color:#1d3f6e'>") +
                  U("serie- och turneringsadministration") + QStringLiteral("</span>"));
  banner->setAlignment(Qt::AlignCenter);
  banner->setMinimumHeight(70);
  // One of eleven background pictures, chosen at random at each start: soft gradients in
  // the window's blue family.
  static const char* const kBackgrounds[11][2] = {
      {"#a6caf0", "#dbe9f8"}, {"#a6caf0", "#c9e0f2"}, {"#9cc3ec", "#e3eefa"},
      {"#a6caf0", "#d3e4ee"}, {"#b0cfee", "#eef4fb"}, {"#a2c6ea", "#d9e6f5"},
      {"#a6caf0", "#e6eef0"}, {"#98bfe8", "#cfe3f7"}, {"#aecdf0", "#dfeaf2"},
      {"#a6caf0", "#f0f5fa"}, {"#9fc5ee", "#d5e3f3"}};
  const int picture = static_cast<int>(QRandomGenerator::global()->bounded(11));
  banner->setProperty("bakgrund", picture);
  banner->setStyleSheet(
      QStringLiteral("QLabel#Image1 { border-radius: 6px; background: qlineargradient(x1:0, "
                     "y1:0, x2:1, y2:1, stop:0 %1, stop:1 %2); }")
          .arg(QLatin1String(kBackgrounds[picture][0]), QLatin1String(kBackgrounds[picture][1])));
  return banner;
}

// The base buttons and the scale control.
QLayout* TMainForm::buildBaseButtons(QWidget* central) {
  auto* base = new QHBoxLayout;
  struct Button {
    const char* name;
    const char* caption;
    const char* hint;
    std::function<void()> command;
    bool refreshAfter;
  };
  const Button buttons[] = {
      {"buttonDataLib", "datadir", "väljer databibliotek", [this] { dataDir(); }, true},
      {"buttonKonfig", "konfig", "inställningar för rapporter och etiketter", [this] { konfig(); },
       false},
      {"infobutton", "info", "information om programmet", [this] { info(); }, false},
      {"editbutton", "editor", "startar en texteditor för utbytesfiler", [this] { editor(); },
       false},
      {"quitbutton", "avsluta", "avslutar programmet", [this] { close(); }, false},
  };
  for (const Button& bt : buttons) {
    auto* b = new QPushButton(U(bt.caption), central);
    b->setObjectName(QString::fromLatin1(bt.name));
    b->setToolTip(U(bt.hint));
    b->setStatusTip(U(bt.hint));
    if (std::string_view(bt.name) == "quitbutton") {
      connect(b, &QPushButton::clicked, this, &QWidget::close);
    } else {
      connect(b, &QPushButton::clicked, this,
              [this, c = bt.command, r = bt.refreshAfter] { run(c, r); });
    }
    base->addWidget(b);
  }
  base->addStretch(1);
  auto* scaleLabel = new QLabel(U("skala %"), central);
  base->addWidget(scaleLabel);
  m_scaleControl = new QSpinBox(central);
  m_scaleControl->setObjectName(QStringLiteral("udSkala"));
  m_scaleControl->setRange(100, kMaxScale);
  m_scaleControl->setSingleStep(10);
  m_scaleControl->setToolTip(U("fönstrets skala i procent (gäller från nästa start)"));
  connect(m_scaleControl, &QSpinBox::valueChanged, this, [this] { m_scaleChanged = true; });
  base->addWidget(m_scaleControl);
  return base;
}

// The status bars: the data panel, the settings panels, the message bar.
void TMainForm::buildStatusPanels(QWidget* central, QVBoxLayout* outer) {
  auto panel = [central](const char* name) {
    auto* l = new QLabel(central);
    l->setObjectName(QString::fromLatin1(name));
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Sunken);
    l->setTextFormat(Qt::PlainText);
    l->setMinimumWidth(10);
    l->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    return l;
  };
  auto* dataRow = new QHBoxLayout;
  dataRow->setSpacing(2);
  m_dataHeading = panel("sbDataHeading");
  m_dataHeading->setText(U("aktuella data"));
  m_dataHeading->setToolTip(U("aktuell datainformation"));
  m_dataPanel = panel("sbData");
  m_dataPanel->setToolTip(U("aktuell datainformation"));
  dataRow->addWidget(m_dataHeading, 1);
  dataRow->addWidget(m_dataPanel, 4);
  outer->addLayout(dataRow);

  auto* settingsRow = new QHBoxLayout;
  settingsRow->setSpacing(2);
  const char* settingNames[] = {"sbDataDir", "sbRapportInst", "sbEtikettInst"};
  const char* settingHints[] = {"aktuellt databibliotek", "vald utskriftsinställning",
                                "vald etikettinställning"};
  for (int k = 0; k < 3; ++k) {
    m_settings[k] = panel(settingNames[k]);
    m_settings[k]->setToolTip(U(settingHints[k]));
    settingsRow->addWidget(m_settings[k], k == 0 ? 2 : 1);
  }
  outer->addLayout(settingsRow);

  auto* messageRow = new QHBoxLayout;
  messageRow->setSpacing(2);
  for (int k = 0; k < 3; ++k) {
    m_messages[k] = panel(k == 0 ? "sbMessage0" : (k == 1 ? "sbMessage1" : "sbMessage2"));
    // A long message wraps and the bar grows with it, rather than being cut at the panel.
    m_messages[k]->setWordWrap(true);
    messageRow->addWidget(m_messages[k], k == 0 ? 2 : 1);
  }
  auto* messageBar = new QWidget(central);
  messageBar->setObjectName(QStringLiteral("StatusBarMessage"));
  messageBar->setLayout(messageRow);
  messageRow->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(messageBar);
}

// ---------------------------------------------------------------------------------------
// Start-up, refresh and shutdown

bool TMainForm::FormCreate(const StartupOptions& options) {
  setWindowTitle(QString::fromStdString(Cp1252ToUtf8(WindowCaption(" Linux Qt"))));
  StartupOptions opened = options;
  // On a data directory it may not write the window still shows and prints the competitions.
  opened.readOnlyFallback = true;
  const bool storage = m_shell.startup(m_ui, opened);
  m_started = true;
  showSettingsPanels();
  refresh();
  applyGeometry();
  return storage;
}

void TMainForm::applyGeometry() {
  const WindowGeometry& g = m_shell.window();
  QSize screen(1024, 768);
  if (QScreen* s = QApplication::primaryScreen()) screen = s->availableSize();
  m_scale = WindowScaleInUse(g.scale, screen.width(), screen.height(), kMaxScale);
  {
    const QSignalBlocker block(m_scaleControl);
    m_scaleControl->setValue(m_scale);
  }
  m_scaleChanged = false;
  if (m_scale != 100) {
    QFont f = font();
    f.setPointSizeF(f.pointSizeF() * m_scale / 100.0);
    setFont(f);
  }
  const QSize minimum(kDesignWidth * m_scale / 100, kDesignHeight * m_scale / 100);
  setMinimumSize(minimum);
  const MainConfig& main = m_shell.config().main();
  if (main.windowWidth() == 0 || main.windowHeight() == 0) {
    // First start: a size that suits the screen, centred; later starts reopen the window
    // as it was closed.
    const QSize size(std::max(minimum.width(), screen.width() * 11 / 20),
                     std::max(minimum.height(), screen.height() * 3 / 5));
    resize(std::min(size.width(), std::max(minimum.width(), screen.width())),
           std::min(size.height(), std::max(minimum.height(), screen.height())));
    if (QScreen* s = QApplication::primaryScreen()) {
      const QRect area = s->availableGeometry();
      move(area.center() - QPoint(width() / 2, height() / 2));
    }
    return;
  }
  resize(std::max(g.width, minimum.width()), std::max(g.height, minimum.height()));
  // A zero left or top keeps the position the window system gives.
  if (g.left != 0 || g.top != 0) move(g.left, g.top);
}

void TMainForm::offerDemo() {
  ScopedUi scoped(m_ui);
  Database& db = m_shell.db();
  if (db.catalogueAvailable()) return;
  if (!DataDirIsEmpty(db.dataDir())) return;
  if (ShowMessage(101, W("Databiblioteket är tomt. Vill du läsa in demotävlingen?")) != Answer::Yes)
    return;
  run(
      [this] {
        Database& d = m_shell.db();
        if (exchange::CreateDemoCompetition(d, m_shell.folders().textDir))
          m_shell.config().main().setCurrentCompetition(d.currentCompetition());
      },
      true);
}

void TMainForm::FormDestroy() {
  if (!m_started || m_destroyed) return;
  m_destroyed = true;
  WindowGeometry g;
  g.scale = m_scaleChanged ? m_scaleControl->value() : m_shell.window().scale;
  // The position is the frame's, as move() takes it; the size is the client area's, as
  // resize() takes it, so a window reopens where and as large as it was.
  g.left = frameGeometry().x();
  g.top = frameGeometry().y();
  g.width = width();
  g.height = height();
  if (!m_shell.shutdown(m_ui, g)) {
    ScopedUi scoped(m_ui);
    ShowMessage(401, m_shell.configSaveFailureText());
  }
}

void TMainForm::closeEvent(QCloseEvent* event) {
  // A command still running (its progress window lets events through) finishes first; the
  // window closes when it has returned, so nothing is shut down under its feet.
  if (m_running > 0) {
    m_closeRequested = true;
    event->ignore();
    return;
  }
  FormDestroy();
  event->accept();
}

void TMainForm::run(const std::function<void()>& command, bool refreshAfter, const QString& label,
                    UndoHistory::Kind kind) {
  if (m_destroyed) return;
  ScopedUi scoped(m_ui);
  ++m_running;
  m_history->begin();
  command();
  --m_running;
  if (m_destroyed) return;
  // The refresh writes the competition record held in memory: it belongs to the command.
  if (refreshAfter) refresh();
  m_history->end(label, kind);
  showMessageLine();
  if (m_running == 0 && m_closeRequested) {
    m_closeRequested = false;
    QTimer::singleShot(0, this, [this] { close(); });
  }
}

void TMainForm::refresh() {
  Database& db = m_shell.db();
  m_state = ReadMainState(db);
  m_shell.config().main().setCurrentCompetition(db.currentCompetition());
  for (int k = 0; k < kMaxCompetitions; ++k) {
    for (QAction* a : {m_select[k], m_delete[k]}) {
      a->setText(FromCp1252(m_state.items[k].caption));
      a->setEnabled(m_state.dataPresent && m_state.items[k].enabled);
      a->setChecked(m_state.items[k].checked);
    }
  }
  for (std::string_view name : RuledControls()) {
    const QString qname = QString::fromLatin1(name.data(), static_cast<int>(name.size()));
    const bool on = IsEnabled(NeedOf(name), m_state);
    for (QAction* a : findChildren<QAction*>(qname)) a->setEnabled(on);
    if (auto* w = findChild<QWidget*>(qname)) {
      if (!qobject_cast<QMenu*>(w)) w->setEnabled(on);
    }
  }
  m_spelfordela->setChecked(m_state.competitionOpen && m_state.scheduled);
  m_dataPanel->setText(FromCp1252(DataPanelText(m_state)));
  const std::string next = NextStepText(m_state);
  m_nextStep->setText(FromCp1252(next));
  m_nextStep->setVisible(!next.empty());
  // "Datafiler saknas" leaves the message bar once the data files are there.
  if (m_state.dataPresent && m_bar.drop(MessageText(msg::kDataFilesMissing))) {
    for (int k = 0; k < 3; ++k) m_messages[k]->setText(FromCp1252(m_bar.panels()[k]));
  }
  showMessageLine();
}

void TMainForm::showMessageLine() {
  const std::string& text = StatusMessage();
  if (text == m_lastShown) return;
  m_lastShown = text;
  if (!m_bar.show(text)) return;
  for (int k = 0; k < 3; ++k) m_messages[k]->setText(FromCp1252(m_bar.panels()[k]));
  m_messages[0]->setToolTip(FromCp1252(text));
  if (QWidget* bar = findChild<QWidget*>(QStringLiteral("StatusBarMessage")))
    bar->setToolTip(FromCp1252(text));
}

void TMainForm::showSettingsPanels() {
  const StatusTexts t = m_shell.statusTexts();
  m_settings[0]->setText(QString::fromStdString(t.dataDir));
  m_settings[1]->setText(FromCp1252(t.reportSettings));
  m_settings[2]->setText(FromCp1252(t.labelSettings));
}

void TMainForm::paintEvent(QPaintEvent* event) {
  QMainWindow::paintEvent(event);
  if (!m_painted) {
    m_painted = true;
    if (onFirstPaint) onFirstPaint();
  }
}

// ---------------------------------------------------------------------------------------
// Commands

void TMainForm::selectCompetition(int n) {
  SelectCompetitionCommand(m_shell.db(), n);
}

void TMainForm::deleteCompetition(int n) {
  DeleteCompetitionCommand(m_shell.db(), n);
}

void TMainForm::InputInfo(bool add) {
  switch (liga::InputInfo(m_shell.db(), add)) {
    case InputInfoOutcome::NoData:
      return;
    case InputInfoOutcome::TooMany:
      ShowMessage(1, kMaxCompetitionsText);
      m_ui.beep(440, 100);
      return;
    case InputInfoOutcome::OpenEditor:
      liga::InputInfo(m_shell.db(), add, [this](liga::TInfoDlgForm& c) {
        InfoDlgFormView dialog(c, this);
        RunModal(dialog);
      });
      return;
  }
}

void TMainForm::importera() {
  Database& db = m_shell.db();
  if (!db.catalogueAvailable()) return;
  MainConfig& main = m_shell.config().main();
  const std::string start = fs::path(main.lastExchangePath()).parent_path().string();
  const std::vector<std::string> files = m_ui.pickOpenFiles(W("välj filer"), start, kImportFilter);
  if (files.empty()) return;
  main.setLastExchangePath(files.back());
  exchange::Importer importer(db, m_shell.folders().textDir);
  importer.importFiles(files);
}

void TMainForm::exportera(int kind) {
  Database& db = m_shell.db();
  if (!db.competitionOpen()) return;
  MainConfig& main = m_shell.config().main();
  std::string last = main.lastExchangePath();
  if (last.empty()) last = db.dataDir() + "/";
  exchange::RunExport(db, static_cast<exchange::ExportKind>(kind), last);
  main.setLastExchangePath(last);
}

void TMainForm::spellotta() {
  Database& db = m_shell.db();
  if (!db.competitionOpen()) return;
  TeamSelection selection(db);
  const scheduling::ScheduleInput input = scheduling::ReadScheduleInput(db, selection);
  scheduling::ScheduleConfig config;
  config.LastExchangePath = m_shell.config().main().lastExchangePath();
  config.DataDir = db.dataDir() + "/";
  auto dialog = [this](scheduling::ScheduleDialog& controller) {
    TLottnDlgForm form(controller, this);
    if (runLottnDialog) return runLottnDialog(form);
    return form.exec() == QDialog::Accepted;
  };
  scheduling::RunOptions defaults;
  const scheduling::RunSummary run =
      scheduling::Spellotta(input, config, dialog, scheduleOptions ? *scheduleOptions : defaults);
  m_shell.config().main().setLastExchangePath(config.LastExchangePath);
  if (run.outcome == scheduling::RunOutcome::Written) showScheduleFairness(run);
}

// The run's result with the fairness summary of the file it wrote, so two runs can be
// compared before either is imported.
void TMainForm::showScheduleFairness(const scheduling::RunSummary& run) {
  std::vector<std::string> lines = {
      Utf8ToCp1252("schemafil: ") + run.lrec.OutFile,
      Utf8ToCp1252("speltider: ") + std::to_string(run.playTimesUsed),
      Utf8ToCp1252("matcher på riktiga speltider: ") + std::to_string(run.realMatches),
      Utf8ToCp1252("matcher kvar på ersättningstider: ") + std::to_string(run.placeholderMatches),
      ""};
  for (std::string& l : scheduling::ScheduleFileSummaryLines(run.lrec.OutFile, m_shell.db()))
    lines.push_back(std::move(l));
  m_ui.showText(Utf8ToCp1252("spelfördelning: rättvisa"), lines);
}

void TMainForm::backup() {
  m_shell.db().backupCompetition();
}

void TMainForm::restore() {
  RunRestore(m_shell.db());
}

void TMainForm::exportCalendar() {
  Database& db = m_shell.db();
  if (!db.competitionOpen()) return;
  MainConfig& main = m_shell.config().main();
  std::string last = main.lastExchangePath();
  if (last.empty()) last = db.dataDir() + "/";
  publish::RunCalendarExport(db, last, std::time(nullptr));
  main.setLastExchangePath(last);
}

void TMainForm::indexbygg() {
  m_shell.db().rebuildCompetition();
}

void TMainForm::skapaNya() {
  m_shell.db().createNewCatalogue();
}

void TMainForm::raderaAllaLag() {
  m_shell.db().removeAllTeams();
}

void TMainForm::dataDir() {
  ChangeDataDirectoryCommand(m_shell.db(), m_shell.config().main());
  showSettingsPanels();
  // The choice is the point of the command: it is saved now, so a failure is told while the
  // user can still act on it, not lost at exit.
  if (!m_shell.saveConfiguration()) ShowMessage(401, m_shell.configSaveFailureText());
}

void TMainForm::konfig() {
  TEKonfigDlg dialog(m_shell.config(), this);
  if (runKonfigDialog) {
    runKonfigDialog(dialog);
  } else {
    dialog.exec();
  }
  showSettingsPanels();
}

void TMainForm::info() {
  if (!m_ui.scripted()) {
    QMessageBox::about(this, U("Om LigaWin32"),
                       QString::fromStdString(Cp1252ToUtf8(WindowCaption(""))) +
                           U("\nserie- och turneringsadministration\n\nDatabibliotek: ") +
                           QString::fromStdString(m_shell.db().dataDir()));
  }
  ShowMessage(1, RecordSizeLine());
}

void TMainForm::editor() {
  const std::string folder =
      ExchangeFolder(m_shell.config().main().lastExchangePath(), m_shell.folders().textDir);
  std::string reason = "The specified file was not found.";
  for (const auto& candidate : EditorCandidates(folder)) {
    const QString program = QString::fromStdString(candidate.front());
    if (QStandardPaths::findExecutable(program).isEmpty() && !QFileInfo(program).isExecutable()) {
      continue;
    }
    QStringList args;
    for (std::size_t i = 1; i < candidate.size(); ++i) args << QString::fromStdString(candidate[i]);
    QProcess process;
    process.setProgram(program);
    process.setArguments(args);
    if (process.startDetached()) return;
    reason = process.errorString().toStdString();
  }
  ShowMessage(1, EditorFailureText(Utf8ToCp1252(reason)));
  m_ui.beep(440, 100);
}

void TMainForm::notImplemented() {
  ShowMessage(1, kNotImplementedText);
}

void TMainForm::openRegister(RegisterKind kind) {
  // Registers are never opened without an open competition, even from a tool button.
  Database& db = m_shell.db();
  if (!db.competitionOpen()) return;
  switch (kind) {
    case RegisterKind::Classes: {
      KlassRegFormView form(db, this, &m_shell);
      RunModal(form);
      break;
    }
    case RegisterKind::Teams: {
      LagRegFormView form(db, this, &m_shell);
      RunModal(form);
      break;
    }
    case RegisterKind::PlayTimes: {
      GameRegFormView form(db, this, &m_shell);
      RunModal(form);
      break;
    }
  }
}
void TMainForm::openMatchMover() {
  if (!m_shell.db().competitionOpen()) return;
  MoveGameFormView form(m_shell.db(), this);
  RunModal(form);
}
void TMainForm::openResultEntry() {
  if (!m_shell.db().competitionOpen()) return;
  ResultFormView form(m_shell.db(), this);
  RunModal(form);
}
void TMainForm::printReport(ReportKind kind) {
  PrintReportCommand(this, m_shell, kind);
}
void TMainForm::showView(ReportKind kind) {
  ShowViewCommand(this, m_shell, kind);
}
void TMainForm::printLabels(bool byTeam, int set) {
  PrintLabelsCommand(this, m_shell, byTeam, set);
}
char TMainForm::giroFillCharacter() {
  Database& db = m_shell.db();
  return db.competitionOpen() && db.comp().amountFilled() ? ' ' : 'X';
}

// The fill character is the giro writer's own business: it reads the competition's
// AmountFilled itself.
void TMainForm::printGiro(int set, char) {
  PrintGiroCommand(this, m_shell, set);
}
void TMainForm::openMail() {
  TFormSendEmail form(m_shell.db(), mail::TSendEmail::New(), this);
  RunModal(form);
}
void TMainForm::openGiroRegister(int) {
  TEGiroRegForm form((std::filesystem::path(m_shell.folders().configDir) / "giroreg.txt").string(),
                     this);
  form.exec();
}
void TMainForm::openLabelRegister() {
  TEEtikettRegForm form(m_shell.config().label(), this);
  form.exec();
}

}  // namespace liga::gui
