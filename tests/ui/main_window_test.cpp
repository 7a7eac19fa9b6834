// The main window: built from the embedded skin, choosing the source, keys, the program's
// messages, closing, and the single running instance.
#include <QAbstractButton>
#include <QLabel>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>

#include "platform/single_instance.h"
#include "tests/ui/gui_test_support.h"
#include "tests/ui/test_registry.h"
#include "toolkit/control_text.h"
#include "ui/main_messages.h"
#include "ui/main_wnd.h"
#include "ui/message_box.h"
#include "ui/start_up.h"

namespace vesmar {
namespace {

// Counts the key presses that reach a control.
struct KeyCounter : QObject {
  QList<int> keys;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) keys << static_cast<QKeyEvent*>(event)->key();
    return false;
  }
};

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    main_ = std::make_unique<CMainWnd>();
    main_->SetQuitOnClose(false);
    QVERIFY(main_->CreateAndShow());
    QVERIFY(QTest::qWaitForWindowExposed(main_.get()));
  }
  void cleanup() { main_.reset(); }

  void buildsFromTheEmbeddedSkin() {
    QCOMPARE(main_->windowTitle(), QStringLiteral("Vesmar iPhone Data Recovery"));
    QCOMPARE(main_->size(), QSize(1000, 650));
    QCOMPARE(main_->minimumSize(), QSize(1000, 650));
    QCOMPARE(main_->CaptionRect(), QRect(0, 0, 1000, 90));
    QCOMPARE(main_->SizeBox(), QMargins(4, 4, 4, 4));
    QCOMPARE(main_->objectName(), QStringLiteral("FileRecoveryWnd"));
    QTRY_COMPARE(ControlText(main_->FindControl(QStringLiteral("LblProductName"))),
                 CSettings::Instance().Message(QStringLiteral("MSG1209")));
    // Page texts arrive with "windowinit".
    QCOMPARE(ControlText(main_->FindControl(QStringLiteral("BtnSelDir"))), QStringLiteral("Select Folder"));
    QCOMPARE(main_->Find<QStackedWidget>(QStringLiteral("MainTabPage"))->currentIndex(), 0);
  }

  void choosingASourceSwitchesPageAndColours() {
    auto* tabs = main_->Find<QStackedWidget>(QStringLiteral("TabPage"));
    auto color = [this](const char* name) { return TextColor(main_->FindControl(QLatin1String(name))); };
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(color("TxtIosDevice1"), 0xFFFFFFFFu);
    QCOMPARE(color("TxtBackupFile2"), 0xFF000000u);

    QTest::mouseClick(main_->Find<QAbstractButton>(QStringLiteral("OptBackupFile")), Qt::LeftButton);
    QCOMPARE(tabs->currentIndex(), 1);
    QVERIFY(!main_->Find<QAbstractButton>(QStringLiteral("OptIosDevice"))->isChecked());
    for (const char* name : {"TxtBackupFile1", "TxtBackupFile2"}) QCOMPARE(color(name), 0xFFFFFFFFu);
    for (const char* name : {"TxtIosDevice1", "TxtIosDevice2"}) QCOMPARE(color(name), 0xFF000000u);

    QTest::mouseClick(main_->Find<QAbstractButton>(QStringLiteral("OptIosDevice")), Qt::LeftButton);
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(color("TxtIosDevice2"), 0xFFFFFFFFu);
    QCOMPARE(color("TxtBackupFile1"), 0xFF000000u);
  }

  void enterAndEscapeNeverReachTheControls() {
    QWidget* button = main_->FindControl(QStringLiteral("BtnScan"));
    main_->activateWindow();
    button->setFocus();
    KeyCounter counter;
    button->installEventFilter(&counter);
    QTest::keyClick(button, Qt::Key_Escape);
    QTest::keyClick(button, Qt::Key_Return);
    QTest::keyClick(button, Qt::Key_Enter);
    QTest::keyClick(button, Qt::Key_A);
    QCOMPARE(counter.keys, QList<int>{Qt::Key_A});
    QVERIFY(main_->isVisible());
  }

  void scanEventsSwitchPagesAndShowErrors() {
    main_->PostMessage(WM_START_SCAN, kSourceDevice);
    main_->PostMessage(WM_SCAN_EVENT, ScanStarted);
    QTRY_COMPARE(main_->Find<QStackedWidget>(QStringLiteral("MainTabPage"))->currentIndex(), 1);

    QString title;
    QString text;
    QSize size;
    test::WhenShown<CMessageBox>([&](CMessageBox* box) {
      title = ControlText(box->FindControl(QStringLiteral("title")));
      text = ControlText(box->FindControl(QStringLiteral("message")));
      size = box->size();
      box->Close(1);
    });
    main_->PostMessage(WM_SCAN_EVENT, ScanFailed);
    QTRY_VERIFY(!text.isEmpty());
    QCOMPARE(title, QStringLiteral("Error"));
    QCOMPARE(size, QSize(600, 200));
    QVERIFY(text.contains(QLatin1Char('\n')));
    QVERIFY(!text.contains(QStringLiteral("\\n")));
  }

  void maximizingSwapsTheTitleButtons() {
    QWidget* max = main_->FindControl(QStringLiteral("maxbtn"));
    QWidget* restore = main_->FindControl(QStringLiteral("restorebtn"));
    QVERIFY(max->isVisible() && !restore->isVisible());
    QTest::mouseClick(qobject_cast<QAbstractButton*>(max), Qt::LeftButton);
    QTRY_VERIFY(main_->isMaximized());
    QTRY_VERIFY(!max->isVisible() && restore->isVisible());
    QTest::mouseClick(qobject_cast<QAbstractButton*>(restore), Qt::LeftButton);
    QTRY_VERIFY(max->isVisible() && !restore->isVisible());
  }

  void closesWhenNoScanHoldsIt() {
    QTest::mouseClick(main_->Find<QAbstractButton>(QStringLiteral("closebtn")), Qt::LeftButton);
    QTRY_VERIFY(main_->IsClosed());
    QVERIFY(!main_->isVisible());
  }

  void secondStartShowsTheRunningWindow() {
    QTemporaryDir dir;
    SingleInstance first("vesmar-test", dir.path().toStdString());
    QVERIFY(first.Acquire());
    QVERIFY(ServeShowRequests(first, main_.get(), main_.get()));
    main_->showMinimized();
    QTRY_VERIFY(main_->isMinimized());

    std::atomic<bool> done = false;
    bool secondIsFirst = true;
    SingleInstance::Answer answer = SingleInstance::Answer::NoWindow;
    std::thread second([&] {
      SingleInstance later("vesmar-test", dir.path().toStdString());
      secondIsFirst = later.Acquire();
      if (!secondIsFirst) answer = later.AskRunningToShow(3000);
      done = true;
    });
    QTRY_VERIFY(done.load());
    second.join();
    QVERIFY(!secondIsFirst);
    QCOMPARE(answer, SingleInstance::Answer::Shown);
    QVERIFY(!main_->isMinimized());
  }

  void secondStartWhileTheFirstHasNoWindowGetsNoAnswer() {
    QTemporaryDir dir;
    SingleInstance first("vesmar-test", dir.path().toStdString());
    QVERIFY(first.Acquire());
    SingleInstance later("vesmar-test", dir.path().toStdString());
    QVERIFY(!later.Acquire());
    QCOMPARE(later.AskRunningToShow(200), SingleInstance::Answer::NoWindow);
  }

 private:
  std::unique_ptr<CMainWnd> main_;
};

VESMAR_GUI_TEST(main_window, MainWindowTest)

}  // namespace vesmar

#include "main_window_test.moc"
