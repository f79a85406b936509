#include "app/Config.h"
#include "platform/os/Files.h"
#include "qt/OptionDlg.h"
#include "TestDocs.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

using namespace remorra;

namespace {

// Ticks the boxes as given once the dialog is up, then presses OK or Cancel.
void answer(COptionDlg& dlg, bool start, bool remember, bool ok, StartOptions* seen = nullptr) {
    QTimer::singleShot(0, &dlg, [=, &dlg] {
        if (seen) {
            seen->startAndHide = dlg.startAndHideBox()->isChecked();
            seen->rememberDevice = dlg.rememberDeviceBox()->isChecked();
        }
        dlg.startAndHideBox()->setChecked(start);
        dlg.rememberDeviceBox()->setChecked(remember);
        (ok ? dlg.okButton() : dlg.cancelButton())->click();
    });
}

} // namespace

TEST(OptionDlg, ShowsTheFlagsAndWritesOnlyOnOk) {
    test::TempDocuments docs;
    const std::string file = ConfigFilePath();
    StartOptions options{1, 0};
    const DeviceInUse device{2, "2: Quorbel Simulated Tuner"};
    COptionDlg dlg;

    StartOptions seen;
    answer(dlg, false, true, /*ok=*/false, &seen);
    EXPECT_FALSE(RunOptionsCommand(dlg, options, &device));
    EXPECT_EQ(seen.startAndHide, 1);
    EXPECT_EQ(seen.rememberDevice, 0);
    EXPECT_EQ(options.startAndHide, 1) << "Cancel keeps the flags";
    EXPECT_EQ(options.rememberDevice, 0);
    EXPECT_FALSE(os::fileExists(file)) << "Cancel writes nothing";

    answer(dlg, false, true, /*ok=*/true);
    EXPECT_TRUE(RunOptionsCommand(dlg, options, &device));
    EXPECT_EQ(options.startAndHide, 0);
    EXPECT_EQ(options.rememberDevice, 1);
    EXPECT_EQ(dlg.m_bStartAndHide, 0);
    EXPECT_EQ(dlg.m_bRememberDevice, 1);
    std::string text;
    ASSERT_TRUE(os::readWholeFile(file, text));
    EXPECT_EQ(text, "[Config]\nstartandhide=0\nbRememberDevice=1\nTunerType=2\n"
                    "strDevName=2: Quorbel Simulated Tuner\n");
}
