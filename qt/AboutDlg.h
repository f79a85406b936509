#pragma once
#include "qt/TrayDialog.h"

#include <QString>

class QLabel;

// The About box: the icon, the product line and the version text.
class CAboutDlg : public CTrayDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    const QString& Version() const { return m_strVersion; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QString m_strVersion;
    QLabel* m_versionLabel = nullptr;
};
