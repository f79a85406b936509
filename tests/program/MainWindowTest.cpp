#include "ProgramSupport.h"
#include "platform/tuner/SimTunerCard.h"
#include "app/Config.h"
#include "platform/os/Files.h"
#include "qt/AboutDlg.h"
#include "qt/ProfilePanel.h"
#include "qt/QtTimeService.h"
#include "qt/RemorraDlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>

#include <filesystem>
#include <fstream>

using namespace remorra;

namespace {

// The test main owns the application object.
void QtApp() { ASSERT_NE(QApplication::instance(), nullptr); }

// Screenshots are kept as test artefacts beside the test binary.
void SaveArtefact(QWidget& w, const char* file)
{
    const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/artefacts");
    QDir().mkpath(dir);
    EXPECT_TRUE(w.grab().save(dir + QLatin1Char('/') + QLatin1String(file)));
}

struct MainWindow {
    test::IsolatedProgramEnv env;
    test::OneCardStartup startup;
    std::unique_ptr<CRemorraDlg> dlg;

    MainWindow()
    {
        QtApp();
        dlg = std::make_unique<CRemorraDlg>(startup.services());
    }
};

QStringList Texts(const QMenu& menu)
{
    QStringList out;
    for (const QAction* a : menu.actions())
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

} // namespace

TEST(MainWindow, StartUpSetsTitleIconTrayMenuAndAboutItem)
{
    MainWindow w;
    ASSERT_TRUE(w.dlg->OnInitDialog());
    EXPECT_EQ(w.dlg->windowTitle().toStdString(), "Remorra Version: 1.0.1.0 ");
    EXPECT_FALSE(w.dlg->windowIcon().isNull());
    ASSERT_NE(w.dlg->TrayMenu(), nullptr);
    EXPECT_EQ(Texts(*w.dlg->TrayMenu()), (QStringList{"ShowWindow", "Start at log-in", "Exit"}));
    EXPECT_EQ(w.dlg->TrayMenu()->defaultAction(), nullptr);
    EXPECT_STREQ(w.dlg->IconData().szTip, "Windows Media Center IR For Quorbel");
    std::unique_ptr<QMenu> context(w.dlg->CreateContextMenu(nullptr));
    const QStringList items = Texts(*context);
    ASSERT_GE(items.size(), 2);
    EXPECT_EQ(items.mid(items.size() - 2), (QStringList{"-", "&About Remorra..."}));
    w.dlg->show();
    SaveArtefact(*w.dlg, "main-window.png");
}

TEST(MainWindow, EscapeKeepsItEnterDoesNotCloseExitEndsIt)
{
    MainWindow w;
    ASSERT_TRUE(w.dlg->OnInitDialog());
    w.dlg->show();
    QSignalSpy finished(w.dlg.get(), &QDialog::finished);
    for (int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(w.dlg.get(), &press);
    }
    EXPECT_TRUE(w.dlg->isVisible());
    EXPECT_EQ(finished.count(), 0);

    w.dlg->TrayMenu()->actions().last()->trigger(); // "Exit"
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).toInt(), QDialog::Rejected);
    EXPECT_FALSE(w.dlg->isVisible());
}

TEST(MainWindow, StartAtLogInWritesAndRemovesTheUsersEntry)
{
    MainWindow w;
    ASSERT_TRUE(w.dlg->OnInitDialog());
    QAction* login = w.dlg->TrayMenu()->actions().at(1);
    const std::filesystem::path entry = w.env.root / "config" / "autostart" / "remorra.desktop";
    ASSERT_FALSE(login->isChecked());
    login->trigger();
    std::string text;
    ASSERT_TRUE(os::readWholeFile(entry.string(), text));
    EXPECT_NE(text.find(" --hidden\n"), std::string::npos) << text;
    login->trigger();
    EXPECT_FALSE(std::filesystem::exists(entry));
    // Switched off by the desktop behind the program's back: shown unticked.
    std::filesystem::create_directories(entry.parent_path());
    std::ofstream(entry) << "[Desktop Entry]\nHidden=true\n";
    login->setChecked(true);
    emit w.dlg->TrayMenu()->aboutToShow();
    EXPECT_FALSE(login->isChecked());
}

// The offscreen platform has no notification area, like a desktop without one.
TEST(MainWindow, MinimiseWithoutNotificationAreaChangesNothing)
{
    MainWindow w;
    ASSERT_TRUE(w.dlg->OnInitDialog());
    w.dlg->show();
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
    w.dlg->OnSysCommand(kScMinimize);
    EXPECT_FALSE(w.dlg->InTray());
    EXPECT_TRUE(w.dlg->isVisible());
    w.dlg->setWindowState(Qt::WindowMinimized);
    EXPECT_FALSE(w.dlg->InTray());
    EXPECT_FALSE(w.dlg->windowState() & Qt::WindowMinimized);
}

TEST(MainWindow, StartAndHideWithoutNotificationAreaStillShowsTheWindow)
{
    MainWindow w;
    w.env.writeConfig("[Config]\nstartandhide=1\n");
    ASSERT_TRUE(w.dlg->OnInitDialog());
    EXPECT_FALSE(w.dlg->isVisible());
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.dlg->isVisible());
}

TEST(AboutBox, ShowsCaptionProductAndVersion)
{
    QtApp();
    CAboutDlg about;
    about.show();
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Remorra"));
    EXPECT_EQ(about.Version().toStdString(), "Version: 1.0.1.0 ");
    QStringList labels;
    for (const QLabel* l : about.findChildren<QLabel*>())
        labels << l->text();
    EXPECT_TRUE(labels.contains(QStringLiteral("Remorra Remote Control")));
    EXPECT_TRUE(labels.contains(QStringLiteral("Version: 1.0.1.0 ")));
    SaveArtefact(about, "about-box.png");
}

namespace {
std::atomic<int> g_fired{0};
void CountExpiry(std::uint32_t) { g_fired.fetch_add(1); }
} // namespace

TEST(QtTimeService, TimersRunOnTheEventLoopUntilStopped)
{
    QtApp();
    QtTimeService service(os::timeService());
    g_fired = 0;
    const std::uint32_t id = service.startTimer(5, CountExpiry);
    ASSERT_NE(id, 0u);
    QElapsedTimer guard;
    guard.start();
    while (g_fired.load() < 3 && guard.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_GE(g_fired.load(), 3);
    service.stopTimer(id);
    const int after = g_fired.load();
    QCoreApplication::processEvents();
    EXPECT_EQ(g_fired.load(), after);
    EXPECT_EQ(service.startTimer(5, nullptr), 0u);
}

// The panel's Option button runs the options command with the device in use.
TEST(MainWindow, OptionButtonStoresTheDeviceInUse)
{
    struct Confirm final : IOptionDlgView {
        int runs = 0;
        OptionDlgResult run(const StartOptions&) override
        {
            ++runs;
            return {true, {1, 1}};
        }
    } options;
    MainWindow w;
    ASSERT_TRUE(w.dlg->OnInitDialog());
    w.dlg->SetOptionsView(&options);
    w.dlg->Panel().button(1031)->click();
    EXPECT_EQ(options.runs, 1);
    const std::string file = ConfigFilePath();
    EXPECT_EQ(ReadConfigValue(file, "Config", "startandhide"), "1");
    EXPECT_EQ(ReadConfigValue(file, "Config", "strDevName"), "0: Quorbel TV Tuner");
    EXPECT_EQ(w.dlg->Core().StartAndHide(), 1);
}
