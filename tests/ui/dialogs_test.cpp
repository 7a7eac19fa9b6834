// The message box, the password dialog and the help menu, driven through their real windows.
#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <functional>

#include "tests/ui/gui_test_support.h"
#include "tests/ui/test_registry.h"
#include "toolkit/control_text.h"
#include "toolkit/menu_wnd.h"
#include "ui/decryption_wnd.h"
#include "ui/help_menu.h"
#include "ui/main_wnd.h"
#include "ui/message_box.h"
#include "ui/settings.h"

using BoxAction = std::function<void(vesmar::CMessageBox*)>;
Q_DECLARE_METATYPE(BoxAction)

namespace vesmar {

using test::WhenShown;
using Action = BoxAction;

namespace {

void Click(WindowImplBase* window, const char* name) {
  auto* button = window->Find<QAbstractButton>(QLatin1String(name));
  QVERIFY2(button && button->isVisible(), name);
  QTest::mouseClick(button, Qt::LeftButton);
}

}  // namespace

class DialogsTest : public QObject {
  Q_OBJECT
 private slots:
  void messageBoxCloseCodes_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<Action>("action");
    QTest::addColumn<int>("code");
    QTest::newRow("OK") << int(kBoxQuestion) << Action([](CMessageBox* b) { Click(b, "okbtn"); }) << 1;
    QTest::newRow("Cancel") << int(kBoxQuestion) << Action([](CMessageBox* b) { Click(b, "cancelbtn"); }) << 2;
    QTest::newRow("close button") << int(kBoxQuestion) << Action([](CMessageBox* b) { Click(b, "closebtn"); }) << 2;
    QTest::newRow("Escape") << int(kBoxQuestion)
                            << Action([](CMessageBox* b) { QTest::keyClick(b->focusWidget() ? b->focusWidget() : b, Qt::Key_Escape); })
                            << 2;
    QTest::newRow("Enter does nothing") << int(kBoxConfirm) << Action([](CMessageBox* b) {
      QTest::keyClick(b->focusWidget() ? b->focusWidget() : b, Qt::Key_Return);
      QTest::qWait(30);
      QVERIFY(b->isVisible());
      Click(b, "cancelbtn");
    }) << 2;
    QTest::newRow("close of an error box") << int(kBoxError) << Action([](CMessageBox* b) { Click(b, "closebtn"); }) << 2;
  }
  void messageBoxCloseCodes() {
    QFETCH(int, type);
    QFETCH(Action, action);
    QFETCH(int, code);
    WhenShown<CMessageBox>([action](CMessageBox* box) { action(box); });
    QCOMPARE(CMessageBox::Show(type, nullptr, QStringLiteral("Title"), QStringLiteral("Text"), 550, 200), code);
  }

  void messageBoxLayoutAndDefaultTitleByType_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QString>("titleKey");
    QTest::newRow("error") << 0 << "xml/MessageBox_Error.xml" << "MSG0401";
    QTest::newRow("confirm") << 1 << "xml/MessageBox_Confirm.xml" << "MSG0402";
    QTest::newRow("information") << 2 << "xml/MessageBox_Information.xml" << "MSG0403";
    QTest::newRow("warning") << 3 << "xml/MessageBox_Warning.xml" << "MSG0405";
    QTest::newRow("question") << 4 << "xml/MessageBox_Question.xml" << "MSG0404";
    QTest::newRow("out of range") << 9 << "xml/MessageBox_Error.xml" << "MSG0401";
    QTest::newRow("negative") << -1 << "xml/MessageBox_Error.xml" << "MSG0401";
  }
  void messageBoxLayoutAndDefaultTitleByType() {
    QFETCH(int, type);
    QFETCH(QString, layout);
    QFETCH(QString, titleKey);
    QString shownLayout;
    QString shownTitle;
    QString shownText;
    QSize shownSize;
    WhenShown<CMessageBox>([&](CMessageBox* box) {
      shownLayout = box->GetSkinFile();
      shownTitle = ControlText(box->FindControl(QStringLiteral("title")));
      shownText = ControlText(box->FindControl(QStringLiteral("message")));
      shownSize = box->size();
      Click(box, "okbtn");
    });
    QCOMPARE(CMessageBox::Show(type, nullptr, std::nullopt, QStringLiteral("Body text"), 550, 200), 1);
    QCOMPARE(shownLayout, layout);
    const QString expected = CSettings::Instance().Message(titleKey);
    QVERIFY(!expected.isEmpty());
    QCOMPARE(shownTitle, expected);
    QCOMPARE(shownText, QStringLiteral("Body text"));
    QCOMPARE(shownSize, QSize(550, 200));
  }

  void messageBoxKeepsItsMinimumSize() {
    QSize shown;
    WhenShown<CMessageBox>([&](CMessageBox* box) {
      shown = box->size();
      Click(box, "okbtn");
    });
    CMessageBox::Show(kBoxInformation, nullptr, std::nullopt, QStringLiteral("x"), 350, 150);
    QCOMPARE(shown, QSize(430, 170));
  }

  void passwordDialogReturnsWhatWasTyped() {
    for (const int purpose : {CDecryptionWnd::kDeviceBackup, CDecryptionWnd::kBackupFile}) {
      CDecryptionWnd dialog;
      dialog.SetPurpose(purpose);
      QVERIFY(dialog.Create(nullptr, 550, 200));
      QString description;
      QTimer::singleShot(0, &dialog, [&dialog, &description] {
        QTRY_VERIFY(dialog.Find<QLineEdit>(QStringLiteral("EditPassword"))->hasFocus());
        description = ControlText(dialog.FindControl(QStringLiteral("Description")));
        QWidget* edit = dialog.FindControl(QStringLiteral("EditPassword"));
        QTest::keyClicks(edit, QStringLiteral("p@ss = w"));
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QStringLiteral("ö"), Qt::NoModifier);
        QTest::keyClicks(edit, QStringLiteral("rd"));
        QTest::keyClick(edit, Qt::Key_Return);  // swallowed
        QTest::qWait(30);
        QVERIFY(dialog.isVisible());
        Click(&dialog, "BtnOK");
      });
      QCOMPARE(dialog.ShowModal(), 1);
      QCOMPARE(dialog.Password(), QStringLiteral("p@ss = wörd"));
      QCOMPARE(description, CSettings::Instance().Message(purpose == 0 ? QStringLiteral("MSG0601")
                                                                      : QStringLiteral("MSG0602")));
    }
  }

  void passwordDialogCancels_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("BtnCancel") << "BtnCancel";
    QTest::newRow("closebtn") << "closebtn";
    QTest::newRow("Escape") << "Escape";
  }
  void passwordDialogCancels() {
    QFETCH(QString, how);
    CDecryptionWnd dialog;
    QVERIFY(dialog.Create(nullptr, 550, 200));
    QTimer::singleShot(0, &dialog, [&] {
      QTest::keyClicks(dialog.FindControl(QStringLiteral("EditPassword")), QStringLiteral("typed"));
      if (how == QLatin1String("Escape")) {
        QTest::keyClick(dialog.FindControl(QStringLiteral("EditPassword")), Qt::Key_Escape);
      } else {
        Click(&dialog, how.toLatin1().constData());
      }
    });
    QCOMPARE(dialog.ShowModal(), 2);
  }

  void helpMenuHidesUnusedEntriesAndExitClosesTheMainWindow() {
    CMainWnd main;
    main.SetQuitOnClose(false);
    QVERIFY(main.CreateAndShow());
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QTest::mouseClick(main.Find<QAbstractButton>(QStringLiteral("BtnAssist")), Qt::LeftButton);
    CMenuWnd* menu = nullptr;
    QTRY_VERIFY((menu = test::VisibleWindow<CMenuWnd>()) != nullptr);
    QCOMPARE(menu->MenuName(), QStringLiteral("menu_assist"));
    QVERIFY(menu->FindControl(QStringLiteral("item_faq"))->isHidden());
    QVERIFY(menu->FindControl(QStringLiteral("item_language"))->isHidden());
    QVERIFY(!menu->FindControl(QStringLiteral("item_help"))->isHidden());
    // Texts come from the "MenuWnd" section, not the padded layout defaults.
    QTRY_COMPARE(ControlText(menu->FindControl(QStringLiteral("item_exit"))), QStringLiteral("Exit"));
    // Opens below the button.
    QWidget* assist = main.FindControl(QStringLiteral("BtnAssist"));
    QCOMPARE(menu->pos(), assist->mapToGlobal(QPoint(0, assist->height())));
    QTest::mouseClick(menu->Find<QAbstractButton>(QStringLiteral("item_exit")), Qt::LeftButton);
    QTRY_VERIFY(main.IsClosed());
    QCOMPARE(main.CloseCode(), 1);
  }

  void helpPagesAreShippedBesideTheProgram() {
    for (const char* item : {"item_help", "item_about", "item_support"}) {
      const QString page = HelpPagePath(QLatin1String(item));
      QVERIFY2(QFileInfo::exists(page), qPrintable(page));
    }
    QVERIFY(HelpPagePath(QStringLiteral("item_exit")).isEmpty());
  }
};

VESMAR_GUI_TEST(dialogs, DialogsTest)

}  // namespace vesmar

#include "dialogs_test.moc"
