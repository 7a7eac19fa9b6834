// The toolkit: the skin archive, pictures cut by source rectangle, notifications routed to the
// virtual window of their container, timers, and messages posted from other threads.
#include <QAbstractButton>
#include <QImage>
#include <QTest>
#include <QThread>

#include <thread>
#include <vector>

#include "tests/ui/test_registry.h"
#include "toolkit/skin_archive.h"
#include "toolkit/skin_images.h"
#include "toolkit/window_base.h"
#include "ui/control_factory.h"

namespace vesmar {
namespace {

struct Probe : INotifyUI {
  std::vector<std::pair<QString, QString>> seen;  // type, sender
  void Notify(TNotifyUI& msg) override { seen.emplace_back(msg.type, msg.SenderName()); }
  bool Saw(const QString& type, const QString& sender) const {
    for (const auto& s : seen) {
      if (s.first == type && s.second == sender) return true;
    }
    return false;
  }
};

// A window built from the scan page, which nests two virtual windows.
class ProbeWindow : public WindowImplBase {
 public:
  QString GetWindowClassName() const override { return QStringLiteral("ProbeWnd"); }
  QString GetSkinFile() const override { return QStringLiteral("xml/PageScan.xml"); }
  void Notify(TNotifyUI& msg) override { own.Notify(msg); }
  bool HandleCustomMessage(unsigned message, quintptr wParam, qintptr) override {
    handled.emplace_back(message, wParam);
    onWindowThread = onWindowThread && QThread::currentThread() == thread();
    return true;
  }
  QWidget* CreateControl(const QString& cls, QWidget* parent) override {
    return CreateProgramControl(cls, parent);
  }
  Probe own;
  std::vector<std::pair<unsigned, quintptr>> handled;
  bool onWindowThread = true;
};

}  // namespace

class ToolkitTest : public QObject {
  Q_OBJECT
 private slots:
  void archiveFindsEntriesByWindowsOrOtherCaseNames() {
    const CSkinArchive& skin = CSkinArchive::Instance();
    QVERIFY(skin.Contains(QStringLiteral("xml/skin.xml")));
    QVERIFY(skin.Contains(QStringLiteral("xml\\skin.xml")));
    QVERIFY(skin.Contains(QStringLiteral("XML/Skin.XML")));
    QVERIFY(!skin.Read(QStringLiteral("Controls.png")).isEmpty());
    QVERIFY(skin.Read(QStringLiteral("xml/none.xml")).isEmpty());
    CSkinArchive other;
    const char garbage[] = "not a zip archive at all";
    QVERIFY(!other.Open(garbage, sizeof(garbage)));
    QVERIFY(other.Names().isEmpty());
  }

  void imageAttributes_data() {
    QTest::addColumn<QString>("attribute");
    QTest::addColumn<QSize>("size");  // invalid: no picture
    QTest::newRow("category icon") << "file='Controls.png' source='1,410,19,428'" << QSize(18, 18);
    QTest::newRow("locked backup") << "file='Controls.png' source='53,436,101,462' dest='0,0,48,26'" << QSize(48, 26);
    QTest::newRow("deleted mark") << "file='Controls.png' source='182,312,198,328'" << QSize(16, 16);
    QTest::newRow("source image") << "file='Controls.png' source='56,505,111,560' dest='0,0,55,55'" << QSize(55, 55);
    QTest::newRow("switch") << "file='optionOn.png' source='0,0,78,19'" << QSize(78, 19);
    QTest::newRow("whole file") << "MessageBox/warning.png" << QSize(48, 48);
    QTest::newRow("outside the file") << "file='Controls.png' source='0,600,10,610'" << QSize();
    QTest::newRow("reversed rectangle") << "file='Controls.png' source='20,20,10,10'" << QSize();
    QTest::newRow("missing file") << "file='none.png' source='0,0,4,4'" << QSize();
  }
  void imageAttributes() {
    QFETCH(QString, attribute);
    QFETCH(QSize, size);
    for (qreal ratio : {1.0, 2.0}) {
      const QPixmap pixmap = LoadSkinImage(attribute, ratio);
      QCOMPARE(pixmap.isNull(), !size.isValid());
      if (size.isValid()) QCOMPARE(pixmap.deviceIndependentSize().toSize(), size);
    }
  }

  void iconsAreDrawnWhereTheRectanglesPoint() {
    // Every rectangle the windows cut must hold a picture, not empty transparency.
    const char* rects[] = {"1,410,19,428", "19,410,37,428", "37,410,55,428", "55,410,73,428",
                           "73,410,91,428", "91,410,109,428", "109,410,127,428", "127,410,145,428",
                           "145,410,163,428", "163,410,181,428", "2,436,50,462", "53,436,101,462",
                           "2,465,20,483", "29,465,47,483", "56,465,74,483", "182,312,198,328",
                           "0,505,55,560", "56,505,111,560"};
    for (const char* rect : rects) {
      const QImage image =
          LoadSkinImage(QStringLiteral("file='Controls.png' source='%1'").arg(QLatin1String(rect)), 1).toImage();
      int opaque = 0;
      for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) opaque += qAlpha(image.pixel(x, y)) > 128;
      }
      QVERIFY2(opaque > image.width(), rect);
    }
  }

  void notificationsReachTheNearestVirtualWindow() {
    ProbeWindow window;
    QVERIFY(window.Create(nullptr, QStringLiteral("probe")));
    Probe scan;
    Probe preview;
    window.PaintManager().AddVirtualWnd(QStringLiteral("ScanVtrWnd"), &scan);
    window.PaintManager().AddVirtualWnd(QStringLiteral("PreviewVtrWnd"), &preview);

    window.Find<QAbstractButton>(QStringLiteral("BtnScanStop"))->click();
    QVERIFY(scan.Saw(QStringLiteral("click"), QStringLiteral("BtnScanStop")));
    window.Find<QAbstractButton>(QStringLiteral("OptOnOffFilter"))->click();
    QVERIFY(scan.Saw(QStringLiteral("selectchanged"), QStringLiteral("OptOnOffFilter")));

    window.PaintManager().SendNotify(window.FindControl(QStringLiteral("PreviewEdit")), QStringLiteral("timer"), 100);
    QVERIFY(preview.Saw(QStringLiteral("timer"), QStringLiteral("PreviewEdit")));
    QVERIFY(!scan.Saw(QStringLiteral("timer"), QStringLiteral("PreviewEdit")));

    // An attached handler sees it first and may keep it.
    QWidget* home = window.FindControl(QStringLiteral("BtnHome"));
    int attached = 0;
    window.PaintManager().AttachNotify(home, [&attached](TNotifyUI&) { return ++attached == 1; });
    qobject_cast<QAbstractButton*>(home)->click();
    QCOMPARE(attached, 1);
    QVERIFY(!scan.Saw(QStringLiteral("click"), QStringLiteral("BtnHome")));
    qobject_cast<QAbstractButton*>(home)->click();  // not kept the second time
    QVERIFY(scan.Saw(QStringLiteral("click"), QStringLiteral("BtnHome")));

    // Without a registered virtual window the window itself gets it.
    window.PaintManager().RemoveVirtualWnd(QStringLiteral("ScanVtrWnd"));
    window.Find<QAbstractButton>(QStringLiteral("BtnPrint"))->click();
    QVERIFY(window.own.Saw(QStringLiteral("click"), QStringLiteral("BtnPrint")));
    QTRY_VERIFY(window.own.Saw(QStringLiteral("windowinit"), QStringLiteral("PageScan")));
  }

  void timersTickUntilKilled() {
    ProbeWindow window;
    QVERIFY(window.Create(nullptr, QStringLiteral("probe")));
    QWidget* tree = window.FindControl(QStringLiteral("NodeTree"));
    CPaintManagerUI& manager = window.PaintManager();
    QVERIFY(manager.SetTimer(tree, 101, 10));
    QCOMPARE(manager.TimerInterval(tree, 101), 10);
    QTRY_VERIFY(window.own.Saw(QStringLiteral("timer"), QStringLiteral("NodeTree")));
    QVERIFY(manager.KillTimer(tree, 101));
    QVERIFY(!manager.HasTimer(tree, 101));
    window.own.seen.clear();
    QTest::qWait(50);
    QVERIFY(!window.own.Saw(QStringLiteral("timer"), QStringLiteral("NodeTree")));
    QVERIFY(!manager.KillTimer(tree, 101));
  }

  void messagesPostedFromWorkersRunOnTheWindowThread() {
    ProbeWindow window;
    QVERIFY(window.Create(nullptr, QStringLiteral("probe")));
    std::thread worker([&window] {
      for (quintptr i = 0; i < 3; ++i) window.PostMessage(kWmUser + 8, i);
    });
    worker.join();
    QTRY_COMPARE(window.handled.size(), size_t{3});
    for (quintptr i = 0; i < 3; ++i) QCOMPARE(window.handled[i], std::make_pair(kWmUser + 8, i));
    QVERIFY(window.onWindowThread);
  }
};

VESMAR_GUI_TEST(toolkit, ToolkitTest)

}  // namespace vesmar

#include "toolkit_test.moc"
