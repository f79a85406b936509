#include "qt/QtMessageBox.h"

#include <QMessageBox>

namespace remorra {

MsgResult QtMessageBox::show(const std::string& text, const std::string& caption,
                             MsgButtons buttons, MsgIcon icon) {
    QMessageBox box(m_parent);
    box.setWindowTitle(QString::fromStdString(caption));
    box.setText(QString::fromStdString(text));
    switch (icon) {
    case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Error: box.setIcon(QMessageBox::Critical); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    }
    // The first button is the default one, as with the system's boxes.
    QMessageBox::StandardButtons set;
    QMessageBox::StandardButton first = QMessageBox::Ok;
    switch (buttons) {
    case MsgButtons::Ok: set = QMessageBox::Ok; first = QMessageBox::Ok; break;
    case MsgButtons::OkCancel: set = QMessageBox::Ok | QMessageBox::Cancel; first = QMessageBox::Ok; break;
    case MsgButtons::YesNo: set = QMessageBox::Yes | QMessageBox::No; first = QMessageBox::Yes; break;
    case MsgButtons::YesNoCancel:
        set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        first = QMessageBox::Yes;
        break;
    case MsgButtons::RetryCancel: set = QMessageBox::Retry | QMessageBox::Cancel; first = QMessageBox::Retry; break;
    }
    box.setStandardButtons(set);
    box.setDefaultButton(first);
    switch (box.exec()) {
    case QMessageBox::Cancel: return MsgResult::Cancel;
    case QMessageBox::Yes: return MsgResult::Yes;
    case QMessageBox::No: return MsgResult::No;
    case QMessageBox::Retry: return MsgResult::Retry;
    case QMessageBox::Ok: return MsgResult::Ok;
    default:
        // Closed by the window manager: the answer a system box gives when it
        // has a Cancel button, else its only button.
        return set.testFlag(QMessageBox::Cancel) ? MsgResult::Cancel
               : buttons == MsgButtons::YesNo    ? MsgResult::No
                                                 : MsgResult::Ok;
    }
}

} // namespace remorra
