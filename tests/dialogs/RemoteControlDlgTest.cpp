#include "app/RemoteMaps.h"
#include "app/Config.h"
#include "platform/os/Files.h"
#include "platform/os/MessageBox.h"
#include "qt/RemoteControlDlg.h"
#include "TestDocs.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace remorra;

namespace {

keys::IrCode Mce(std::uint32_t scancode, bool toggle) { return {keys::IrProtocol::Rc6Mce, scancode, toggle, false}; }

QTreeWidgetItem* Row(QTreeWidget* list, const QString& key) {
    const auto found = list->findItems(key, Qt::MatchExactly, 0);
    return found.isEmpty() ? nullptr : found.front();
}

} // namespace

TEST(RemoteControlDlg, PressBindsTheArmedButtonAndSaveWritesMapAndRepeat) {
    test::TempDocuments docs;
    RecordingMessageBox box;
    CRemoteControlDlg dlg(box, ConfigFilePath());
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Remote control"));
    EXPECT_EQ(dlg.mapBox()->currentText(), QStringLiteral("remote")) << "no maps yet: a new one";
    ASSERT_NE(Row(dlg.buttonList(), QStringLiteral("KEY_UP")), nullptr) << "the card's buttons are listed";

    // A code that arrives unarmed is only shown.
    dlg.Session().onIrCode(Mce(0x800f0422, false));
    dlg.PollCodes();
    ASSERT_EQ(dlg.codeList()->topLevelItemCount(), 1);
    EXPECT_EQ(dlg.codeList()->topLevelItem(0)->text(0), QStringLiteral("rc6_mce 0x800f0422 toggle 0 repeat 0"));
    EXPECT_TRUE(dlg.codeList()->topLevelItem(0)->text(1).isEmpty());

    // Selecting a button fills the key field; Bind arms it for the next press.
    dlg.buttonList()->setCurrentItem(Row(dlg.buttonList(), QStringLiteral("KEY_UP")));
    EXPECT_EQ(dlg.keyEdit()->text(), QStringLiteral("KEY_UP"));
    dlg.bindButton()->click();
    EXPECT_TRUE(dlg.statusLabel()->text().contains(QStringLiteral("KEY_UP")));
    dlg.Session().onIrCode(Mce(0x800f041e, true));
    dlg.PollCodes();
    EXPECT_EQ(Row(dlg.buttonList(), QStringLiteral("KEY_UP"))->text(2), QStringLiteral("rc6_mce 0x800f041e"));
    dlg.Session().onIrCode(Mce(0x800f041e, false));
    dlg.PollCodes();
    EXPECT_EQ(dlg.codeList()->topLevelItem(2)->text(1), QStringLiteral("KEY_UP")) << "later codes show their key";

    dlg.delayBox()->setValue(400);
    dlg.periodBox()->setValue(150);
    dlg.saveButton()->click();
    std::string text;
    ASSERT_TRUE(os::readWholeFile(RemotesFolder() + "remote.toml", text));
    EXPECT_NE(text.find("0x800f041e = \"KEY_UP\""), std::string::npos) << text;
    EXPECT_EQ(ReadRepeatSettings(ConfigFilePath()), (keys::RepeatSettings{400, 150}));
    EXPECT_TRUE(box.shown.empty());

    dlg.show();
    const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/artefacts");
    QDir().mkpath(dir);
    EXPECT_TRUE(dlg.grab().save(dir + QStringLiteral("/remote-control.png")));

    // Saved: Close asks nothing; the next open lists the map.
    dlg.closeButton()->click();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_TRUE(box.shown.empty());
    CRemoteControlDlg again(box, ConfigFilePath());
    EXPECT_EQ(again.mapBox()->currentText(), QStringLiteral("remote"));
    EXPECT_EQ(Row(again.buttonList(), QStringLiteral("KEY_UP"))->text(2), QStringLiteral("rc6_mce 0x800f041e"));
    EXPECT_EQ(again.delayBox()->value(), 400);
}

TEST(RemoteControlDlg, CloseAsksToSaveAChangedMap) {
    struct Case {
        const char* name;
        MsgResult answer;
        bool closes, saved;
    };
    for (const Case& c : {Case{"cancel stays", MsgResult::Cancel, false, false},
                          Case{"no drops", MsgResult::No, true, false}, Case{"yes saves", MsgResult::Yes, true, true}}) {
        SCOPED_TRACE(c.name);
        test::TempDocuments docs;
        RecordingMessageBox box;
        CRemoteControlDlg dlg(box, ConfigFilePath());
        dlg.show();
        dlg.keyEdit()->setText(QStringLiteral("KEY_VOLUMEMUTE"));
        dlg.bindButton()->click();
        dlg.Session().onIrCode({keys::IrProtocol::Nec, 0x0412, false, false});
        dlg.PollCodes();
        ASSERT_NE(Row(dlg.buttonList(), QStringLiteral("KEY_VOLUMEMUTE")), nullptr) << "other keys are listed too";
        box.queueAnswer(c.answer);
        dlg.closeButton()->click();
        ASSERT_EQ(box.shown.size(), 1u);
        EXPECT_EQ(box.shown[0].text, "Save the changes to remote?");
        EXPECT_EQ(dlg.isVisible(), !c.closes);
        EXPECT_EQ(os::fileExists(RemotesFolder() + "remote.toml"), c.saved);
    }
}

// System maps start switched off; a tick switches one on for the key path
// and the next open shows the choice.
TEST(RemoteControlDlg, RemotesInUseSwitchesASystemMapOn) {
    test::TempDocuments docs;
    const test::TempFolder system{"remorra_keymaps", "REMORRA_SYSTEM_KEYMAPS"};
    ASSERT_TRUE(os::writeFileAtomically(
        (system.path() / "tv.toml").string(),
        "[[protocols]]\nname = \"tv\"\nprotocol = \"nec\"\n[protocols.scancodes]\n0x0401 = \"KEY_UP\"\n"));
    RecordingMessageBox box;
    CRemoteControlDlg dlg(box, ConfigFilePath());
    ASSERT_EQ(dlg.inUseList()->count(), 1);
    QListWidgetItem* tv = dlg.inUseList()->item(0);
    EXPECT_EQ(tv->text(), QStringLiteral("tv (system)"));
    EXPECT_EQ(tv->checkState(), Qt::Unchecked);
    EXPECT_TRUE(LoadActiveRemoteMaps(ConfigFilePath()).maps.empty());

    tv->setCheckState(Qt::Checked);
    EXPECT_EQ(LoadActiveRemoteMaps(ConfigFilePath()).maps.size(), 1u);
    CRemoteControlDlg again(box, ConfigFilePath());
    EXPECT_EQ(again.inUseList()->item(0)->checkState(), Qt::Checked);
    EXPECT_TRUE(box.shown.empty());
}
