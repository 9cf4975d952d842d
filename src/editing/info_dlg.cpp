#include "editing/info_dlg.h"

#include "common/encoding.h"
#include "common/messages.h"
#include "common/text.h"

namespace liga {

TadressDlg::TadressDlg(const Block& block) : m_block(block) {
  for (const std::string& line : block) adressMemo += line + "\r\n";
  while (!adressMemo.empty() && (adressMemo.back() == '\n' || adressMemo.back() == '\r'))
    adressMemo.pop_back();
}

void TadressDlg::okClick() {
  std::string memo = adressMemo.substr(0, kMemoMax);
  while (!memo.empty() && (memo.back() == '\n' || memo.back() == '\r')) memo.pop_back();
  Block block;
  std::size_t line = 0, pos = 0;
  while (line < block.size() && pos <= memo.size()) {
    std::size_t end = memo.find('\n', pos);
    if (end == std::string::npos) end = memo.size();
    std::string text = memo.substr(pos, end - pos);
    if (!text.empty() && text.back() == '\r') text.pop_back();
    block[line++] = text.substr(0, 22);
    pos = end + 1;
  }
  m_block = block;
  m_close = EditorClose::Ok;
}

// ---------------------------------------------------------------------------------------

std::string TInfoDlgForm::Caption() {
  return W("tävling/turnering");
}

TInfoDlgForm::TInfoDlgForm(Database& db, bool adding) : m_db(db), m_adding(adding) {
  if (adding && db.competitionOpen()) db.closeCompetition();
  m_saved = db.comp();
  const CompetitionRec& c = db.comp();
  for (int b = 0; b < CompetitionRec::kContactBlocks; ++b) edKontakt[b] = c.contact(b, 0);
  edArr = c.organiser();
  edTvl = c.competitionName();
  edTyp = c.sportType();
  edOmg = std::to_string(c.defaultRounds());
  edPostgiro = c.postgiroNumber();
  edBankgiro = c.bankgiroNumber();
  m_usePG = c.giroType() < 3;
  edBetMottagare = c.payee();
  edAvgift = FormatInt(c.fee(), 5);
  cbAttbetala = c.amountFilled();
}

void TInfoDlgForm::btnKontaktClick(int n, const std::function<void(TadressDlg&)>& run) {
  if (n < 1 || n > CompetitionRec::kContactBlocks) return;
  CompetitionRec& c = m_db.comp();
  TadressDlg::Block block;
  for (int l = 0; l < CompetitionRec::kContactLines; ++l) block[l] = c.contact(n - 1, l);
  TadressDlg dlg(block);
  if (run) run(dlg);
  for (int l = 0; l < CompetitionRec::kContactLines; ++l) c.setContact(n - 1, l, dlg.block()[l]);
  edKontakt[n - 1] = dlg.block()[0];
}

OkResult TInfoDlgForm::okButtonClick() {
  CompetitionRec& c = m_db.comp();
  c.setOrganiser(edArr.substr(0, 40));
  c.setCompetitionName(edTvl.substr(0, 40));
  c.setSportType(edTyp.substr(0, 30));
  const auto rounds = ParseEditorNumber(edOmg);
  if (!rounds) return OkResult::Refused(NumericInputError(), "edOmg");
  c.setDefaultRounds(*rounds);
  c.setPostgiroNumber(edPostgiro.substr(0, 32));
  c.setBankgiroNumber(edBankgiro.substr(0, 32));
  c.setGiroType(m_usePG ? 0 : 3);
  c.setPayee(edBetMottagare.substr(0, 32));
  // The fee is shown right-aligned; its blanks are not part of the number.
  std::string fee = edAvgift;
  while (!fee.empty() && fee.front() == ' ') fee.erase(fee.begin());
  while (!fee.empty() && fee.back() == ' ') fee.pop_back();
  const auto feeValue = ParseEditorNumber(fee);
  if (!feeValue) return OkResult::Refused(NumericInputError(), "edAvgift");
  c.setFee(*feeValue);
  c.setAmountFilled(cbAttbetala);

  // A new competition is added with its files as one step: a failure leaves no listed
  // competition without files.
  if (m_adding) {
    if (!m_db.createCompetition()) return OkResult::Refused(IsamErrorText());
  } else if (!m_db.storeCompetition(false)) {
    return OkResult::Refused(IsamErrorText());
  } else if (!m_db.competitionOpen()) {
    m_db.openCompetitionFiles();
  }
  m_close = EditorClose::Ok;
  return OkResult::Passed();
}

void TInfoDlgForm::cancelButtonClick() {
  m_db.comp() = m_saved;
  if (!m_db.competitionOpen() && m_db.currentCompetition() > 0) m_db.openCompetitionFiles();
  m_close = EditorClose::Cancel;
}

bool InputInfo(Database& db, bool add, const std::function<void(TInfoDlgForm&)>& run) {
  if (add) {
    if (!db.catalogueAvailable()) {
      db.setCurrentCompetition(0);
      return false;
    }
    if (db.catalogueUsedRecs() >= kMaxCompetitions) {
      ShowMessage(1, W("Max antal tävlingar uppnått kan ej addera flera!"));
      return false;
    }
    if (!db.selectCompetition(0, true)) return false;
  } else if (!db.competitionOpen()) {
    return false;
  }
  TInfoDlgForm dlg(db, add);
  if (run) run(dlg);
  if (dlg.closeState() != EditorClose::Ok) dlg.cancelButtonClick();
  return dlg.closeState() == EditorClose::Ok;
}

}  // namespace liga
