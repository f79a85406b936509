#pragma once
// The "Remote control" dialog: a view over CRemoteLearningSession. The map's
// buttons, the codes as they arrive, Bind/Unbind, the repeat control and
// Save/Close; every decision is the session's.
#include "app/RemoteLearning.h"

#include <QDialog>

#include <atomic>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QSpinBox;
class QTimer;
class QTreeWidget;

namespace remorra {

class CRemoteControlDlg : public QDialog, private IRemoteLearningView {
    Q_OBJECT
public:
    // Opens the first of the user's maps (or a new one) right away.
    CRemoteControlDlg(IMessageBox& box, std::string configFile, QWidget* parent = nullptr);
    ~CRemoteControlDlg() override;

    CRemoteLearningSession& Session() { return m_session; }
    // Shows the waiting codes; the dialog's timer calls it too.
    void PollCodes();
    // Asks to save a changed map: false when the user cancels or saving fails.
    bool MaybeSave();
    bool OnSave();
    bool OpenMap(const QString& name);

    QComboBox* mapBox() const { return m_map; }
    QTreeWidget* buttonList() const { return m_buttons; }
    QTreeWidget* codeList() const { return m_codes; }
    QLineEdit* keyEdit() const { return m_key; }
    QPushButton* bindButton() const { return m_bind; }
    QSpinBox* delayBox() const { return m_delay; }
    QSpinBox* periodBox() const { return m_period; }
    QPushButton* saveButton() const { return m_save; }
    QPushButton* closeButton() const { return m_close; }
    QLabel* statusLabel() const { return m_status; }
    QListWidget* inUseList() const { return m_inUse; }

    void reject() override;

private:
    void showCode(const LearnedCodeRow& row) override;
    void showButtons(const std::vector<RemoteButtonRow>& rows) override;
    void showStatus(const std::string& text) override;
    void codesPending() override { m_bPending.store(true); }
    bool Dirty() const;
    void OnBind();
    void OnUnbind();
    void ShowMapChoices();
    void OnMapChecked(QListWidgetItem* item);

    IMessageBox& m_box;
    std::string m_configFile;
    CRemoteLearningSession m_session;
    keys::RepeatSettings m_savedRepeat;
    std::atomic<bool> m_bPending{false};
    QString m_openName;

    QComboBox* m_map;
    QTreeWidget* m_buttons;
    QTreeWidget* m_codes;
    QLineEdit* m_key;
    QPushButton* m_bind;
    QPushButton* m_unbind;
    QSpinBox* m_delay;
    QSpinBox* m_period;
    QPushButton* m_save;
    QPushButton* m_close;
    QLabel* m_status;
    QListWidget* m_inUse;
    std::vector<RemoteMapChoice> m_choices; // the rows of m_inUse
    QTimer* m_poll;
};

} // namespace remorra
