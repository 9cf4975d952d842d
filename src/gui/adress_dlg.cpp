#include "gui/adress_dlg.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/qt_ui.h"

namespace liga::gui {

AdressDlgView::AdressDlgView(liga::TadressDlg& ctl, QWidget* parent) : QDialog(parent), m_ctl(ctl) {
  setObjectName(QStringLiteral("TadressDlg"));
  setWindowTitle(FromCp1252(liga::TadressDlg::Caption()));
  auto* layout = new QVBoxLayout(this);
  m_memo = new QPlainTextEdit(this);
  m_memo->setObjectName(QStringLiteral("adressMemo"));
  std::string memo = ctl.adressMemo;
  for (std::size_t at; (at = memo.find("\r\n")) != std::string::npos;) memo.replace(at, 2, "\n");
  m_memo->setPlainText(FromCp1252(memo));
  QFont mono(QStringLiteral("DejaVu Sans Mono"));
  m_memo->setFont(mono);
  m_memo->setMinimumSize(260, 120);
  // The memo accepts at most kMemoMax characters, as the control does.
  connect(m_memo, &QPlainTextEdit::textChanged, this, [this] {
    const QString text = m_memo->toPlainText();
    if (text.size() <= static_cast<qsizetype>(liga::TadressDlg::kMemoMax)) return;
    const QSignalBlocker block(m_memo);
    m_memo->setPlainText(text.left(static_cast<qsizetype>(liga::TadressDlg::kMemoMax)));
    m_memo->moveCursor(QTextCursor::End);
  });
  layout->addWidget(m_memo);
  auto* buttons = new QHBoxLayout;
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("okBtn"));
  auto* cancel = new QPushButton(QStringLiteral("Avbryt"), this);
  cancel->setObjectName(QStringLiteral("cancelBtn"));
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, [this] { okClick(); });
  connect(cancel, &QPushButton::clicked, this, [this] {
    m_ctl.cancelClick();
    reject();
  });
}

void AdressDlgView::okClick() {
  std::string text = ToCp1252(m_memo->toPlainText());
  std::string memo;
  for (char c : text) {
    if (c == '\n') memo += '\r';
    memo += c;
  }
  m_ctl.adressMemo = memo;
  m_ctl.okClick();
  accept();
}

}  // namespace liga::gui
