#pragma once
// The options dialog (template 133): two check boxes. It only returns their
// states; RunOptionsCommand decides what is written.
#include "app/Options.h"

#include <QDialog>

class QCheckBox;
class QPushButton;

namespace remorra {

class COptionDlg : public QDialog, public IOptionDlgView {
    Q_OBJECT
public:
    explicit COptionDlg(QWidget* parent = nullptr);

    // Sets the flags, runs the dialog modally and reports OK and the flags.
    OptionDlgResult run(const StartOptions& initial) override;

    int m_bStartAndHide = 0;
    int m_bRememberDevice = 0;

    QCheckBox* startAndHideBox() const { return m_start; }
    QCheckBox* rememberDeviceBox() const { return m_remember; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

private:
    void OnInitDialog();
    void OnOK();

    QCheckBox* m_start;
    QCheckBox* m_remember;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

} // namespace remorra
