#include "app/ChooseDevice.h"
#include "app/Config.h"
#include "TestDocs.h"

#include <gtest/gtest.h>

using namespace remorra;

TEST(ChooseDevice, OnlyMakersCardsListedWithWholeListPosition) {
    test::TempDocuments docs;
    CChooseDeviceLogic dlg;
    dlg.OnInitDialog({"Webcam", "quorbel lower case", "Quorbel Simulated Tuner"});
    ASSERT_EQ(dlg.entries().size(), 1u);
    EXPECT_EQ(dlg.entries()[0].text, "2: Quorbel Simulated Tuner");
    EXPECT_EQ(dlg.entries()[0].itemData, 2);
    EXPECT_EQ(dlg.selection(), 0);
    dlg.OnOK();
    EXPECT_EQ(dlg.chosenIndex(), 2);
    EXPECT_EQ(dlg.chosenText(), "2: Quorbel Simulated Tuner");
    EXPECT_EQ(dlg.listedCount(), 1);
}

TEST(ChooseDevice, EmptyListRememberedDeviceAndCancel) {
    test::TempDocuments docs;
    const std::string file = ConfigFilePath();
    WriteConfigValue(file, "Config", "strDevName", "0: Quorbel Old");
    {
        CChooseDeviceLogic dlg; // nothing discovered
        dlg.OnInitDialog({});
        EXPECT_TRUE(dlg.entries().empty());
        dlg.OnOK();
        EXPECT_EQ(dlg.chosenIndex(), 0);
        EXPECT_EQ(dlg.chosenText(), "0: Quorbel Old") << "initialisation loaded strDevName";
        EXPECT_EQ(dlg.listedCount(), 0);
    }
    {
        WriteConfigValue(file, "Config", "bRememberDevice", "1");
        CChooseDeviceLogic dlg;
        dlg.OnInitDialog({"Quorbel A"});
        EXPECT_TRUE(dlg.entries().empty()) << "a remembered device lists nothing";
        WriteConfigValue(file, "Config", "bRememberDevice", "0");
    }
    {
        CChooseDeviceLogic dlg; // Cancel: the view never calls OnOK
        dlg.OnInitDialog({"Quorbel A"});
        EXPECT_EQ(dlg.chosenIndex(), 0);
    }
}

TEST(ChooseDevice, SecondRunKeepsEarlierRecordsInFront) {
    test::TempDocuments docs;
    CChooseDeviceLogic dlg;
    dlg.OnInitDialog({"Quorbel A"});
    dlg.OnInitDialog({"Quorbel A"});
    ASSERT_EQ(dlg.entries().size(), 2u);
    EXPECT_EQ(dlg.entries()[1].text, "1: Quorbel A");
    EXPECT_EQ(dlg.entries()[1].itemData, 1);
}
