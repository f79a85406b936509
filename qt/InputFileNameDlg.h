#pragma once
// The name question of "New": one edit field, OK and Cancel. The text is
// taken as typed; the profile editor decides whether it is a usable name.
#include <QDialog>

#include <optional>
#include <string>

class QLineEdit;

namespace remorra {

class CInputFileNameDlg : public QDialog {
    Q_OBJECT
public:
    explicit CInputFileNameDlg(QWidget* parent = nullptr);

    // The entered name after OK, nullopt after Cancel.
    static std::optional<std::string> Ask(QWidget* parent);

    QLineEdit* nameField() const { return m_edit; }
    std::string m_strName; // filled from field 1021 when the dialog ends with OK

    void accept() override;

private:
    QLineEdit* m_edit;
};

} // namespace remorra
