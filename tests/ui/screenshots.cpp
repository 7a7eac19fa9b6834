// Pictures of the windows for the documentation: gui_tests --screenshots <folder>. The scan page
// is filled with sample rows the way a finished scan fills it.
#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QStackedWidget>
#include <QTest>
#include <QTextBrowser>

#include <cstdio>

#include "tests/ui/gui_test_support.h"
#include "toolkit/control_text.h"
#include "toolkit/element_list_ui.h"
#include "toolkit/layout_builder.h"
#include "toolkit/list_ui.h"
#include "toolkit/skin_images.h"
#include "ui/control_factory.h"
#include "ui/controls/button_gif_ui.h"
#include "ui/controls/file_tree_ui.h"
#include "ui/main_wnd.h"
#include "ui/message_box.h"

namespace vesmar::test {
namespace {

constexpr quint32 kDeletedColor = 0xFFF37302;

QString Icon(int x) { return QStringLiteral("file='Controls.png' source='%1,410,%2,428'").arg(x).arg(x + 18); }

void Save(QWidget* window, const QString& path) {
  QCoreApplication::processEvents();
  QTest::qWait(120);
  window->grab().save(path);
  std::printf("%s\n", qPrintable(path));
}

void FillTree(CMainWnd& w) {
  auto* tree = w.Find<CFileTreeUI>(QStringLiteral("NodeTree"));
  tree->clear();
  struct Node {
    const char* text;
    int icon;
  };
  const std::pair<const char*, std::vector<Node>> groups[] = {
      {"Photos & Videos", {{"Camera Roll (248)", 1}, {"Photo Stream (36)", 19}, {"App Photos (57)", 37}, {"App Videos (4)", 55}}},
      {"Messages & Call logs",
       {{"Messages (12)", 73}, {"Messages Attachments (41)", 91}, {"Contacts (186)", 109}, {"Call History (93)", 127},
        {"Notes (17)", 145}, {"WhatsApp (9)", 163}, {"WhatsApp Attachments (22)", 91}}}};
  QTreeWidgetItem* selected = nullptr;
  for (const auto& [root, nodes] : groups) {
    QTreeWidgetItem* r = tree->AddNode(nullptr, QLatin1String(root), false, {}, QStringLiteral("TreeNodeText"));
    CFileTreeUI::SetNodeClickable(r, false);
    QFont bold = tree->font();
    bold.setWeight(QFont::DemiBold);
    r->setFont(0, bold);
    for (const Node& n : nodes) {
      QTreeWidgetItem* item = tree->AddNode(r, QLatin1String(n.text), true, Icon(n.icon), QStringLiteral("TreeNodeType"));
      tree->SetCheckState(item, Qt::Checked);
      if (QLatin1String(n.text).startsWith(QLatin1String("Messages ("))) selected = item;
    }
  }
  tree->expandAll();
  tree->setCurrentItem(selected);
}

void FillMessages(CMainWnd& w) {
  const std::pair<const char*, int> columns[] = {{"User Name", 130}, {"Phone Number", 130}, {"Date", 150}, {"Message", 0}};
  for (int i = 0; i < 6; ++i) {
    QWidget* col = w.FindControl(QStringLiteral("Col%1").arg(i + 1));
    if (i < 4) {
      SetControlText(col, QLatin1String(columns[i].first));
      col->setMinimumWidth(columns[i].second);
      col->setMaximumWidth(columns[i].second ? columns[i].second : QWIDGETSIZE_MAX);
      col->show();
    } else {
      col->hide();
    }
  }
  auto* list = w.Find<CListUI>(QStringLiteral("DataList"));
  list->clear();
  struct Row {
    const char* name;
    const char* phone;
    const char* date;
    const char* text;
    bool deleted;
  };
  const Row rows[] = {
      {"Emma Carter", "+1 415 555 0142", "2024-03-18 21:04:51", "See you at the station at eight!", true},
      {"Daniel Reyes", "+1 628 555 0199", "2024-03-17 09:12:33", "The documents are in the shared folder.", true},
      {"Mom", "+1 415 555 0110", "2024-03-18 19:47:02", "Call me when you land, love you", false},
      {"Olivia Brooks", "+1 510 555 0173", "2024-03-16 14:30:10", "Thanks for the photos from Saturday", false},
      {"Liam Foster", "+1 707 555 0125", "2024-03-15 18:22:45", "Running 10 minutes late, sorry", false},
      {"Sophia Nguyen", "+1 415 555 0188", "2024-03-14 08:05:19", "Happy birthday!! 🎉", false},
      {"Noah Patel", "+1 925 555 0136", "2024-03-12 22:41:07", "Did you get the tickets?", false},
      {"Dentist Office", "+1 415 555 0100", "2024-03-11 10:00:00", "Reminder: appointment on Thursday at 3 pm", false},
      {"Ava Mitchell", "+1 650 555 0157", "2024-03-09 16:18:36", "Let's do dinner next week", false},
      {"James Wilson", "+1 408 555 0164", "2024-03-07 12:51:28", "Got it, thanks!", false},
      {"Isabella Ross", "+1 415 555 0131", "2024-03-05 07:33:54", "Good morning ☀️", false},
      {"Ethan Clarke", "+1 510 555 0148", "2024-03-02 20:09:11", "Sounds good to me", false}};
  const QIcon deletedMark(LoadSkinImage(QStringLiteral("file='Controls.png' source='182,312,198,328'")));
  for (const Row& r : rows) {
    auto* item = new QTreeWidgetItem(list, {QString::fromUtf8(r.name), QLatin1String(r.phone),
                                            QLatin1String(r.date), QString::fromUtf8(r.text)});
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    list->SetItemChecked(item, true);
    if (r.deleted) {
      item->setIcon(0, deletedMark);
      for (int c = 0; c < 4; ++c) item->setForeground(c, QColor::fromRgba(kDeletedColor));
    }
  }
  list->setCurrentItem(list->topLevelItem(0));
}

void FillConversation(CMainWnd& w) {
  auto* messages = w.Find<CElementListUI>(QStringLiteral("MessagesList"));
  messages->RemoveAll();
  auto* header = new QLabel(QStringLiteral("-------------------- Messages --------------------"));
  header->setAlignment(Qt::AlignCenter);
  SetTextColor(header, 0xFFD7D7D7);
  messages->Add(header);
  struct Msg {
    bool sent;
    const char* title;
    const char* text;
    bool deleted;
  };
  const Msg conversation[] = {
      {false, "2024-03-18 20:51:12 Emma Carter:", "Are we still on for tomorrow?", false},
      {true, "2024-03-18 20:55:40 Me:", "Yes! Train leaves at 8:15, I booked two seats.", false},
      {false, "2024-03-18 21:02:03 Emma Carter:", "Perfect. I'll bring coffee ☕", false},
      {false, "2024-03-18 21:04:51 Emma Carter:", "See you at the station at eight!", true}};
  for (const Msg& m : conversation) {
    QWidget* element = CDialogBuilder::CreateWidget(
        m.sent ? QStringLiteral("xml/MessagesElementSend.xml") : QStringLiteral("xml/MessagesElementRecv.xml"),
        nullptr, CreateProgramControl);
    SetControlText(element->findChild<QWidget*>(QStringLiteral("LblMsgTitle")), QString::fromUtf8(m.title));
    QWidget* bubble = element->findChild<QWidget*>(QStringLiteral("LblMsgText"));
    SetControlText(bubble, QString::fromUtf8(m.text));
    if (m.deleted) {
      bubble->setStyleSheet(QStringLiteral("color: #F37302; background: #FFF4EA;"));
    }
    messages->Add(element);
  }
  messages->show();
  w.FindControl(QStringLiteral("PreviewEdit"))->hide();
}

void ShowFinishedScan(CMainWnd& w) {
  w.Find<QStackedWidget>(QStringLiteral("MainTabPage"))->setCurrentIndex(1);
  w.FindControl(QStringLiteral("iPhoneInfoLayout"))->hide();
  w.FindControl(QStringLiteral("DataListLayout"))->show();
  w.FindControl(QStringLiteral("ScanToolBar"))->hide();
  w.FindControl(QStringLiteral("ReocveryToolBar"))->show();
  w.FindControl(QStringLiteral("DataListToolBar"))->show();
  w.FindControl(QStringLiteral("BtnRecovery"))->setEnabled(true);
  SetControlText(w.FindControl(QStringLiteral("LblStatistics")),
                 QStringLiteral("You select 1.62 GB in 729 item(s) of 1.62 GB in 729 item(s)"));
  FillTree(w);
  FillMessages(w);
  FillConversation(w);
}

void ShowRunningScan(CMainWnd& w) {
  CSettings& s = CSettings::Instance();
  w.Find<QStackedWidget>(QStringLiteral("MainTabPage"))->setCurrentIndex(1);
  w.FindControl(QStringLiteral("ReocveryToolBar"))->hide();
  w.FindControl(QStringLiteral("DataListToolBar"))->hide();
  w.FindControl(QStringLiteral("ScanToolBar"))->show();
  w.FindControl(QStringLiteral("DataListLayout"))->hide();
  w.FindControl(QStringLiteral("iPhoneInfoLayout"))->show();
  SetControlText(w.FindControl(QStringLiteral("LblScanType")), s.Message(QStringLiteral("MSG0501")));
  QWidget* remark = w.FindControl(QStringLiteral("LblRemark"));
  SetControlText(remark, s.Message(QStringLiteral("MSG0502")));
  SetBkImage(remark, QStringLiteral("file='Controls.png' source='56,505,111,560' dest='0,0,55,55'"));
  w.Find<QProgressBar>(QStringLiteral("ProgressScan"))->setValue(46);
  SetControlText(w.FindControl(QStringLiteral("LblPercent")), QStringLiteral("46%"));
  auto* tree = w.Find<CFileTreeUI>(QStringLiteral("NodeTree"));
  FillTree(w);
  tree->setCurrentItem(nullptr);
  for (QTreeWidgetItemIterator it(tree); *it; ++it) {
    if (!(*it)->parent()) continue;
    if ((*it)->text(0).startsWith(QLatin1String("Camera")) || (*it)->text(0).startsWith(QLatin1String("Photo S"))) continue;
    (*it)->setText(0, (*it)->text(0).section(QLatin1Char('('), 0, 0) + QStringLiteral("(0)"));
    tree->SetCheckState(*it, Qt::Unchecked);
    CFileTreeUI::SetNodeClickable(*it, false);
    (*it)->setDisabled(true);
  }
  for (const char* gif : {"BtnGifScanning", "BtnGifLoading"}) w.Find<CButtonGifUI>(QLatin1String(gif))->Play();
}

void FillBackups(CMainWnd& w) {
  QTest::mouseClick(w.Find<QAbstractButton>(QStringLiteral("OptBackupFile")), Qt::LeftButton);
  auto* list = w.Find<CListUI>(QStringLiteral("BackupFileList"));
  list->clear();
  const std::tuple<const char*, const char*, const char*, bool> rows[] = {
      {"Emma's iPhone", "2024-03-18 22:14:09", "F2LXK1Q9HG7F", false},
      {"iPad Pro", "2024-02-27 08:41:55", "DMPWV3Q4J28K", true},
      {"iPhone 12", "2023-11-05 19:02:31", "C39ZR8L0N72D", false}};
  for (const auto& [name, date, serial, locked] : rows) {
    auto* item = new QTreeWidgetItem(list, {QString::fromUtf8(name), QLatin1String(date), QLatin1String(serial)});
    item->setIcon(0, QIcon(LoadSkinImage(locked ? QStringLiteral("file='Controls.png' source='53,436,101,462'")
                                                : QStringLiteral("file='Controls.png' source='2,436,50,462'"))));
  }
  list->setColumnWidth(0, 380);
  list->setColumnWidth(1, 220);
  list->setCurrentItem(list->topLevelItem(0));
}

}  // namespace

int SaveScreenshots(const char* folderText) {
  const QString folder = QString::fromLocal8Bit(folderText);
  QDir().mkpath(folder);
  CMainWnd w;
  w.SetQuitOnClose(false);
  if (!w.CreateAndShow()) return 1;
  if (!QTest::qWaitForWindowExposed(&w)) return 1;
  QTest::qWait(200);
  Save(&w, folder + QStringLiteral("/start.png"));

  FillBackups(w);
  Save(&w, folder + QStringLiteral("/backups.png"));

  ShowRunningScan(w);
  QTest::qWait(400);
  Save(&w, folder + QStringLiteral("/scanning.png"));

  ShowFinishedScan(w);
  Save(&w, folder + QStringLiteral("/scan.png"));

  // A question over the finished scan, as closing the window asks it.
  const QPixmap under = w.grab();
  QPixmap box;
  WhenShown<CMessageBox>([&box](CMessageBox* b) {
    QTest::qWait(150);
    box = b->grab();
    b->Close(2);
  });
  CMessageBox::Show(kBoxQuestion, &w, std::nullopt, CSettings::Instance().Message(QStringLiteral("MSG0511")), 550, 200);
  QPixmap composed = under;
  {
    QPainter p(&composed);
    p.fillRect(composed.rect(), QColor(15, 23, 42, 70));
    const QPoint at((composed.width() - box.width()) / 2, (composed.height() - box.height()) / 2);
    for (int i = 1; i <= 8; ++i) {  // a soft shadow
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(0, 0, 0, 10));
      p.drawRoundedRect(QRect(at, box.size()).adjusted(-i, -i + 3, i, i + 3), 8 + i, 8 + i);
    }
    p.drawPixmap(at, box);
  }
  composed.save(folder + QStringLiteral("/messagebox.png"));
  std::printf("%s\n", qPrintable(folder + QStringLiteral("/messagebox.png")));
  return 0;
}

}  // namespace vesmar::test
