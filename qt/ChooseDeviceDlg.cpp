#include "qt/ChooseDeviceDlg.h"

#include "qt/DialogUnits.h"

#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>

namespace remorra {

CChooseDeviceDlg::CChooseDeviceDlg(SourceFactory sources, IMessageBox& box, QWidget* parent)
    : QDialog(parent), m_sources(std::move(sources)), m_box(box) {
    setWindowTitle(QStringLiteral("Choose Device"));
    const DialogUnits du(font());
    setFixedSize(du.x(282), du.y(125));

    auto* group = new QGroupBox(QStringLiteral("Device List"), this);
    du.place(group, 7, 7, 268, 92);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("1022"));
    m_list->setSortingEnabled(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    du.place(m_list, 14, 19, 254, 74);

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("1"));
    m_ok->setDefault(true);
    du.place(m_ok, 170, 104, 50, 14);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("2"));
    du.place(m_cancel, 225, 104, 50, 14);

    connect(m_ok, &QPushButton::clicked, this, &CChooseDeviceDlg::OnOK);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem*) { OnOK(); });
}

int CChooseDeviceDlg::DoModal() {
    OnInitDialog();
    return exec();
}

void CChooseDeviceDlg::OnInitDialog() {
    std::unique_ptr<discovery::ICaptureDeviceSource> source = m_sources ? m_sources() : nullptr;
    InitChooser(m_logic, m_devices, source.get(), m_box);

    m_list->clear();
    for (const CChooseDeviceLogic::Entry& e : m_logic.entries()) {
        auto* item = new QListWidgetItem(QString::fromStdString(e.text), m_list);
        item->setData(Qt::UserRole, e.itemData);
    }
    if (m_logic.selection() >= 0) m_list->setCurrentRow(m_logic.selection());
}

void CChooseDeviceDlg::OnOK() {
    m_logic.Select(m_list->currentRow());
    m_logic.OnOK();
    accept();
}

} // namespace remorra
