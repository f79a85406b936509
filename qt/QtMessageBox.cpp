#include "qt/QtMessageBox.h"

#include "app/ShutdownRequest.h"

#include <QMessageBox>

namespace remorra {

namespace {
// The answer a system box gives when it is closed: Cancel when it has that
// button, else its only (or its "No") button.
MsgResult ClosedAnswer(MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::OkCancel:
    case MsgButtons::YesNoCancel:
    case MsgButtons::RetryCancel: return MsgResult::Cancel;
    case MsgButtons::YesNo: return MsgResult::No;
    case MsgButtons::Ok: break;
    }
    return MsgResult::Ok;
}
} // namespace

MsgResult QtMessageBox::show(const std::string& text, const std::string& caption,
                             MsgButtons buttons, MsgIcon icon) {
    if (m_shutdown && m_shutdown->requested()) return ClosedAnswer(buttons);
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
        // Closed by the window manager, or by a shutdown request.
        return ClosedAnswer(buttons);
    }
}

} // namespace remorra
