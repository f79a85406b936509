#include "app/Config.h"
#include "platform/discovery/SimulatedCards.h"
#include "qt/ChooseDeviceDlg.h"
#include "TestDocs.h"

#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace remorra;
using namespace remorra::discovery;

namespace {

CChooseDeviceDlg::SourceFactory cards(const char* description) {
    return [description]() -> std::unique_ptr<ICaptureDeviceSource> {
        std::vector<SimCardSpec> specs;
        std::string error;
        EXPECT_TRUE(ParseSimCardSpecs(description, specs, error)) << error;
        return std::make_unique<SimCardDeviceSource>(specs);
    };
}

// Runs the dialog modally; `act` runs once it is shown.
int runModal(CChooseDeviceDlg& dlg, std::function<void()> act) {
    QTimer::singleShot(0, &dlg, [&dlg, act] {
        EXPECT_TRUE(dlg.isVisible());
        act();
        if (dlg.isVisible()) dlg.reject(); // a test that forgot to end it must not hang
    });
    return dlg.DoModal();
}

const char* kThreeCards = "Webcam|none; Other quorbel capture|none; Quorbel Simulated Tuner";

} // namespace

TEST(ChooseDeviceDlg, ListsOnlyTheMakersCardWithItsWholeListPosition) {
    test::TempDocuments docs;
    RecordingMessageBox box;
    CChooseDeviceDlg dlg(cards(kThreeCards), box);
    const int result = runModal(dlg, [&] {
        ASSERT_EQ(dlg.listBox()->count(), 1);
        EXPECT_EQ(dlg.listBox()->item(0)->text().toStdString(), "2: Quorbel Simulated Tuner");
        EXPECT_EQ(dlg.listBox()->item(0)->data(Qt::UserRole).toInt(), 2);
        EXPECT_EQ(dlg.listBox()->currentRow(), 0);
        EXPECT_TRUE(dlg.okButton()->isDefault());
        dlg.okButton()->click();
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(dlg.chosenIndex(), 2);
    EXPECT_EQ(dlg.chosenText(), "2: Quorbel Simulated Tuner");
    EXPECT_EQ(dlg.listedCount(), 1);
    ASSERT_EQ(dlg.deviceList().size(), 3u);
    EXPECT_NE(dlg.deviceList()[2].m_pCaptureFilter, nullptr);
    EXPECT_TRUE(box.shown.empty());
}

TEST(ChooseDeviceDlg, DoubleClickActsAsOk) {
    test::TempDocuments docs;
    RecordingMessageBox box;
    CChooseDeviceDlg dlg(cards("Quorbel A; Quorbel B"), box);
    const int result = runModal(dlg, [&] {
        ASSERT_EQ(dlg.listBox()->count(), 2);
        QListWidget* list = dlg.listBox();
        const QRect second = list->visualItemRect(list->item(1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second.center());
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(dlg.chosenIndex(), 1);
    EXPECT_EQ(dlg.chosenText(), "1: Quorbel B");
}

TEST(ChooseDeviceDlg, OkOnEmptyListAndCancelKeepTheChoice) {
    test::TempDocuments docs;
    WriteConfigValue(ConfigFilePath(), "Config", "strDevName", "0: Quorbel Old");
    RecordingMessageBox box;
    {
        CChooseDeviceDlg dlg(cards("quorbel lower case"), box);
        const int result = runModal(dlg, [&] {
            EXPECT_EQ(dlg.listBox()->count(), 0);
            EXPECT_EQ(dlg.listBox()->currentRow(), -1);
            dlg.okButton()->click();
        });
        EXPECT_EQ(result, QDialog::Accepted);
        EXPECT_EQ(dlg.listedCount(), 0);
        EXPECT_EQ(dlg.chosenIndex(), 0);
        EXPECT_EQ(dlg.chosenText(), "0: Quorbel Old");
    }
    for (bool escape : {false, true}) {
        CChooseDeviceDlg dlg(cards("Webcam; Quorbel A"), box);
        const int result = runModal(dlg, [&] {
            dlg.listBox()->setCurrentRow(0);
            if (escape) QTest::keyClick(&dlg, Qt::Key_Escape);
            else dlg.cancelButton()->click();
        });
        EXPECT_EQ(result, QDialog::Rejected);
        EXPECT_EQ(dlg.chosenIndex(), 0);
        EXPECT_EQ(dlg.chosenText(), "0: Quorbel Old");
    }
}

TEST(ChooseDeviceDlg, RunsKeepEarlierRecordsAndReportAMissingEnumerator) {
    test::TempDocuments docs;
    RecordingMessageBox box;
    bool broken = false;
    CChooseDeviceDlg dlg([&]() -> std::unique_ptr<ICaptureDeviceSource> {
        auto s = std::make_unique<ListDeviceSource>();
        s->createResult = broken ? kFail : kOk;
        s->devices = {{"Quorbel A", nullptr}};
        return s;
    }, box);
    dlg.OnInitDialog();
    broken = true;
    dlg.OnInitDialog();
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, "FindFilterByName -> Create system device enumerator failed!");
    EXPECT_EQ(dlg.deviceList().size(), 1u);
    EXPECT_EQ(dlg.listBox()->count(), 1) << "earlier records are listed again";
    broken = false;
    dlg.OnInitDialog();
    ASSERT_EQ(dlg.listBox()->count(), 2);
    EXPECT_EQ(dlg.listBox()->item(1)->data(Qt::UserRole).toInt(), 1);
}
