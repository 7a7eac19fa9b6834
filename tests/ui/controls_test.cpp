// The program's own controls: the tri-state category tree, the animated GIF and the wrapping
// label.
#include <QSignalSpy>
#include <QTest>

#include "skin/art/gif_writer.h"
#include "tests/ui/test_registry.h"
#include "toolkit/notify.h"
#include "ui/controls/button_gif_ui.h"
#include "ui/controls/file_tree_ui.h"
#include "ui/controls/label_ex_ui.h"

namespace vesmar {
namespace {

QByteArray GifWithDelays(const QList<int>& delays) {
  QList<art::GifFrame> frames;
  const QRgb colours[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(0, 0, 0)};
  for (int i = 0; i < delays.size(); ++i) {
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(colours[i % 4]);
    frames.append({image, delays[i]});
  }
  return art::EncodeGif(frames, {colours[0], colours[1], colours[2], colours[3]});
}

struct Tree {
  CFileTreeUI tree;
  QTreeWidgetItem* root;
  QTreeWidgetItem* parent;
  QList<QTreeWidgetItem*> children;
  Tree() {
    root = tree.AddNode(nullptr, QStringLiteral("Messages & Call logs"), false, {}, QStringLiteral("TreeNodeText"));
    parent = tree.AddNode(root, QStringLiteral("Messages (3)"), true, {}, QStringLiteral("TreeNodeType"));
    for (int i = 0; i < 3; ++i) children << tree.AddNode(parent, QStringLiteral("item %1").arg(i), true);
    tree.expandAll();
  }
};

}  // namespace

class ControlsTest : public QObject {
  Q_OBJECT
 private slots:
  void treeCheckBoxesFollowTheirChildren() {
    Tree t;
    QSignalSpy spy(&t.tree, &CFileTreeUI::notify);
    t.tree.SetChecked(t.parent, true);
    for (auto* child : t.children) QCOMPARE(child->checkState(0), Qt::Checked);
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy[0][0].toString(), notify::kCheckBoxSelectChanged);
    QCOMPARE(spy[0][1].value<quintptr>(), reinterpret_cast<quintptr>(t.parent));

    t.children[0]->setCheckState(0, Qt::Unchecked);  // as a click does
    QCOMPARE(t.parent->checkState(0), Qt::PartiallyChecked);
    QVERIFY(CFileTreeUI::IsChecked(t.parent) && CFileTreeUI::IsHalfChecked(t.parent));
    t.children[1]->setCheckState(0, Qt::Unchecked);
    QCOMPARE(t.parent->checkState(0), Qt::PartiallyChecked);
    t.children[2]->setCheckState(0, Qt::Unchecked);
    QCOMPARE(t.parent->checkState(0), Qt::Unchecked);
    QCOMPARE(spy.size(), 4);
    QCOMPARE(spy.last()[1].value<quintptr>(), reinterpret_cast<quintptr>(t.children[2]));

    // Checking a half-checked node checks all below it; the root has no box and stays so.
    t.children[0]->setCheckState(0, Qt::Checked);
    t.parent->setCheckState(0, Qt::Checked);
    for (auto* child : t.children) QCOMPARE(child->checkState(0), Qt::Checked);
    QVERIFY(!t.root->data(0, Qt::CheckStateRole).isValid());

    // A state set for show raises nothing and touches nothing else.
    spy.clear();
    t.tree.SetCheckState(t.parent, Qt::PartiallyChecked);
    QCOMPARE(spy.size(), 0);
    QCOMPARE(t.children[0]->checkState(0), Qt::Checked);
  }

  void collapsingHidesGrandchildrenAndDoubleClickToggles() {
    Tree t;
    auto* grandchild = t.tree.AddNode(t.children[1], QStringLiteral("deep"), true);
    t.tree.expandAll();
    t.tree.resize(300, 300);
    t.tree.show();
    QVERIFY(QTest::qWaitForWindowExposed(&t.tree));
    QVERIFY(!t.tree.visualItemRect(grandchild).isEmpty());
    QSignalSpy spy(&t.tree, &CFileTreeUI::notify);
    t.parent->setExpanded(false);
    QVERIFY(t.tree.visualItemRect(grandchild).isEmpty());
    QVERIFY(t.tree.visualItemRect(t.children[0]).isEmpty());
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy[0][0].toString(), notify::kItemExpand);

    const QRect rect = t.tree.visualItemRect(t.parent);
    // A double click as a user makes it: a click, then the second press.
    QTest::mouseClick(t.tree.viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(t.tree.viewport(), Qt::LeftButton, {}, rect.center());
    QVERIFY(t.parent->isExpanded());
    QVERIFY(!t.tree.visualItemRect(grandchild).isEmpty());
  }

  void nodesThatAreNotClickableCannotBeSelected() {
    Tree t;
    CFileTreeUI::SetNodeClickable(t.parent, false);
    t.tree.setCurrentItem(t.parent);
    QVERIFY(!t.parent->isSelected());
    CFileTreeUI::SetNodeClickable(t.parent, true);
    t.tree.setCurrentItem(t.children[0]);
    QSignalSpy spy(&t.tree, &CFileTreeUI::notify);
    t.tree.setCurrentItem(t.parent);
    QVERIFY(t.parent->isSelected());
    QCOMPARE(spy.last()[0].toString(), notify::kItemSelect);
  }

  void gifTimerFollowsEachFramesDelay() {
    CButtonGifUI gif;
    gif.SetGifData(GifWithDelays({40, 250, 40}));
    QCOMPARE(gif.FrameCount(), 3);
    QCOMPARE(gif.FrameDelay(1), 250);
    gif.resize(16, 16);
    gif.show();
    QVERIFY(QTest::qWaitForWindowExposed(&gif));
    QCOMPARE(gif.TimerInterval(), -1);
    gif.Play();
    QCOMPARE(gif.TimerInterval(), 40);
    QTRY_COMPARE(gif.CurrentFrame(), 1);
    QCOMPARE(gif.TimerInterval(), 250);  // re-armed with the slower frame's delay
    QTRY_COMPARE(gif.CurrentFrame(), 2);
    QCOMPARE(gif.TimerInterval(), 40);
    QTRY_COMPARE(gif.CurrentFrame(), 0);  // wraps

    QTRY_COMPARE(gif.CurrentFrame(), 1);
    gif.Stop();
    QCOMPARE(gif.TimerInterval(), -1);
    QTest::qWait(400);
    QCOMPARE(gif.CurrentFrame(), 1);  // the frame shown stays
    QVERIFY(!gif.grab().isNull());
  }

  void gifWithoutNameKeepsWhatItHas() {
    CButtonGifUI gif;
    gif.SetGif(QStringLiteral("loading.gif"));
    const int frames = gif.FrameCount();
    QVERIFY(frames > 1);
    gif.SetGif(QString());
    QCOMPARE(gif.FrameCount(), frames);
  }

  void wrappingLabelTakesSeveralLines() {
    CLabelExUI label;
    label.setText(QStringLiteral("A long message that needs more than one line at this width, "
                                 "because it goes on and on for a while."));
    label.setWordWrap(false);
    const int oneLine = label.TextHeightFor(200);
    label.setWordWrap(true);
    QVERIFY(label.TextHeightFor(200) >= 3 * oneLine);
    QVERIFY(label.TextHeightFor(2000) < 2 * oneLine);
  }
};

VESMAR_GUI_TEST(controls, ControlsTest)

}  // namespace vesmar

#include "controls_test.moc"
