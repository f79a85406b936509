#include "qt/ProfilePanel.h"

#include "qt/DialogUnits.h"
#include "qt/HotKeyCtrl.h"
#include "qt/InputFileNameDlg.h"

#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QWindow>

namespace remorra {

namespace {
// Grid place of each slot's field, in slot order: row 1-12, right column or
// not; row 0 is the "Recorded TV:" field below the grid.
struct GridPlace {
    int row;
    bool right;
};
constexpr std::array<GridPlace, kKeySlotCount> kGrid{{
    {1, true},  {1, false}, {6, true},  {5, false}, {3, false}, {4, false}, {3, true},
    {4, true},  {5, true},  {6, false}, {7, false}, {7, true},  {9, false}, {2, true},
    {8, false}, {8, true},  {12, true}, {2, false}, {9, true},  {12, false}, {10, false},
    {11, false}, {11, true}, {10, true}, {0, false},
}};

QString objectNameFor(int id) { return QString::number(id); }

QString qs(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
} // namespace

ProfilePanel::ProfilePanel(IMessageBox& box, std::string title, QWidget* parent)
    : QWidget(parent), m_ed(box, std::move(title)) {
    askName = [this] { return CInputFileNameDlg::Ask(this); };
    const DialogUnits du(font());

    // Group boxes first so that the controls inside stack above them.
    auto* profileSet = new QGroupBox(QStringLiteral("Profile Set"), this);
    du.place(profileSet, 4, 5, 310, 34);
    auto* keySetting = new QGroupBox(QStringLiteral("Key Setting"), this);
    du.place(keySetting, 4, 43, 310, 259);

    du.place(new QLabel(QStringLiteral("Profile:"), this), 16, 17, 34, 8);
    m_combo = new QComboBox(this);
    m_combo->setObjectName(objectNameFor(1003));
    m_combo->setMaxVisibleItems(95 / 8);
    m_combo->setGeometry(du.x(56), du.y(15), du.x(102), m_combo->sizeHint().height());

    auto makeButton = [&](int id, const char* caption, int x, int y, int w, int h) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(objectNameFor(id));
        b->setAutoDefault(false);
        du.place(b, x, y, w, h);
        return b;
    };
    m_new = makeButton(1020, "New", 165, 14, 29, 14);
    m_save = makeButton(1022, "Save", 200, 14, 29, 14);
    m_del = makeButton(1021, "Del", 235, 14, 29, 14);
    m_apply = makeButton(1002, "Apply", 270, 14, 37, 19);

    // Fields in reading order, which is also the tab order.
    std::array<std::size_t, kKeySlotCount> order{};
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [](std::size_t a, std::size_t b) {
        auto rank = [](const GridPlace& g) { return (g.row == 0 ? 13 : g.row) * 2 + (g.right ? 1 : 0); };
        return rank(kGrid[a]) < rank(kGrid[b]);
    });
    for (std::size_t slot : order) {
        const keys::KeySlotInfo& info = keys::kKeySlots[slot];
        const GridPlace g = kGrid[slot];
        int fieldX = 97, fieldY = 284, labelX = 35, labelW = 60;
        if (g.row != 0) {
            fieldX = g.right ? 210 : 58;
            fieldY = 56 + 19 * (g.row - 1);
            labelX = g.right ? 161 : 16;
            labelW = g.right ? 47 : 40;
        }
        du.place(new QLabel(QString::fromLatin1(info.label), this), labelX, fieldY + 2, labelW, 8);
        auto* f = new CHotKeyCtrl(this);
        f->setObjectName(objectNameFor(info.controlId));
        du.place(f, fieldX, fieldY, 93, 13);
        m_fields[slot] = f;
    }
    m_option = makeButton(1031, "Option", 229, 282, 50, 16);

    setFixedSize(du.x(318), du.y(309));

    connect(m_combo, &QComboBox::activated, this, [this](int index) {
        SelectProfile(index);
        emit userSelected(QString::fromStdString(m_ed.SelectedText()));
    });
    connect(m_apply, &QPushButton::clicked, this, &ProfilePanel::ApplyKeys);
    connect(m_save, &QPushButton::clicked, this, &ProfilePanel::SaveProfile);
    connect(m_new, &QPushButton::clicked, this, &ProfilePanel::NewProfile);
    connect(m_del, &QPushButton::clicked, this, &ProfilePanel::DeleteProfile);
    connect(m_option, &QPushButton::clicked, this, &ProfilePanel::optionRequested);

    // Enter and Escape belong to the window before any control sees them.
    for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
}

QPushButton* ProfilePanel::button(int controlId) const {
    switch (controlId) {
    case 1020: return m_new;
    case 1022: return m_save;
    case 1021: return m_del;
    case 1002: return m_apply;
    case 1031: return m_option;
    default: return nullptr;
    }
}

void ProfilePanel::fieldsToEditor() {
    for (std::size_t i = 0; i < kKeySlotCount; ++i) {
        HotKeyField& f = m_ed.keys.m_slots[i].field;
        m_fields[i]->GetHotKey(f.virtualKey, f.modifiers);
    }
}

void ProfilePanel::showEditorState() {
    {
        const QSignalBlocker block(m_combo);
        const auto& entries = m_ed.entries();
        bool same = m_combo->count() == static_cast<int>(entries.size());
        for (int i = 0; same && i < m_combo->count(); ++i)
            same = m_combo->itemText(i) == qs(entries[static_cast<std::size_t>(i)]);
        if (!same) {
            m_combo->clear();
            for (const std::string& e : entries) m_combo->addItem(qs(e));
        }
        m_combo->setCurrentIndex(m_ed.selection());
    }
    for (std::size_t i = 0; i < kKeySlotCount; ++i) {
        const HotKeyField& f = m_ed.keys.m_slots[i].field;
        m_fields[i]->SetHotKey(f.virtualKey, f.modifiers);
        m_fields[i]->setEnabled(f.enabled);
    }
    m_del->setEnabled(m_ed.deleteEnabled());
}

void ProfilePanel::RestoreProfileSelection(int index) {
    fieldsToEditor();
    m_ed.RestoreProfileSelection(index);
    showEditorState();
}

void ProfilePanel::SelectProfile(int index) {
    fieldsToEditor();
    m_ed.SelectProfileAt(index);
    showEditorState();
}

void ProfilePanel::ApplyKeys() {
    fieldsToEditor();
    m_ed.ApplyKeys();
}

void ProfilePanel::SaveProfile() {
    fieldsToEditor();
    m_ed.SaveProfile();
    showEditorState();
}

void ProfilePanel::NewProfile() {
    fieldsToEditor();
    m_ed.NewProfile(askName());
    showEditorState();
}

void ProfilePanel::DeleteProfile() {
    fieldsToEditor();
    m_ed.DeleteProfile();
    showEditorState();
}

bool ProfilePanel::takeWindowKey(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        ApplyKeys();
        return true;
    case Qt::Key_Escape: return true;
    default: return false;
    }
}

bool ProfilePanel::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress && takeWindowKey(static_cast<QKeyEvent*>(e))) return true;
    // Swallow the matching shortcut check too, or a default button or the
    // dialog's own Escape handling could claim the key first.
    if (e->type() == QEvent::ShortcutOverride) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
            e->accept();
            return true;
        }
    }
    return QWidget::eventFilter(watched, e);
}

void ProfilePanel::keyPressEvent(QKeyEvent* e) {
    if (takeWindowKey(e)) e->accept();
    else QWidget::keyPressEvent(e);
}

// The client area drags the window as its caption would.
void ProfilePanel::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(e);
        return;
    }
    e->accept();
    if (QWindow* w = window()->windowHandle(); w && w->startSystemMove()) return;
    // No window manager move: follow the pointer ourselves.
    m_dragging = true;
    m_dragOffset = e->globalPosition().toPoint() - window()->pos();
}

void ProfilePanel::mouseMoveEvent(QMouseEvent* e) {
    if (!m_dragging || !(e->buttons() & Qt::LeftButton)) {
        QWidget::mouseMoveEvent(e);
        return;
    }
    window()->move(e->globalPosition().toPoint() - m_dragOffset);
    e->accept();
}

void ProfilePanel::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) m_dragging = false;
    QWidget::mouseReleaseEvent(e);
}

} // namespace remorra
