// Every layout of the skin builds from the embedded archive and holds every control the windows
// look up, of the kind they expect.
#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QStackedWidget>
#include <QTest>
#include <QTextBrowser>

#include <memory>

#include "tests/ui/test_registry.h"
#include "toolkit/element_list_ui.h"
#include "toolkit/layout_builder.h"
#include "toolkit/list_ui.h"
#include "toolkit/paint_manager.h"
#include "ui/control_factory.h"
#include "ui/controls/button_gif_ui.h"
#include "ui/controls/file_tree_ui.h"
#include "ui/controls/label_ex_ui.h"

namespace vesmar {
namespace {

std::unique_ptr<QWidget> Build(const QString& layout) {
  return std::unique_ptr<QWidget>(CDialogBuilder::CreateWidget(layout, nullptr, CreateProgramControl));
}

QStringList Words(const char* text) { return QString::fromLatin1(text).split(QLatin1Char(' ')); }

}  // namespace

class LayoutsTest : public QObject {
  Q_OBJECT
 private slots:
  void everyNamedControlExists_data() {
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QStringList>("controls");
    QTest::newRow("main") << "xml/skin.xml"
        << Words("LblProductName BtnAssist minbtn maxbtn restorebtn closebtn MainTabPage OptIosDevice "
                 "OptBackupFile TxtIosDevice1 TxtIosDevice2 TxtBackupFile1 TxtBackupFile2 TabPage LblVersion "
                 "TabIosDevice BackupFileList NodeTree");
    QTest::newRow("device") << "xml/PageIosDevice.xml"
        << Words("TabIosDevice IphoneInfo BtnDeviceScan BtnAppleUrl BtnItunesRetry");
    QTest::newRow("backups") << "xml/PageItunesBackup.xml" << Words("BackupFileList BtnSelDir BtnScan");
    QTest::newRow("scan") << "xml/PageScan.xml"
        << Words("NodeTree DataList Col1 Col2 Col3 Col4 Col5 Col6 iPhoneInfoLayout DataListLayout ProgressScan "
                 "LblPercent OptOnOffPreview OptOnOffFilter LblFilterCount LblStatistics LblScanType LblRemark "
                 "BtnGifScanning BtnGifLoading BtnScanPause BtnScanStop BtnHome BtnRecovery BtnBackAppDir "
                 "BtnPrint ScanToolBar ReocveryToolBar DataListToolBar FilterToolBar SwitchLayout "
                 "PreviewLayout MessagesList PreviewEdit");
    for (const char* kind : {"Error", "Information", "Warning"}) {
      QTest::newRow(kind) << QStringLiteral("xml/MessageBox_%1.xml").arg(QLatin1String(kind))
                          << Words("title closebtn message okbtn IconImage");
    }
    for (const char* kind : {"Confirm", "Question"}) {
      QTest::newRow(kind) << QStringLiteral("xml/MessageBox_%1.xml").arg(QLatin1String(kind))
                          << Words("title closebtn message okbtn cancelbtn IconImage");
    }
    QTest::newRow("password") << "xml/DecryptionWnd.xml"
        << Words("Title closebtn Description LblPassword EditPassword BtnOK BtnCancel");
    QTest::newRow("menu") << "xml/menu_assist.xml"
        << Words("item_help item_language item_faq item_about item_support item_exit");
    QTest::newRow("recovery") << "xml/RecoverProcessWnd.xml"
        << Words("closebtn current recovered percent Progress OpenBtn FinishBtn CancelBtn DetailBtn DetailList");
    QTest::newRow("print") << "xml/PrintWnd.xml" << Words("closebtn PrintTabPage BtnGifPrintLoading WebPagePrint");
    QTest::newRow("preview progress") << "xml/PreviewProcessWnd.xml"
        << Words("Title closebtn Progress LblPercent LblFileName BtnCancel");
    QTest::newRow("sent") << "xml/MessagesElementSend.xml" << Words("LblMsgTitle LblMsgText");
    QTest::newRow("received") << "xml/MessagesElementRecv.xml" << Words("LblMsgTitle LblMsgText");
    QTest::newRow("contact") << "xml/ContactInfo.xml"
        << Words("TxtUserName LblPhoneDesc TxtPhone LblEmailDesc TxtEmail LblAddressDesc TxtAddress LblUrlDesc "
                 "TxtUrl LblSocialDesc TxtSocial LblCompanyDesc TxtCompany");
  }
  void everyNamedControlExists() {
    QFETCH(QString, layout);
    QFETCH(QStringList, controls);
    auto root = Build(layout);
    QVERIFY2(root, qPrintable(layout));
    for (const QString& name : controls) {
      QVERIFY2(CPaintManagerUI::FindSubControl(root.get(), name), qPrintable(layout + ": " + name));
    }
  }

  void controlsHaveTheirKinds() {
    auto scan = Build(QStringLiteral("xml/PageScan.xml"));
    QVERIFY(scan->findChild<CFileTreeUI*>(QStringLiteral("NodeTree")));
    QVERIFY(scan->findChild<CListUI*>(QStringLiteral("DataList")));
    QVERIFY(scan->findChild<CElementListUI*>(QStringLiteral("MessagesList")));
    QVERIFY(scan->findChild<QTextBrowser*>(QStringLiteral("PreviewEdit")));
    for (const char* gif : {"BtnGifScanning", "BtnGifLoading"}) {
      auto* button = scan->findChild<CButtonGifUI*>(QLatin1String(gif));
      QVERIFY(button);
      QVERIFY2(button->FrameCount() > 1, gif);  // "normalgiffile" loaded the animation
    }
    auto* progress = scan->findChild<QProgressBar*>(QStringLiteral("ProgressScan"));
    QCOMPARE(progress->maximum(), 100);
    // The data list takes its columns from the Col labels.
    auto* list = scan->findChild<CListUI*>(QStringLiteral("DataList"));
    QCOMPARE(list->Header(), scan->findChild<QWidget*>(QStringLiteral("DataListHeader")));
    QCOMPARE(list->columnCount(), 6);

    auto bubble = Build(QStringLiteral("xml/MessagesElementSend.xml"));
    QVERIFY(bubble->findChild<CLabelExUI*>(QStringLiteral("LblMsgText")));

    auto password = Build(QStringLiteral("xml/DecryptionWnd.xml"));
    auto* edit = password->findChild<QLineEdit*>(QStringLiteral("EditPassword"));
    QCOMPARE(edit->echoMode(), QLineEdit::Password);
    QCOMPARE(edit->maxLength(), 256);

    auto box = Build(QStringLiteral("xml/MessageBox_Question.xml"));
    auto* icon = box->findChild<QLabel*>(QStringLiteral("IconImage"));
    QVERIFY(!icon->pixmap().isNull());
    QCOMPARE(icon->pixmap().deviceIndependentSize().toSize(), QSize(48, 48));
    QCOMPARE(box->findChild<QWidget*>(QStringLiteral("okbtn"))->minimumSize(), QSize(100, 30));
  }

  void pagesCarryTheirVirtualWindows() {
    auto main = Build(QStringLiteral("xml/skin.xml"));
    const std::pair<const char*, const char*> expected[] = {
        {"PageIosDevice", "IosDeviceVtrWnd"}, {"ItunesBackupColumn", "ItunesVtrWnd"},
        {"PageScan", "ScanVtrWnd"}, {"PreviewLayout", "PreviewVtrWnd"}};
    for (const auto& [container, name] : expected) {
      QWidget* w = CPaintManagerUI::FindSubControl(main.get(), QLatin1String(container));
      QVERIFY2(w, container);
      QCOMPARE(w->property("virtualwnd").toString(), QLatin1String(name));
    }
    // The backup page marks its inner column, not its root.
    QVERIFY(!main->findChild<QWidget*>(QStringLiteral("PageItunesBackup"))->property("virtualwnd").isValid());
    // Start state: the device source on the start page, the restore button hidden.
    QVERIFY(main->findChild<QAbstractButton*>(QStringLiteral("OptIosDevice"))->isChecked());
    QCOMPARE(main->findChild<QStackedWidget*>(QStringLiteral("MainTabPage"))->currentIndex(), 0);
    QVERIFY(main->findChild<QWidget*>(QStringLiteral("restorebtn"))->isHidden());
  }
};

VESMAR_GUI_TEST(layouts, LayoutsTest)

}  // namespace vesmar

#include "layouts_test.moc"
