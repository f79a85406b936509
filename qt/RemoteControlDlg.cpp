#include "qt/RemoteControlDlg.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace remorra {
namespace {

constexpr int kMaxCodes = 200;        // the list keeps the latest codes
constexpr int kPollMs = 30;           // codes show within a frame's time
constexpr const char* kNewMapName = "remote";

QTreeWidget* MakeList(const QStringList& columns, QWidget* parent)
{
    auto* list = new QTreeWidget(parent);
    list->setHeaderLabels(columns);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->header()->setStretchLastSection(true);
    return list;
}

QSpinBox* MakeMs(QWidget* parent)
{
    auto* box = new QSpinBox(parent);
    box->setRange(0, 10000);
    box->setSingleStep(50);
    box->setSuffix(QStringLiteral(" ms"));
    return box;
}

} // namespace

CRemoteControlDlg::CRemoteControlDlg(IMessageBox& box, std::string configFile, QWidget* parent)
    : QDialog(parent), m_box(box), m_configFile(std::move(configFile)), m_session(*this, box)
{
    setWindowTitle(QString::fromLatin1(kRemoteControlCaption));

    m_map = new QComboBox(this);
    m_map->setEditable(true);
    m_map->setInsertPolicy(QComboBox::NoInsert);
    m_map->setMinimumContentsLength(20);
    for (const RemoteMapChoice& c : m_session.MapChoices(m_configFile))
        if (c.file.learned)
            m_map->addItem(QString::fromStdString(c.text));
    auto* mapRow = new QHBoxLayout;
    auto* mapLabel = new QLabel(QStringLiteral("&Remote:"), this);
    mapLabel->setBuddy(m_map);
    mapRow->addWidget(mapLabel);
    mapRow->addWidget(m_map, 1);

    m_buttons = MakeList({QStringLiteral("Key"), QStringLiteral("Label"), QStringLiteral("Binding")}, this);
    m_buttons->setColumnWidth(0, 150);
    m_buttons->setColumnWidth(1, 80);
    m_codes = MakeList({QStringLiteral("Code"), QStringLiteral("Bound to")}, this);
    m_codes->setColumnWidth(0, 250);
    m_codes->setFocusPolicy(Qt::NoFocus);

    m_key = new QLineEdit(this);
    m_key->setPlaceholderText(QStringLiteral("KEY_..."));
    m_bind = new QPushButton(QStringLiteral("&Bind"), this);
    m_unbind = new QPushButton(QStringLiteral("&Unbind"), this);
    auto* keyRow = new QHBoxLayout;
    auto* keyLabel = new QLabel(QStringLiteral("&Key:"), this);
    keyLabel->setBuddy(m_key);
    keyRow->addWidget(keyLabel);
    keyRow->addWidget(m_key, 1);
    keyRow->addWidget(m_bind);
    keyRow->addWidget(m_unbind);

    auto* buttonsBox = new QGroupBox(QStringLiteral("Buttons"), this);
    auto* buttonsLayout = new QVBoxLayout(buttonsBox);
    buttonsLayout->addWidget(m_buttons);
    buttonsLayout->addLayout(keyRow);
    auto* codesBox = new QGroupBox(QStringLiteral("Codes as they arrive"), this);
    auto* codesLayout = new QVBoxLayout(codesBox);
    codesLayout->addWidget(m_codes);
    auto* lists = new QHBoxLayout;
    lists->addWidget(buttonsBox, 1);
    lists->addWidget(codesBox, 1);

    m_delay = MakeMs(this);
    m_period = MakeMs(this);
    auto* repeatBox = new QGroupBox(QStringLiteral("Held buttons (0 and 0: every repeat)"), this);
    auto* repeatLayout = new QFormLayout(repeatBox);
    repeatLayout->addRow(QStringLiteral("Repeat &delay:"), m_delay);
    repeatLayout->addRow(QStringLiteral("Repeat &period:"), m_period);
    m_savedRepeat = m_session.Repeat(m_configFile);
    m_delay->setValue(static_cast<int>(m_savedRepeat.delayMs));
    m_period->setValue(static_cast<int>(m_savedRepeat.periodMs));

    m_inUse = new QListWidget(this);
    m_inUse->setMinimumHeight(60);
    auto* inUseBox = new QGroupBox(QStringLiteral("Remotes in use"), this);
    auto* inUseLayout = new QVBoxLayout(inUseBox);
    inUseLayout->addWidget(m_inUse);
    ShowMapChoices();
    connect(m_inUse, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) { OnMapChecked(item); });

    m_status = new QLabel(this);
    m_status->setWordWrap(true);
    m_save = new QPushButton(QStringLiteral("&Save"), this);
    m_close = new QPushButton(QStringLiteral("Close"), this);
    m_save->setAutoDefault(false);
    m_close->setAutoDefault(false);
    m_bind->setAutoDefault(false);
    m_unbind->setAutoDefault(false);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(repeatBox);
    bottom->addWidget(inUseBox, 1);
    auto* actions = new QVBoxLayout;
    actions->addStretch(1);
    actions->addWidget(m_save);
    actions->addWidget(m_close);
    bottom->addLayout(actions);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(mapRow);
    layout->addLayout(lists, 1);
    layout->addWidget(m_status);
    layout->addLayout(bottom);
    resize(880, 520);

    connect(m_buttons, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item)
            m_key->setText(item->text(0));
    });
    connect(m_buttons, &QTreeWidget::itemActivated, this, [this] { OnBind(); });
    connect(m_key, &QLineEdit::returnPressed, this, [this] { OnBind(); });
    connect(m_bind, &QPushButton::clicked, this, [this] { OnBind(); });
    connect(m_unbind, &QPushButton::clicked, this, [this] { OnUnbind(); });
    connect(m_save, &QPushButton::clicked, this, [this] { OnSave(); });
    connect(m_close, &QPushButton::clicked, this, [this] { reject(); });
    connect(m_map, &QComboBox::textActivated, this, [this](const QString& name) { OpenMap(name); });
    connect(m_map->lineEdit(), &QLineEdit::editingFinished, this, [this] { OpenMap(m_map->currentText()); });

    OpenMap(m_map->count() > 0 ? m_map->itemText(0) : QString::fromLatin1(kNewMapName));
    showStatus("Choose a button and press Bind, then the button on the remote.");

    m_poll = new QTimer(this);
    connect(m_poll, &QTimer::timeout, this, [this] {
        if (m_bPending.exchange(false))
            PollCodes();
    });
    m_poll->start(kPollMs);
}

CRemoteControlDlg::~CRemoteControlDlg() = default;

bool CRemoteControlDlg::OpenMap(const QString& name)
{
    const QString wanted = name.trimmed();
    if (!m_openName.isEmpty() && wanted == m_openName)
        return true;
    if (!MaybeSave() || !m_session.Open(wanted.toStdString())) {
        m_map->setEditText(m_openName);
        return false;
    }
    m_openName = wanted;
    m_map->setEditText(wanted);
    return true;
}

void CRemoteControlDlg::PollCodes()
{
    m_session.Poll();
}

void CRemoteControlDlg::showCode(const LearnedCodeRow& row)
{
    auto* item = new QTreeWidgetItem({QString::fromStdString(row.text), QString::fromStdString(row.boundTo)});
    m_codes->addTopLevelItem(item);
    while (m_codes->topLevelItemCount() > kMaxCodes)
        delete m_codes->takeTopLevelItem(0);
    m_codes->scrollToItem(item);
}

void CRemoteControlDlg::showButtons(const std::vector<RemoteButtonRow>& rows)
{
    const QString current = m_key->text();
    m_buttons->clear();
    for (const RemoteButtonRow& r : rows) {
        auto* item = new QTreeWidgetItem({QString::fromStdString(r.keyName), QString::fromStdString(r.label),
                                          QString::fromStdString(r.binding)});
        m_buttons->addTopLevelItem(item);
        if (item->text(0) == current)
            m_buttons->setCurrentItem(item);
    }
}

void CRemoteControlDlg::showStatus(const std::string& text) { m_status->setText(QString::fromStdString(text)); }

bool CRemoteControlDlg::Dirty() const
{
    const keys::RepeatSettings now{static_cast<std::uint32_t>(m_delay->value()),
                                   static_cast<std::uint32_t>(m_period->value())};
    return m_session.Dirty() || !(now == m_savedRepeat);
}

void CRemoteControlDlg::OnBind()
{
    const std::string key = m_key->text().trimmed().toStdString();
    if (!m_session.StartBinding(key))
        showStatus("Choose a button, or type a key name such as KEY_UP.");
}

void CRemoteControlDlg::OnUnbind()
{
    const std::string key = m_key->text().trimmed().toStdString();
    m_session.CancelBinding();
    if (m_session.Unbind(key))
        showStatus(key + " is not bound now.");
    else
        showStatus(key + " has no binding.");
}

bool CRemoteControlDlg::OnSave()
{
    const keys::RepeatSettings now{static_cast<std::uint32_t>(m_delay->value()),
                                   static_cast<std::uint32_t>(m_period->value())};
    if (!(now == m_savedRepeat)) {
        if (!m_session.SetRepeat(m_configFile, now))
            return false;
        m_savedRepeat = now;
    }
    if (!m_session.Save())
        return false;
    ShowMapChoices(); // a map saved for the first time is in use now
    return true;
}

void CRemoteControlDlg::ShowMapChoices()
{
    const QSignalBlocker quiet(m_inUse);
    m_inUse->clear();
    m_choices = m_session.MapChoices(m_configFile);
    for (const RemoteMapChoice& c : m_choices) {
        auto* item = new QListWidgetItem(QString::fromStdString(c.text), m_inUse);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(c.file.active ? Qt::Checked : Qt::Unchecked);
    }
}

void CRemoteControlDlg::OnMapChecked(QListWidgetItem* item)
{
    const int at = m_inUse->row(item);
    if (at < 0 || static_cast<std::size_t>(at) >= m_choices.size())
        return;
    const bool inUse = item->checkState() == Qt::Checked;
    if (m_session.SetMapInUse(m_configFile, m_choices[static_cast<std::size_t>(at)], inUse)) {
        m_choices[static_cast<std::size_t>(at)].file.active = inUse;
        return;
    }
    const QSignalBlocker quiet(m_inUse);
    item->setCheckState(inUse ? Qt::Unchecked : Qt::Checked);
}

bool CRemoteControlDlg::MaybeSave()
{
    if (!Dirty())
        return true;
    switch (m_box.show("Save the changes to " + m_session.Name() + "?", kRemoteControlCaption, MsgButtons::YesNoCancel,
                       MsgIcon::Question)) {
    case MsgResult::Yes: return OnSave();
    case MsgResult::No: return true;
    default: return false;
    }
}

void CRemoteControlDlg::reject()
{
    m_session.CancelBinding();
    if (MaybeSave())
        QDialog::reject();
}

} // namespace remorra
