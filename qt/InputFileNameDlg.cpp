#include "qt/InputFileNameDlg.h"

#include "qt/DialogUnits.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace remorra {

CInputFileNameDlg::CInputFileNameDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("InputFileName"));
    const DialogUnits du(font());
    auto* frame = new QGroupBox(this);
    frame->setFlat(true);
    frame->setStyleSheet(QStringLiteral("QGroupBox { border: none; }"));
    du.place(frame, 7, 7, 172, 30);
    auto* label = new QLabel(QStringLiteral("ProfileName:"), this);
    du.place(label, 14, 19, 44, 8);
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("1021"));
    du.place(m_edit, 60, 17, 112, 12);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    du.place(ok, 68, 44, 50, 14);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("2"));
    du.place(cancel, 124, 44, 50, 14);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    setFixedSize(du.x(186), du.y(64));
    m_edit->setFocus();
}

void CInputFileNameDlg::accept() {
    m_strName = m_edit->text().toStdString();
    QDialog::accept();
}

std::optional<std::string> CInputFileNameDlg::Ask(QWidget* parent) {
    CInputFileNameDlg dlg(parent);
    if (dlg.exec() != QDialog::Accepted) return std::nullopt;
    return dlg.m_strName;
}

} // namespace remorra
