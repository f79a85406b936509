#include "qt/OptionDlg.h"

#include "qt/DialogUnits.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>

namespace remorra {

COptionDlg::COptionDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Remorra Option"));
    const DialogUnits du(font());
    setFixedSize(du.x(186), du.y(90));

    auto* group = new QGroupBox(QStringLiteral("Setting"), this);
    du.place(group, 7, 7, 172, 54);
    m_start = new QCheckBox(QStringLiteral("Start and Hide"), this);
    m_start->setObjectName(QStringLiteral("1034"));
    du.place(m_start, 18, 22, 150, 10);
    m_remember = new QCheckBox(QStringLiteral("Remember device select"), this);
    m_remember->setObjectName(QStringLiteral("1035"));
    du.place(m_remember, 18, 40, 150, 10);

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("1"));
    m_ok->setDefault(true);
    du.place(m_ok, 74, 69, 50, 14);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("2"));
    du.place(m_cancel, 129, 69, 50, 14);

    connect(m_ok, &QPushButton::clicked, this, &COptionDlg::OnOK);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

OptionDlgResult COptionDlg::run(const StartOptions& initial) {
    m_bStartAndHide = initial.startAndHide ? 1 : 0;
    m_bRememberDevice = initial.rememberDevice ? 1 : 0;
    OnInitDialog();
    OptionDlgResult r;
    r.ok = exec() == QDialog::Accepted;
    r.flags.startAndHide = m_bStartAndHide;
    r.flags.rememberDevice = m_bRememberDevice;
    return r;
}

void COptionDlg::OnInitDialog() {
    m_start->setChecked(m_bStartAndHide != 0);
    m_remember->setChecked(m_bRememberDevice != 0);
}

void COptionDlg::OnOK() {
    m_bStartAndHide = m_start->isChecked() ? 1 : 0;
    m_bRememberDevice = m_remember->isChecked() ? 1 : 0;
    accept();
}

} // namespace remorra
