#pragma once
// The main window's client area: the profile selector with New, Save, Del
// and Apply, the 25 hot-key fields and Option. Every decision is the profile
// editor's; this view mirrors its state and forwards the user's commands.
// Enter anywhere in the panel applies the fields and Escape is swallowed, so
// neither reaches a field or closes the window.
#include "app/ProfileEditor.h"

#include <QPoint>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>
#include <string>

class QComboBox;
class QPushButton;

namespace remorra {

class CHotKeyCtrl;

class ProfilePanel : public QWidget {
    Q_OBJECT
public:
    ProfilePanel(IMessageBox& box, std::string title, QWidget* parent = nullptr);

    // Start-up: fill the list, select the remembered position, load it.
    void RestoreProfileSelection(int index);
    void SetPublisher(IProfilePublisher* publisher) { m_ed.SetPublisher(publisher); }

    CProfileEditor& editor() { return m_ed; }
    QComboBox* profileCombo() const { return m_combo; }
    QPushButton* button(int controlId) const; // 1020, 1022, 1021, 1002, 1031
    CHotKeyCtrl* field(std::size_t slot) const { return m_fields[slot]; }

    // Asks for a new profile's name; nullopt when cancelled. Shows
    // CInputFileNameDlg unless replaced (tests).
    std::function<std::optional<std::string>()> askName;

public slots:
    void SelectProfile(int index);
    void ApplyKeys();
    void SaveProfile();
    void NewProfile();
    void DeleteProfile();

signals:
    void optionRequested();
    // The user picked an entry in the combo box.
    void userSelected(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    bool takeWindowKey(QKeyEvent* e);
    void fieldsToEditor();
    void showEditorState();

    CProfileEditor m_ed;
    QComboBox* m_combo = nullptr;
    QPushButton* m_new = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_del = nullptr;
    QPushButton* m_apply = nullptr;
    QPushButton* m_option = nullptr;
    std::array<CHotKeyCtrl*, kKeySlotCount> m_fields{};
    bool m_dragging = false;
    QPoint m_dragOffset;
};

} // namespace remorra
