#include "app/Config.h"
#include "platform/os/Files.h"
#include "qt/DialogUnits.h"
#include "qt/HotKeyCtrl.h"
#include "qt/InputFileNameDlg.h"
#include "qt/ProfilePanel.h"
#include "TestDocs.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

namespace fs = std::filesystem;
using namespace remorra;

namespace {
struct Published {
    int selection = -2;
    std::string text;
    keys::KeyBindings bindings{};
    int count = 0;
};

struct RecordingPublisher : IProfilePublisher {
    Published last;
    void Publish(int selection, const std::string& text, const keys::KeyBindings& bindings) override {
        last.selection = selection;
        last.text = text;
        last.bindings = bindings;
        ++last.count;
    }
};

// The shipped template with Power bound to Ctrl+Alt+P.
std::string powerProfile() {
    std::string t;
    EXPECT_TRUE(os::readWholeFile(os::programFolder() + "/Original.xml", t));
    return std::regex_replace(t, std::regex("<Power>[^]*?</Power>"),
                              "<Power><Shift>0</Shift><Ctrl>1</Ctrl><Alt>1</Alt>"
                              "<VirtualKey>80</VirtualKey><Modifiers>6</Modifiers></Power>");
}

struct PanelFixture : ::testing::Test {
    test::TempDocuments docs;
    RecordingMessageBox box;
    RecordingPublisher pub;
    QDialog window;
    ProfilePanel* panel = new ProfilePanel(box, "Remorra", &window);

    void SetUp() override {
        fs::create_directories(ProfileFolder());
        ASSERT_TRUE(os::writeFileAtomically(ProfileFolder() + "Movie.xml", powerProfile()));
        panel->SetPublisher(&pub);
        window.show();
    }
    CHotKeyCtrl* power() { return panel->field(keys::SlotPower); }
    void choose(int index) {
        panel->profileCombo()->setCurrentIndex(index);
        emit panel->profileCombo()->activated(index);
    }
};
} // namespace

TEST_F(PanelFixture, BuiltInEntryClearsAndDisablesTheFields) {
    panel->RestoreProfileSelection(1);
    EXPECT_EQ(panel->profileCombo()->currentText().toStdString(), "Movie");
    EXPECT_TRUE(power()->isEnabled());
    EXPECT_EQ(power()->text().toStdString(), "Ctrl + Alt + P");
    EXPECT_EQ(pub.last.selection, 1);
    EXPECT_EQ(pub.last.text, "Movie");
    EXPECT_EQ(pub.last.bindings[keys::SlotPower], (KeyBinding{1, 1, 0, 80, 6}));

    choose(0);
    for (std::size_t i = 0; i < kKeySlotCount; ++i) {
        EXPECT_FALSE(panel->field(i)->isEnabled()) << i;
        EXPECT_EQ(panel->field(i)->text().toStdString(), "None") << i;
    }
    EXPECT_EQ(pub.last.selection, 0);
    EXPECT_EQ(pub.last.text, kBuiltInProfile);
    EXPECT_EQ(pub.last.bindings[keys::SlotPower], KeyBinding{});
    EXPECT_TRUE(panel->button(1021)->isEnabled()) << "Del stays enabled";

    choose(1);
    EXPECT_TRUE(power()->isEnabled());
    EXPECT_EQ(pub.last.bindings[keys::SlotPower].m_dwVirtualKey, 80u);
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(PanelFixture, EnterAppliesAndEscapeDoesNothing) {
    panel->RestoreProfileSelection(1);
    power()->setFocus();
    QTest::keyClick(power(), Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(pub.last.bindings[keys::SlotPower].m_dwVirtualKey, 80u) << "not applied before Enter";

    const int before = pub.last.count;
    QTest::keyClick(power(), Qt::Key_Return);
    EXPECT_EQ(pub.last.count, before + 1);
    EXPECT_EQ(pub.last.bindings[keys::SlotPower], (KeyBinding{1, 0, 1, 0x41, 3}));
    EXPECT_EQ(power()->virtualKey(), 0x41u) << "Enter never reaches the field";
    EXPECT_TRUE(window.isVisible());

    QTest::keyClick(panel->button(1020), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(pub.last.count, before + 2) << "even with a button focused";
    EXPECT_TRUE(box.shown.empty()) << "and without pressing the button";

    QTest::keyClick(power(), Qt::Key_Escape);
    QTest::keyClick(panel->profileCombo(), Qt::Key_Escape);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.result(), 0);
    EXPECT_EQ(power()->virtualKey(), 0x41u);
    EXPECT_EQ(pub.last.count, before + 2);

    std::string saved;
    os::readWholeFile(ProfileFolder() + "Movie.xml", saved);
    EXPECT_EQ(saved, powerProfile()) << "applying writes nothing";
    QTest::mouseClick(panel->button(1022), Qt::LeftButton);
    os::readWholeFile(ProfileFolder() + "Movie.xml", saved);
    EXPECT_NE(saved.find("<VirtualKey>65</VirtualKey><Modifiers>3</Modifiers>"), std::string::npos);
}

TEST_F(PanelFixture, DeleteAsksAndLeavesNothingSelected) {
    panel->RestoreProfileSelection(1);
    box.queueAnswer(MsgResult::Cancel);
    QTest::mouseClick(panel->button(1021), Qt::LeftButton);
    EXPECT_EQ(panel->profileCombo()->currentIndex(), 1);
    QTest::mouseClick(panel->button(1021), Qt::LeftButton);
    ASSERT_EQ(box.shown.size(), 2u);
    EXPECT_EQ(box.shown[1].text, "Are you sure to delete this profile!");
    EXPECT_FALSE(fs::exists(ProfileFolder() + "Movie.xml"));
    EXPECT_EQ(panel->profileCombo()->currentIndex(), -1);
    EXPECT_EQ(panel->profileCombo()->count(), 1);
    EXPECT_EQ(pub.last.selection, -1);
    EXPECT_EQ(pub.last.text, "");
    EXPECT_EQ(pub.last.bindings[keys::SlotPower].m_dwVirtualKey, 80u) << "bindings stay until a selection";
    EXPECT_EQ(power()->text().toStdString(), "Ctrl + Alt + P");
}

TEST_F(PanelFixture, NewAddsTheNameWithoutSelectingIt) {
    panel->RestoreProfileSelection(0);
    std::optional<std::string> answer;
    panel->askName = [&] { return answer; };
    QTest::mouseClick(panel->button(1020), Qt::LeftButton);
    EXPECT_EQ(panel->profileCombo()->count(), 2) << "cancelled";
    answer = "../evil";
    QTest::mouseClick(panel->button(1020), Qt::LeftButton);
    EXPECT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(panel->profileCombo()->count(), 2);
    answer = "Zapping";
    QTest::mouseClick(panel->button(1020), Qt::LeftButton);
    ASSERT_EQ(panel->profileCombo()->count(), 3);
    EXPECT_EQ(panel->profileCombo()->itemText(2).toStdString(), "Zapping");
    EXPECT_EQ(panel->profileCombo()->currentIndex(), 0);
    EXPECT_TRUE(fs::exists(ProfileFolder() + "Zapping.xml"));

    QSignalSpy option(panel, &ProfilePanel::optionRequested);
    QTest::mouseClick(panel->button(1031), Qt::LeftButton);
    EXPECT_EQ(option.count(), 1);
}

TEST_F(PanelFixture, FieldsSitInTheGridWithoutOverlap) {
    const DialogUnits du(panel->font());
    EXPECT_EQ(power()->geometry(), du.rect(210, 56, 93, 13));
    EXPECT_EQ(panel->field(keys::SlotStop)->geometry(), du.rect(58, 56 + 19 * 11, 93, 13));
    EXPECT_EQ(panel->field(keys::SlotRecordedTV)->geometry(), du.rect(97, 284, 93, 13));
    const QRect keySetting = du.rect(4, 43, 310, 259);
    for (std::size_t i = 0; i < kKeySlotCount; ++i) {
        const QRect r = panel->field(i)->geometry();
        EXPECT_TRUE(keySetting.contains(r)) << i;
        EXPECT_FALSE(r.intersects(panel->button(1031)->geometry())) << i;
        for (std::size_t j = i + 1; j < kKeySlotCount; ++j)
            EXPECT_FALSE(r.intersects(panel->field(j)->geometry())) << i << " and " << j;
    }
    // Each label sits just left of its own field.
    for (QLabel* l : panel->findChildren<QLabel*>()) {
        const std::string text = l->text().toStdString();
        for (std::size_t i = 0; i < kKeySlotCount; ++i) {
            if (text != keys::kKeySlots[i].label) continue;
            const QRect f = panel->field(i)->geometry();
            EXPECT_LT(l->geometry().right(), f.left()) << text;
            EXPECT_GT(l->geometry().center().y(), f.top()) << text;
            EXPECT_LT(l->geometry().center().y(), f.bottom()) << text;
        }
    }
}

TEST_F(PanelFixture, ClientAreaDragsTheWindow) {
    window.move(100, 100);
    const QPoint start = window.pos();
    const QPoint grip = panel->rect().bottomLeft() + QPoint(2, -2);
    QTest::mousePress(panel, Qt::LeftButton, Qt::NoModifier, grip);
    QTest::mouseMove(panel, grip + QPoint(30, 20));
    QTest::mouseRelease(panel, Qt::LeftButton, Qt::NoModifier, grip + QPoint(30, 20));
    EXPECT_EQ(window.pos(), start + QPoint(30, 20));
}

TEST(InputFileNameDlg, HandsBackTheTextOnlyOnOk) {
    CInputFileNameDlg dlg;
    EXPECT_EQ(dlg.windowTitle().toStdString(), "InputFileName");
    dlg.show();
    QTest::keyClicks(dlg.nameField(), "My Profile");
    QTest::keyClick(dlg.nameField(), Qt::Key_Return);
    EXPECT_EQ(dlg.result(), QDialog::Accepted) << "Enter takes the default button, OK";
    EXPECT_EQ(dlg.m_strName, "My Profile");

    CInputFileNameDlg cancelled;
    cancelled.show();
    QTest::keyClicks(cancelled.nameField(), "x");
    QTest::mouseClick(cancelled.findChild<QPushButton*>(QStringLiteral("2")), Qt::LeftButton);
    EXPECT_EQ(cancelled.result(), QDialog::Rejected);
    EXPECT_EQ(cancelled.m_strName, "");
}
